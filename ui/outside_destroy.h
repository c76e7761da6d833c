// A main window that the window system destroys from outside (a window
// manager's "destroy", `xdotool windowclose`) gets no close event: Qt only
// loses the native window, and the program would go on without one. This
// watch closes the widget then, so that the program ends as Exit does.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>

namespace scmp {

class OutsideDestroyWatch : public QAbstractNativeEventFilter {
 public:
  // Watches `window`, which must be shown; installs itself on the
  // application and removes itself when it goes.
  explicit OutsideDestroyWatch(QWidget* window);
  ~OutsideDestroyWatch() override;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  QPointer<QWidget> window_;
  unsigned native_id_ = 0;
};

}  // namespace scmp
