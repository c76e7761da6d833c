// What a screen reader finds in the windows, the lamps' spoken values, the
// theme switch and the zoom keys.
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "tests/support/gui_support.h"
#include "tests/support/window_fixture.h"
#include "ui/code_editor.h"
#include "ui/editor_window.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
#include "ui/monitor_window.h"
#include "ui/settings_window.h"
#include "ui/test_results_window.h"
#include "ui/theme.h"
#include "ui/zoom.h"

namespace scmp {
namespace {

using test::Find;

bool Clickable(QAccessibleInterface* a) {
  if (a->actionInterface() != nullptr && a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()))
    return true;
  switch (a->role()) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::MenuItem: return true;
    default: return false;
  }
}

// Every focusable or clickable element under `a` without a name, as
// "role objectName" lines.
void Unnamed(QAccessibleInterface* a, QStringList* out, int depth = 0) {
  if (a == nullptr || depth > 40) return;
  const bool separator = a->role() == QAccessible::Separator;
  if (!separator && (a->state().focusable || Clickable(a)) && a->text(QAccessible::Name).trimmed().isEmpty()) {
    const QObject* o = a->object();
    *out << QString("role %1 %2").arg(a->role()).arg(o != nullptr ? o->objectName() + " " + o->metaObject()->className() : "");
  }
  for (int i = 0; i < a->childCount(); ++i) Unnamed(a->child(i), out, depth + 1);
}

class AccessibilityTest : public test::PanelWindowTest {
 protected:
  void TearDown() override { ApplyTheme(ThemeChoice::kSystem); }
  QAccessibleInterface* Lamp(const QString& name) {
    return QAccessible::queryAccessibleInterface(Find<LampShape>(window.get(), name));
  }
  void Click(const char* name) { Find<QPushButton>(window.get(), name)->click(); }
  void Latch(int address, int data_value) {
    for (int i = 0; i < 12; ++i)
      if (model.AddressSwitch(i) != (((address >> i) & 1) != 0)) model.ToggleAddressSwitch(i);
    for (int i = 0; i < 8; ++i)
      if (model.DataSwitch(i) != (((data_value >> i) & 1) != 0)) model.ToggleDataSwitch(i);
    model.Latch();
    window->Refresh();
  }
};

TEST_F(AccessibilityTest, EveryFocusableOrClickableElementHasAName) {
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  Find<QAction>(window.get(), "mnu_Editor")->trigger();
  SettingsWindow settings(model, window.get());
  settings.show();
  for (QWidget* w : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(window->Monitor()),
                     static_cast<QWidget*>(window->Editor()), static_cast<QWidget*>(&settings)}) {
    QStringList unnamed;
    Unnamed(QAccessible::queryAccessibleInterface(w), &unnamed);
    EXPECT_TRUE(unnamed.isEmpty()) << w->objectName().toStdString() << ":\n" << unnamed.join("\n").toStdString();
  }
}

TEST_F(AccessibilityTest, LampsAndSwitchesSayTheStateTheModelHolds) {
  struct Case {
    int address, data;
    const char* lamp;
    const char* name;
    const char* value;
  } cases[] = {
      {0xA00, 0x08, "Led_3", "LED 3, lit", "lit"},
      {0xA00, 0x00, "Led_3", "LED 3, dark", "dark"},
      {0x000, 0x04, "D_Switch_2", "Data switch 2, on", "on"},
      {0x000, 0x00, "Run_Led", "Run/Prgm, PRGM", "PRGM"},
  };
  for (const Case& c : cases) {
    Latch(c.address, c.data);
    QAccessibleInterface* lamp = Lamp(c.lamp);
    EXPECT_EQ(lamp->text(QAccessible::Name), c.name);
    EXPECT_EQ(lamp->text(QAccessible::Value), c.value);
  }
  // The switch buttons carry their state in their names too.
  EXPECT_EQ(Find<QPushButton>(window.get(), "cmd_D_sw_2")->accessibleName(), "Data switch 2, off");
  model.ToggleDataSwitch(2);
  window->Refresh();
  EXPECT_EQ(Find<QPushButton>(window.get(), "cmd_D_sw_2")->accessibleName(), "Data switch 2, on");
}

TEST_F(AccessibilityTest, LampsAsTextFollowsTheLampsOnceShown) {
  Find<QAction>(window.get(), "mnu_LampsText")->trigger();
  Latch(0xA00, 0x5A);
  const QString text = Find<QLabel>(window.get(), "lbl_LampsText")->text();
  EXPECT_TRUE(text.startsWith("LEDs 0101 1010 (5A)")) << text.toStdString();
  EXPECT_TRUE(text.contains("PRGM")) << text.toStdString();
}

TEST_F(AccessibilityTest, ReturnInTheDisassemblySetsAndClearsTheBreakpointAsAClickDoes) {
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  auto* code = Find<QTableWidget>(window->Monitor(), "tbl_Code");
  int row = -1;
  for (int r = 0; r < code->rowCount(); ++r)
    if (code->item(r, 1)->text().endsWith("008")) row = r;
  ASSERT_GE(row, 0);
  for (bool expected : {true, false}) {
    code->setCurrentCell(row, 1);
    QTest::keyClick(code, Qt::Key_Return);
    EXPECT_EQ(model.Debug().IsBreakpoint(0x008), expected);
  }
}

TEST_F(AccessibilityTest, DarkThemeReachesTheMonitorStripAndCells) {
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  MonitorWindow* monitor = window->Monitor();
  auto* memory = Find<QTableView>(monitor, "tbl_Memory");
  struct Case {
    const char* action;
    bool dark;
    const ColourRoles& colours;
  } cases[] = {{"mnu_Theme_dark", true, DarkColours()}, {"mnu_Theme_light", false, LightColours()}};
  for (const Case& c : cases) {
    Find<QAction>(window.get(), c.action)->trigger();
    QCoreApplication::processEvents();  // the queued Changed signal
    EXPECT_EQ(monitor->palette().color(QPalette::Window).lightness() < 128, c.dark) << c.action;
    EXPECT_EQ(Colours().dark, c.dark);
    EXPECT_EQ(memory->model()->index(0, 1).data(Qt::BackgroundRole).value<QColor>(), c.colours.ram) << c.action;
    EXPECT_TRUE(Find<QWidget>(window.get(), "frm_Debug")->styleSheet().contains(c.colours.strip_top.name()))
        << c.action;
  }
}

TEST_F(AccessibilityTest, ZoomKeysGrowAWindowsFontsAndCtrl0PutsThemBack) {
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  MonitorWindow* monitor = window->Monitor();
  auto* memory = Find<QTableView>(monitor, "tbl_Memory");
  const double base = memory->font().pointSizeF();
  QTest::keyClick(memory, Qt::Key_Plus, Qt::ControlModifier);
  QTest::keyClick(memory, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_NEAR(memory->font().pointSizeF(), base * Zoom::Factor(2), 0.01);
  EXPECT_EQ(Zoom::Instance()->Level("frm_Monitor"), 2);
  QTest::keyClick(memory, Qt::Key_0, Qt::ControlModifier);
  EXPECT_NEAR(memory->font().pointSizeF(), base, 0.01);
  // A window of fixed size grows as a whole, its fields with it.
  SettingsWindow settings(model, window.get());
  settings.show();
  const QSize size = settings.size();
  const QRect field = Find<QWidget>(&settings, "txt_Delay")->geometry();
  QTest::keyClick(Find<QWidget>(&settings, "txt_Delay"), Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_NEAR(settings.width(), size.width() * Zoom::Factor(1), 1.0);
  EXPECT_NEAR(Find<QWidget>(&settings, "txt_Delay")->geometry().right(), field.right() * Zoom::Factor(1), 2.0);
  QTest::keyClick(&settings, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(settings.size(), size);
  // The panel zooms by its size.
  const int width = window->width();
  Find<QAction>(window.get(), "mnu_ZoomIn")->trigger();
  EXPECT_GT(window->width(), width);
  Find<QAction>(window.get(), "mnu_ZoomReset")->trigger();
}

// What was last spoken in `w`'s window, or "" when nothing was.
QString Spoken(QWidget* w) {
  QWidget* notice = w->window()->findChild<QWidget*>("acc_Notice", Qt::FindDirectChildrenOnly);
  if (notice == nullptr || !notice->isVisible()) return {};
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(notice);
  EXPECT_EQ(a->role(), QAccessible::Notification);
  const QString said = a->text(QAccessible::Name);
  notice->hide();  // the next check sees only what is said after it
  return said;
}

TEST_F(AccessibilityTest, ResultsAreSpokenWithoutHuntingForThem) {
  Find<QAction>(window.get(), "mnu_Editor")->trigger();
  EditorWindow* editor = window->Editor();
  editor->Editor()->setPlainText("\t.org\t0x001\n\tLDI\t0x5A\n\tHALT\n");
  SourceLoad load;
  ASSERT_TRUE(editor->AssembleAndLoad(&load));
  const QString assembled = Find<QLabel>(editor, "lbl_EditorStatus")->text();
  // The status is read as what it says, and was said at once.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(Find<QLabel>(editor, "lbl_EditorStatus"))->text(QAccessible::Name), assembled);
  EXPECT_EQ(Spoken(editor), assembled);
  editor->ToggleBreakpoint(2);
  EXPECT_EQ(Spoken(editor), "Breakpoint set at line 2 (address 001).");
  editor->Editor()->setPlainText("\tLDI\t0x5A\n\tNOPE\n");
  EXPECT_FALSE(editor->AssembleAndLoad(&load));
  EXPECT_TRUE(Spoken(editor).contains("error")) << Find<QLabel>(editor, "lbl_EditorStatus")->text().toStdString();

  // Why a run stopped, in the window the run was started from.
  model.SetBreakpoint(0x001, false);
  editor->Editor()->setPlainText("\t.org\t0x001\n\tLDI\t0x5A\n\tHALT\n");
  ASSERT_TRUE(editor->AssembleAndLoad(&load));
  Spoken(editor);
  Click("cmd_SST");
  Click("cmd_Run");
  QWidget* active = QApplication::activeWindow();
  EXPECT_TRUE(Spoken(active != nullptr ? active : window.get()).startsWith("Halted; P0 00"));

  // The Monitor's breakpoint and the legend of its cells.
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  auto* code = Find<QTableWidget>(window->Monitor(), "tbl_Code");
  for (int r = 0; r < code->rowCount(); ++r)
    if (code->item(r, 1)->text().endsWith("003")) emit code->cellClicked(r, 0);
  EXPECT_EQ(Spoken(window->Monitor()), "Breakpoint set at 003");
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(Find<QLabel>(window->Monitor(), "lbl_MemoryLegend"))
                  ->text(QAccessible::Name)
                  .startsWith("Plain: RAM"));
}

TEST_F(AccessibilityTest, WindowsGroupsAndMarksHaveTheirRolesAndNames) {
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  MonitorWindow* monitor = window->Monitor();
  TestResultsWindow results(model, window.get());
  SettingsWindow settings(model, window.get());
  model.SetWatchpoint(0x010, true);
  model.SetWatchpoint(0x012, true);
  model.StoreCell(0x010, 0x42);
  model.StoreCell(0x011, 0x43);
  monitor->Refresh(true);
  auto* memory = Find<QTableView>(monitor, "tbl_Memory");
  auto* code = Find<QTableWidget>(monitor, "tbl_Code");
  QString next;
  for (int r = 0; r < code->rowCount(); ++r)
    if (code->item(r, 1)->text().startsWith(QString::fromUtf8("\u25B6"))) next = code->item(r, 1)->data(Qt::AccessibleTextRole).toString();
  // The keyboard in a register box: the current tab is selected, not focused.
  QApplication::setActiveWindow(monitor);
  Find<QLineEdit>(monitor, "edt_A")->setFocus();
  QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(monitor->findChild<QTabBar*>())->child(0);
  auto role = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->role(); };
  auto name = [](QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); };
  struct Case {
    const char* what;
    QVariant got, expected;
  } cases[] = {
      {"Monitor role", role(monitor), QAccessible::Window},
      {"test results role", role(&results), QAccessible::Window},
      {"base chooser", name(Find<QComboBox>(monitor, "cmb_MemoryBase")), "Number base"},
      {"settings group role", role(Find<QFrame>(&settings, "fra_Pause")), QAccessible::Grouping},
      {"settings group name", name(Find<QFrame>(&settings, "fra_Speed")), "Fast or slow execution mode"},
      {"next instruction", next, "next instruction, 001"},
      {"watched, changed cell", memory->model()->index(1, 0).data(Qt::AccessibleDescriptionRole), "watched, changed by the last run"},
      {"changed cell", memory->model()->index(1, 1).data(Qt::AccessibleDescriptionRole), "changed by the last run"},
      {"watched cell", memory->model()->index(1, 2).data(Qt::AccessibleDescriptionRole), "watched"},
      {"plain cell", memory->model()->index(1, 3).data(Qt::AccessibleDescriptionRole).isValid(), false},
      {"Exit", Find<QAction>(window.get(), "mnu_Exit")->text().remove('&'), "Exit"},
      {"current tab", tab->text(QAccessible::Name), "History"},
      {"current tab selected", static_cast<bool>(tab->state().selected), true},
      {"current tab not focused", static_cast<bool>(tab->state().focused), false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what << ": " << c.got.toString().toStdString();

  // The box a breakpoint's condition is typed in.
  model.SetBreakpoint(0x005, true);
  monitor->Refresh(true);
  auto* list = Find<QTableWidget>(monitor, "tbl_Breakpoints");
  list->edit(list->model()->index(0, 5));
  EXPECT_EQ(name(Find<QLineEdit>(list, "edt_Condition")), "Condition of the breakpoint at 005");
}

TEST_F(AccessibilityTest, TabLeavesEveryTableAndEachAltKeyIsOneControl) {
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  MonitorWindow* monitor = window->Monitor();
  for (QAbstractItemView* view : monitor->findChildren<QAbstractItemView*>())
    EXPECT_FALSE(view->tabKeyNavigation()) << view->objectName().toStdString();
  // Tab from a register box gets past every table and comes back round.
  auto* a = Find<QLineEdit>(monitor, "edt_A");
  a->setFocus();
  QStringList visited;
  QWidget* at = a;
  for (int i = 0; i < 1000 && (i == 0 || at != a); ++i) {
    at = at->nextInFocusChain();
    if (at->isVisible() && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus)) visited << at->objectName();
  }
  for (const char* wanted : {"edt_P3", "tbl_Code", "cmd_Fill", "tbl_Memory", "tbl_History"}) EXPECT_TRUE(visited.contains(wanted)) << wanted;
  // Each Alt+letter names one control in the Monitor.
  QMap<QChar, QStringList> keys;
  static const QRegularExpression kMnemonic("&([^&])");
  auto note = [&](const QString& text, const QString& who) {
    const QRegularExpressionMatch m = kMnemonic.match(text);
    if (m.hasMatch()) keys[m.captured(1).at(0).toUpper()] << who;
  };
  for (QLabel* l : monitor->findChildren<QLabel*>())
    if (l->buddy() != nullptr) note(l->text(), l->objectName());
  for (QAbstractButton* b : monitor->findChildren<QAbstractButton*>()) note(b->text(), b->objectName());
  for (QTabWidget* t : monitor->findChildren<QTabWidget*>())
    for (int i = 0; i < t->count(); ++i) note(t->tabText(i), t->tabText(i));
  for (auto it = keys.begin(); it != keys.end(); ++it) EXPECT_EQ(it.value().size(), 1) << "Alt+" << QString(it.key()).toStdString() << ": " << it.value().join(", ").toStdString();
  // Ctrl+N in the editor: typing goes into the new text.
  Find<QAction>(window.get(), "mnu_Editor")->trigger();
  QApplication::setActiveWindow(window->Editor());
  Find<QAction>(window.get(), "mnu_Find")->trigger();  // the focus is elsewhere in the editor first
  window->Editor()->NewSource();
  EXPECT_EQ(QApplication::focusWidget(), window->Editor()->Editor());
  EXPECT_TRUE(window->Editor()->Editor()->textCursor().atEnd());
}

}  // namespace
}  // namespace scmp
