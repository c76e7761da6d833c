// A click on the panel's keys, switches or lamps leaves the keyboard where
// it was when the editor or the Monitor had it: the learner presses RST on
// the panel with the mouse and goes on with F5 in the editor, and a key
// typed next never lands on the panel by surprise (F5 there is address
// switch 4).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

namespace scmp {

class KeyboardStaysPut : public QObject {
 public:
  // Installed on the application; `panel` is the panel's window.
  explicit KeyboardStaysPut(QWidget* panel);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* panel_;
  QPointer<QWidget> keyboard_window_;  // the window that had the keyboard at the press
  QPointer<QWidget> last_workbench_;   // the editor or Monitor last active
  QElapsedTimer panel_activated_;      // since the panel was last made active
};

}  // namespace scmp
