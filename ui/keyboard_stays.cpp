#include "ui/keyboard_stays.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace scmp {

namespace {
// A panel made active this shortly before a press on it was made active by the press.
constexpr qint64 kJustActivatedMs = 400;
// The keyboard goes back once the window manager is done with the click.
constexpr int kGiveBackMs = 50;

// The windows where the learner types and steps.
bool IsWorkbenchWindow(const QWidget* window) {
  return window != nullptr && (window->objectName() == "frm_Editor" || window->objectName() == "frm_Monitor");
}

// The panel's controls: its keys and switch keys, and the lamps that click them.
bool IsPanelControl(const QWidget* widget) {
  return qobject_cast<const QAbstractButton*>(widget) != nullptr || widget->inherits("scmp::LampShape");
}
}  // namespace

KeyboardStaysPut::KeyboardStaysPut(QWidget* panel) : QObject(panel), panel_(panel) { qApp->installEventFilter(this); }

bool KeyboardStaysPut::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::WindowActivate) {
    auto* window = qobject_cast<QWidget*>(watched);
    if (window != nullptr && window->isWindow()) {
      if (IsWorkbenchWindow(window)) last_workbench_ = window;
      if (window == panel_) panel_activated_.start();
    }
    return false;
  }
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != panel_ || !IsPanelControl(widget)) return false;
  if (type == QEvent::MouseButtonPress) {
    // A window manager that focuses on click may have made the panel
    // active just before the press reached it.
    QWidget* active = QApplication::activeWindow();
    const bool just_taken =
        active == panel_ && panel_activated_.isValid() && panel_activated_.elapsed() < kJustActivatedMs;
    keyboard_window_ = IsWorkbenchWindow(active) ? active : just_taken ? last_workbench_.data() : nullptr;
    return false;
  }
  // After the release (and the click it makes) the window that had the
  // keyboard gets it back.
  if (keyboard_window_) {
    QPointer<QWidget> back = keyboard_window_;
    keyboard_window_ = nullptr;
    QTimer::singleShot(kGiveBackMs, panel_, [back] {
      if (back && back->isVisible()) back->activateWindow();
    });
  }
  return false;
}

}  // namespace scmp
