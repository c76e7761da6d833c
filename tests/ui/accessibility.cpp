// What a screen reader finds in the windows, the lamps' spoken values, the
// theme switch and the zoom keys.
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "tests/support/gui_support.h"
#include "tests/support/window_fixture.h"
#include "ui/editor_window.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
#include "ui/monitor_window.h"
#include "ui/settings_window.h"
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
  QAccessibleInterface* Visible(const QString& on_name, const QString& off_name) {
    auto* on = Find<LampShape>(window.get(), on_name);
    return QAccessible::queryAccessibleInterface(on->isHidden() ? Find<LampShape>(window.get(), off_name) : on);
  }
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
    const char* on_name;
    const char* off_name;
    const char* name;
    const char* value;
  } cases[] = {
      {0xA00, 0x08, "Led_On_3", "Led_Off_3", "LED 3, lit", "lit"},
      {0xA00, 0x00, "Led_On_3", "Led_Off_3", "LED 3, dark", "dark"},
      {0x000, 0x04, "D_Switch_On_2", "D_Switch_Off_2", "Data switch 2, on", "on"},
      {0x000, 0x00, "Run_Led_Red", "Run_Led_Green", "Run/Prgm, PRGM", "PRGM"},
  };
  for (const Case& c : cases) {
    Latch(c.address, c.data);
    QAccessibleInterface* lamp = Visible(c.on_name, c.off_name);
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

}  // namespace
}  // namespace scmp
