// The debugging toolbar's actions, one set shared by the editor and the
// Monitor: Step, Step Over, Run / Continue, Stop, Step Back, Run to
// Cursor and Reset (the panel's RST). Each works the panel's own controls (trainer/run_control.h), so
// the board, the Monitor and the editor show one machine.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

#include "trainer/panel_model.h"

class QAction;
class QToolBar;
class QWidget;

namespace scmp {

class DebugActions : public QObject {
  Q_OBJECT

 public:
  // `run` performs an operation that may run the stepping loop the way the
  // panel's buttons do (locking the controls, redrawing after).
  // `cursor_address` gives the address Run to Cursor runs to in the active
  // window, or -1 with a message of why not.
  DebugActions(PanelModel& model, std::function<void(const std::function<void()>&)> run,
               std::function<int(QString* why)> cursor_address, QObject* parent);

  // A toolbar of the actions for `window`, named after it.
  QToolBar* MakeToolBar(QWidget* window, const QString& name);
  const std::vector<QAction*>& Actions() const { return actions_; }
  // During a run only Stop works.
  void SetRunning(bool running);

 signals:
  // Something to tell the user (Run to Cursor on a line without code).
  void Message(const QString& text);

 private:
  QAction* Add(const char* name, const QString& text, const QKeySequence& key, const std::function<void()>& act);
  void Run(const std::function<void()>& operation);

  PanelModel& model_;
  std::function<void(const std::function<void()>&)> run_;
  std::function<int(QString*)> cursor_address_;
  std::vector<QAction*> actions_;
  QAction* stop_ = nullptr;
};

}  // namespace scmp
