// View > Checks in the window: on by default, the warnings of a run in the
// editor's message list (leading to the line) and in the Monitor's Checks
// tab; Stop at a Check's Warning ends the run there; off, nothing is listed.
#include <QAction>
#include <QListWidget>

#include "tests/support/window_fixture.h"
#include "ui/code_editor.h"
#include "ui/editor_window.h"
#include "ui/monitor_window.h"

namespace scmp {
namespace {

using test::Find;

class CheckWarnings : public test::PanelWindowTest {
 protected:
  // The editor's text assembled, then RST, SST off and Run / Prgm.
  void RunInEditor(const char* source) {
    EditorWindow* editor = window->ShowEditor();
    editor->Editor()->setPlainText(source);
    SourceLoad loaded;
    ASSERT_TRUE(editor->AssembleAndLoad(&loaded)) << loaded.error;
    model.Reset();
    if (model.SingleStepMode()) model.ToggleSingleStep();
    if (model.RunMode())
      model.StepOrStart();
    else
      model.RunOrProgram();
    window->Refresh();
  }
  QStringList Listed(QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }
};

TEST_F(CheckWarnings, OnByDefaultListedInTheEditorAndTheMonitorWithTheStopOption) {
  const char* source = " .org 1\n LDI 2\n ST X\n LD Y\n LDI 3\n HALT\nX: .space 1\nY: .space 1\n";
  QAction* checks = Find<QAction>(window.get(), "mnu_Checks");
  QAction* stop = Find<QAction>(window.get(), "mnu_StopAtCheck");
  ASSERT_TRUE(checks->isChecked());
  ASSERT_FALSE(stop->isChecked());
  Find<QAction>(window.get(), "mnu_Monitor")->trigger();
  const QString warning = "warning: uninitialised: read 00B, never loaded nor written since RST (instruction at 005)";
  const struct {
    bool on, stop;
    QStringList expected;
    StopReason reason;
  } cases[] = {
      {true, false, {"4: " + warning}, StopReason::kHalt},
      {true, true, {"4: " + warning}, StopReason::kCheck},
      {false, false, {}, StopReason::kHalt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stop);
    checks->setChecked(c.on);
    stop->setChecked(c.stop);
    RunInEditor(source);
    EXPECT_EQ(model.Debug().LastStop(), c.reason);
    EXPECT_EQ(model.Debug().Checking(), c.on);
    auto* messages = Find<QListWidget>(window->Editor(), "lst_Messages");
    QStringList expected_messages;
    for (const QString& line : c.expected) expected_messages << window->Editor()->Name().c_str() + QString(":") + line;
    QStringList listed = Listed(messages);
    listed.removeAll("No errors or warnings.");
    EXPECT_EQ(listed, expected_messages);
    auto* in_monitor = Find<QListWidget>(window->Monitor(), "lst_Checks");
    EXPECT_EQ(Listed(in_monitor).filter("warning:").size(), c.expected.size());
  }
  // A listed warning leads to its line.
  checks->setChecked(true);
  RunInEditor(source);
  auto* messages = Find<QListWidget>(window->Editor(), "lst_Messages");
  const QList<QListWidgetItem*> found = messages->findItems("uninitialised", Qt::MatchContains);
  ASSERT_EQ(found.size(), 1);
  emit messages->itemActivated(found.front());
  EXPECT_EQ(window->Editor()->Editor()->textCursor().blockNumber() + 1, 4);
}

}  // namespace
}  // namespace scmp
