#include "ui/debug_actions.h"

#include <QAction>
#include <QToolBar>
#include <QWidget>

#include "core/observed_step.h"
#include "trainer/run_control.h"

namespace scmp {

DebugActions::DebugActions(PanelModel& model, std::function<void(const std::function<void()>&)> run,
                           std::function<int(QString*)> cursor_address, QObject* parent)
    : QObject(parent), model_(model), run_(std::move(run)), cursor_address_(std::move(cursor_address)) {
  Add("act_Step", "Step", QKeySequence(Qt::Key_F11), [this] { Run([this] { StepOne(model_); }); });
  Add("act_StepOver", "Step Over", QKeySequence(Qt::Key_F10), [this] { Run([this] { StepOver(model_); }); });
  Add("act_Continue", "Run / Continue", QKeySequence(Qt::Key_F5), [this] { Run([this] { Continue(model_); }); });
  stop_ = Add("act_Stop", "Stop", QKeySequence(Qt::SHIFT | Qt::Key_F5), [this] {
    if (model_.Running() && !model_.HaltRequested()) model_.Halt();
  });
  Add("act_StepBack", "Step Back", QKeySequence(Qt::SHIFT | Qt::Key_F11), [this] {
    if (!model_.StepBack()) emit Message("Nothing to step back: no instruction has run since the history began.");
    run_([] {});
  });
  Add("act_RunToCursor", "Run to Cursor", QKeySequence(Qt::CTRL | Qt::Key_F10), [this] {
    QString why;
    const int address = cursor_address_(&why);
    if (address < 0) {
      emit Message(why);
      return;
    }
    Run([this, address] { RunTo(model_, address); });
  });
  // RST where the learner is, so that the panel need not take the keyboard.
  Add("act_Reset", "Reset (RST)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F5), [this] {
    if (model_.Running()) return;
    run_([this] { model_.Reset(); });
    const int next = NextOpcodeAddress(model_.State().P[0]);
    emit Message(QString("Reset: the next instruction is at %1.").arg(next, 3, 16, QChar('0')));
  });
  SetRunning(false);
}

QAction* DebugActions::Add(const char* name, const QString& text, const QKeySequence& key,
                           const std::function<void()>& act) {
  auto* action = new QAction(text, this);
  action->setObjectName(name);
  action->setShortcut(key);
  action->setToolTip(QString("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
  connect(action, &QAction::triggered, this, act);
  actions_.push_back(action);
  return action;
}

// Steps and runs record the history, so that Step Back has something to undo.
void DebugActions::Run(const std::function<void()>& operation) {
  if (model_.Running()) return;
  if (!model_.Debug().Recording()) model_.SetHistoryRecording(true);
  run_(operation);
}

QToolBar* DebugActions::MakeToolBar(QWidget* window, const QString& name) {
  auto* bar = new QToolBar("Run control", window);
  bar->setObjectName(name);
  bar->setAccessibleName("Run control");
  for (QAction* action : actions_) {
    bar->addAction(action);
  }
  // The button that shows the actions a narrow window has no room for.
  for (QWidget* more : bar->findChildren<QWidget*>("qt_toolbar_ext_button")) more->setAccessibleName("More run controls");
  return bar;
}

void DebugActions::SetRunning(bool running) {
  for (QAction* action : actions_) action->setEnabled(running == (action == stop_));
}

}  // namespace scmp
