// Files > Run Tests...: a test file chosen and run on the assembled
// program, the results listed, and Show on a failed test leaving the panel
// at the failing instruction with the Monitor open and the history to step
// back through.
#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "tests/support/gui_support.h"
#include "trainer/run_control.h"
#include "ui/code_editor.h"
#include "ui/editor_window.h"
#include "ui/main_window.h"
#include "ui/monitor_window.h"
#include "ui/file_chooser.h"
#include "ui/test_results_window.h"

namespace scmp {
namespace {

using test::Find;

const std::string kWrongDouble = std::string(SCMP_SOURCE_DIR) + "/tests/grader/data/EX7_NO_CCL.s";

TEST(TestResultsWindow, RunTestsListsResultsAndShowOpensTheMonitorThere) {
  PanelModel model;
  std::string error;
  ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  SourceLoad loaded;
  ASSERT_TRUE(model.AssembleSource(kWrongDouble, &loaded)) << loaded.error;
  PanelWindow window(model);
  window.show();

  QAction* run_tests = Find<QAction>(&window, "mnu_RunTests");
  EXPECT_EQ(run_tests->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  test::WhenModal([](QWidget* modal) {
    auto* chooser = qobject_cast<FileChooser*>(modal);
    ASSERT_NE(chooser, nullptr);
    ASSERT_EQ(chooser->WindowKind(), FileChooser::Kind::kRunTests);
    auto* path = Find<QLineEdit>(chooser, "Txt_RunTests");
    path->setText(QString::fromStdString(test::SourceDataDir() + "Samples/EX7_DOUBLE.test"));
    Find<QPushButton>(chooser, "cmd_RunTests_Ok")->click();
  });
  run_tests->trigger();
  TestResultsWindow* results = window.TestResults();
  ASSERT_TRUE(results && results->isVisible());
  EXPECT_EQ(Find<QLabel>(results, "lbl_TestSummary")->text(),
            "EX7_DOUBLE.test on EX7_NO_CCL.s: 5/6 points, 3 of 4 tests passed");

  auto* list = Find<QTreeWidget>(results, "lst_TestResults");
  ASSERT_EQ(list->topLevelItemCount(), 4);
  const QTreeWidgetItem* failed = list->currentItem();  // the first failed test, ready for Show
  ASSERT_NE(failed, nullptr);
  EXPECT_EQ(failed->text(0), "FAIL");
  EXPECT_EQ(failed->text(1), "clears the carry itself");
  EXPECT_EQ(failed->text(3), "LEDs 0F, expected 0E");
  for (const char* name : {"lst_TestResults", "cmd_ShowFailure", "cmd_RunTestsAgain", "lbl_TestSummary"})
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(results->findChild<QWidget*>(name))->text(QAccessible::Name).isEmpty())
        << name;

  int shown_at = -1;
  QObject::connect(results, &TestResultsWindow::FailureShown, [&shown_at](int address) { shown_at = address; });
  auto* show = Find<QPushButton>(results, "cmd_ShowFailure");
  ASSERT_TRUE(show->isEnabled());
  show->click();
  const grader::Moment at = *results->Results()[0].tests[2].FailedAt();
  EXPECT_EQ(shown_at, at.address);
  MonitorWindow* monitor = window.Monitor();
  ASSERT_TRUE(monitor && monitor->isVisible());
  EXPECT_EQ(model.Debug().Steps().Size(), at.instruction);
  EXPECT_EQ(model.Cpu().microcycles, at.microcycle);
  // The source tested keeps its lines: the editor opens with the failing
  // instruction's line marked, not the next one.
  EditorWindow* editor = window.Editor();
  ASSERT_TRUE(editor && editor->isVisible());
  const SourcePlace failing = model.Lines().PlaceOf(at.address);
  EXPECT_GT(failing.line, 0);
  EXPECT_NE(NextInstructionPlace(model).line, failing.line);
  EXPECT_EQ(editor->Editor()->NextLine(), failing.line);
  // Shown again, the board and the counters are the test's, not added up;
  // the LEDs are lit as the test saw them, not dimmed by the replay.
  show->click();
  EXPECT_EQ(model.StepsSinceReset(), at.instruction);
  EXPECT_EQ(model.MicrocyclesSinceReset(), at.microcycle);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(model.LampShare(Lamp::kLed, i), model.LedState(i) ? 1.0 : 0.0) << i;
  EXPECT_EQ(editor->Editor()->NextLine(), failing.line);
  EXPECT_TRUE(model.StepBack());  // the moment before the failure

  // A passed test has nothing to show.
  list->setCurrentItem(list->topLevelItem(0));
  EXPECT_FALSE(show->isEnabled());
  EXPECT_FALSE(results->ShowFailure(0));
}

// A hidden test says only whether it passed: no name, no message, no Show.
// A visible failure lists every failure, its inputs and how the run ended.
TEST(TestResultsWindow, HiddenTestsShowNoDetailsAndFailuresShowThemAll) {
  PanelModel model;
  std::string error;
  ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  test::TempDir dir;
  const std::string tests = dir.Write(
      "h.test",
      "test \"secret\" hidden\n switches 07\n run until halt within 1ms\n expect leds 99\nend\n"
      "test \"open\"\n switches 07\n run until halt within 1ms\n expect leds 99\n expect A 98\nend\n");
  TestResultsWindow results(model);
  ASSERT_TRUE(results.Run(tests, kWrongDouble));
  auto* list = Find<QTreeWidget>(&results, "lst_TestResults");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  const QTreeWidgetItem* hidden = list->topLevelItem(0);
  EXPECT_EQ(hidden->text(1), "hidden test");
  EXPECT_EQ(hidden->text(3), "hidden test: failed");
  EXPECT_TRUE(hidden->toolTip(3).isEmpty());
  EXPECT_FALSE(results.ShowFailure(0));
  const QString all = list->topLevelItem(1)->toolTip(3);
  EXPECT_TRUE(all.contains("\nalso: A ")) << all.toStdString();
  EXPECT_TRUE(all.contains("\ninputs: switches 07")) << all.toStdString();
  EXPECT_TRUE(all.contains("\nended: halted at ")) << all.toStdString();
}

TEST(TestResultsWindow, ABadTestFileIsShownWithItsLinesAndNothingRuns) {
  PanelModel model;
  std::string error;
  ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  test::TempDir dir;
  const std::string bad = dir.Write("bad.test", "test \"a\"\n run for 1ms\n expect leds 5G\nend\n");
  TestResultsWindow results(model);
  QString shown;
  test::WhenModal([&shown](QWidget* modal) {
    shown = Find<QPlainTextEdit>(modal, "txt_Diagnostics")->toPlainText();
    modal->close();
  });
  EXPECT_FALSE(results.Run(bad, kWrongDouble));
  EXPECT_TRUE(shown.endsWith("bad.test:3:14: error: expected a byte: hexadecimal (5A) or binary (0b01011010), not \"5G\""))
      << shown.toStdString();
  EXPECT_TRUE(results.Results().empty());
}

}  // namespace
}  // namespace scmp
