#include "ui/keyboard_stays.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace scmp {

namespace {
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
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != panel_ || !IsPanelControl(widget)) return false;
  if (type == QEvent::MouseButtonPress) {
    QWidget* active = QApplication::activeWindow();
    keyboard_window_ = IsWorkbenchWindow(active) ? active : nullptr;
    return false;
  }
  // After the release (and the click it makes) the window that had the
  // keyboard gets it back, also when the window manager gave it to the
  // panel on the press.
  if (keyboard_window_) {
    QPointer<QWidget> back = keyboard_window_;
    keyboard_window_ = nullptr;
    QTimer::singleShot(0, panel_, [back] {
      if (back && back->isVisible()) back->activateWindow();
    });
  }
  return false;
}

}  // namespace scmp
