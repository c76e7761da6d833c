#include "ui/focus_return.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace scmp {

namespace {

// Watches every window's showing and hiding: a dialog notes the window that
// was active when it opened and, once it closed and the window manager has
// chosen, gives that window the focus back unless another one took it.
class FocusReturn : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Show && event->type() != QEvent::Hide) return false;
    if (!watched->isWidgetType() || !static_cast<QWidget*>(watched)->isWindow()) return false;
    auto* window = static_cast<QWidget*>(watched);
    const bool dialog = qobject_cast<QDialog*>(window) != nullptr;
    if (event->type() == QEvent::Show) {
      if (dialog)
        came_from_[window] = QApplication::activeWindow();
      else
        back_ = nullptr;  // a window opened after the dialog: it keeps the focus
      return false;
    }
    if (!dialog || !came_from_.contains(window)) return false;
    back_ = came_from_.take(window);
    owner_ = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    // Once the window manager has chosen where the focus goes.
    QTimer::singleShot(kSettleMs, this, [this] { GiveBack(); });
    return false;
  }

 private:
  static constexpr int kSettleMs = 150;
  void GiveBack() {
    QWidget* back = std::exchange(back_, nullptr);
    if (back == nullptr || !back->isVisible()) return;
    QWidget* active = QApplication::activeWindow();
    if (active == back || (active != nullptr && active != owner_)) return;
    back->raise();
    back->activateWindow();
  }
  QHash<QObject*, QPointer<QWidget>> came_from_;
  QPointer<QWidget> back_;
  QPointer<QWidget> owner_;
};

}  // namespace

void ReturnFocusAfterDialogs() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  qApp->installEventFilter(new FocusReturn(qApp));
}

}  // namespace scmp
