#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "ui/accessible_choosers.h"
#include "ui/focus_return.h"
#include "ui/lamp.h"
#include "ui/panel_keys.h"

namespace scmp {

namespace {

// A lamp: a text whose name is the lamp and the state it shows now, read
// when asked, so that a change needs no event of its own.
class LampAccessible : public QAccessibleWidget {
 public:
  explicit LampAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
  QString text(QAccessible::Text t) const override {
    const auto* lamp = static_cast<const LampShape*>(widget());
    if (t == QAccessible::Name) return lamp->SpokenName();
    if (t == QAccessible::Value) return lamp->StateWord();
    return QAccessibleWidget::text(t);
  }
};

constexpr const char* kLiveLabel = "scmpLiveLabel";

// A label of the register display: its name is its text, read when asked.
class LiveLabelAccessible : public QAccessibleWidget {
 public:
  explicit LiveLabelAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::StaticText) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<const QLabel*>(widget())->text().replace('\n', "  ").trimmed();
    return QAccessibleWidget::text(t);
  }
};

// The object that speaks announcements: invisible, as small as a widget
// can be, and a notification to screen readers.
class Notice : public QWidget {
 public:
  explicit Notice(QWidget* window) : QWidget(window) {
    setObjectName("acc_Notice");
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 1, 1);
  }
};

class NoticeAccessible : public QAccessibleWidget {
 public:
  explicit NoticeAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
};

QAccessibleInterface* MakeAccessible(const QString& class_name, QObject* object) {
  if (!object->isWidgetType()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  if (class_name == QLatin1String("scmp::LampShape")) return new LampAccessible(widget);
  if (class_name == QLatin1String("QLabel") && object->property(kLiveLabel).toBool())
    return new LiveLabelAccessible(widget);
  if (dynamic_cast<Notice*>(object) != nullptr) return new NoticeAccessible(widget);
  if (QAccessibleInterface* chooser = MakeChooserAccessible(class_name, widget)) return chooser;
  // Windows of their own that are plain widgets: a window to screen
  // readers, not a filler.
  if (widget->isWindow() && (class_name == QLatin1String("scmp::MonitorWindow") ||
                             class_name == QLatin1String("scmp::TestResultsWindow")))
    return new QAccessibleWidget(widget, QAccessible::Window);
  // The settings window's groups of controls.
  if (class_name == QLatin1String("QFrame") && object->objectName().startsWith("fra_"))
    return new QAccessibleWidget(widget, QAccessible::Grouping);
  return nullptr;
}

void SendNameChanged(QObject* object) {
  QAccessibleEvent event(object, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void ShowRing(QWidget* w, bool on) {
  if (w->property("keyFocus").toBool() == on) return;
  w->setProperty("keyFocus", on);
  w->style()->unpolish(w);
  w->style()->polish(w);
}

// Presses the button it watches on Return or Enter (Space is Step/Start),
// and rings it while it has the focus from the keyboard.
class PressOnReturn : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
      // The ring shows focus that came by the keyboard, not the one the
      // window gives its first button on opening.
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      ShowRing(static_cast<QWidget*>(watched), event->type() == QEvent::FocusIn &&
                                                   (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason));
      return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    static_cast<QPushButton*>(watched)->click();
    return true;
  }
};

class MonitorKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (auto* code = qobject_cast<QTableWidget*>(watched); code != nullptr && code->currentRow() >= 0) {
      if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Space) return false;
      emit code->cellClicked(code->currentRow(), 0);
      return true;
    }
    auto* memory = static_cast<QTableView*>(watched);
    const bool menu_key = key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() & Qt::ShiftModifier);
    if (!menu_key || !memory->currentIndex().isValid()) return false;
    emit memory->customContextMenuRequested(memory->visualRect(memory->currentIndex()).center());
    return true;
  }
};

std::vector<QString> PanelReadingOrder() {
  std::vector<QString> names = {"cmd_Reset", "cmd_Halt", "cmd_Run", "cmd_SST", "cmd_Latch", "cmd_A_Plus", "cmd_A_min"};
  for (int i = 11; i >= 0; --i) names.push_back(QString("cmd_A_Sw_%1").arg(i));
  for (int i = 7; i >= 0; --i) names.push_back(QString("cmd_D_sw_%1").arg(i));
  names.push_back("cmd_Single_Step");
  return names;
}

}  // namespace

void InstallAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(MakeAccessible);
  ReturnFocusAfterDialogs();
}

QString PanelButtonName(const QString& object_name, const QString& caption) {
  for (const PanelKey& key : PanelKeys())
    if (key.button == object_name) return key.what;
  return caption;
}

QString LabelMeaning(Label label) {
  static const char* const kMeanings[] = {
      "Delay of slow mode",
      "Trace log",
      "Pause count",
      "Speed mode",
      "Cycles remaining",
      "Opcode of the last instruction",
      "Addressing mode of the last instruction",
      "Register of the last instruction",
      "Carry flag",
      "Overflow flag",
      "Operation",
      "P0, program counter",
      "P1, pointer register 1",
      "P2, pointer register 2",
      "P3, pointer register 3",
      "First byte of the last instruction",
      "Second byte of the last instruction",
      "A, accumulator",
      "E, extension register",
      "SR, status register",
      "Speed in force",
  };
  static_assert(std::size(kMeanings) == static_cast<size_t>(Label::kCount));
  return kMeanings[static_cast<int>(label)];
}

void MakePanelKeyboardReachable(QWidget* window) {
  QWidget* previous = nullptr;
  auto* press = new PressOnReturn(window);
  for (const QString& name : PanelReadingOrder()) {
    auto* button = window->findChild<QPushButton*>(name);
    if (button == nullptr) continue;
    button->setFocusPolicy(Qt::TabFocus);
    button->installEventFilter(press);
    if (previous != nullptr) QWidget::setTabOrder(previous, button);
    previous = button;
  }
}

void AddMonitorKeys(QWidget* monitor) {
  auto* keys = new MonitorKeys(monitor);
  for (const char* name : {"tbl_Code", "tbl_Memory"})
    if (auto* table = monitor->findChild<QTableView*>(name)) table->installEventFilter(keys);
}

void Announce(QWidget* window, const QString& text) {
  InstallAccessibility();
  QWidget* top = window->window();
  auto* notice = top->findChild<Notice*>("acc_Notice", Qt::FindDirectChildrenOnly);
  if (notice == nullptr) notice = new Notice(top);
  // Hidden and shown again, so that the same words twice are spoken twice.
  notice->hide();
  notice->setAccessibleName(text);
  notice->show();
}

void MakeLiveLabel(QLabel* label, const QString& meaning) {
  InstallAccessibility();
  label->setProperty(kLiveLabel, true);
  // A name of its own keeps QLabel from sending one at every new text; what
  // a screen reader reads is the text (LiveLabelAccessible).
  label->setAccessibleName(meaning);
  label->setAccessibleDescription(meaning);
}

void PanelAnnouncer::Changed(QWidget* lamp) {
  if (!pending_.contains(lamp)) pending_.append(lamp);
  Schedule();
}

void PanelAnnouncer::Settled() { Schedule(); }

void PanelAnnouncer::Schedule() {
  if (scheduled_) return;
  // Told once the window has finished drawing this change, and no sooner
  // than the gap after the last telling.
  const int gap = running_() ? kRunningGapMs : kMinGapMs;
  const qint64 wait = since_last_.isValid() ? std::max<qint64>(0, gap - since_last_.elapsed()) : 0;
  scheduled_ = true;
  QTimer::singleShot(static_cast<int>(wait), this, [this] { Flush(); });
}

void PanelAnnouncer::Flush() {
  scheduled_ = false;
  since_last_.start();
  const auto pending = std::exchange(pending_, {});
  if (line_ && !line_->isHidden()) {
    const QString words = line_->text().replace('\n', "  ");
    if (line_->accessibleName() != words) line_->setAccessibleName(words);
  }
  for (const QPointer<QWidget>& lamp : pending)
    if (lamp && !lamp->isHidden()) SendNameChanged(lamp.data());
  if (running_()) return;
  for (Watched& w : labels_) {
    if (!w.label || w.label->text() == w.told) continue;
    w.told = w.label->text();
    SendNameChanged(w.label.data());
  }
}

}  // namespace scmp
