#include "ui/outside_destroy.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <xcb/xcb.h>

namespace scmp {

OutsideDestroyWatch::OutsideDestroyWatch(QWidget* window)
    : window_(window), native_id_(static_cast<unsigned>(window->winId())) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

OutsideDestroyWatch::~OutsideDestroyWatch() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool OutsideDestroyWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") return false;  // other window systems send a close
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) return false;
  const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
  if (destroyed->window != native_id_ || !window_) return false;
  // Closed from the event loop, not from inside the filter: during a run
  // the loop's pump picks it up and the run ends after its current step.
  QMetaObject::invokeMethod(window_.data(), &QWidget::close, Qt::QueuedConnection);
  return false;
}

}  // namespace scmp
