// Files > Run Tests...: a test file run on the program, one row per test,
// passed or failed with its message. Show on a failed test replays it on
// the panel with the history on, up to the failing instruction, so that
// the Monitor (and the source editor) open at the moment it went wrong.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "grader/grade.h"
#include "grader/program_load.h"
#include "grader/test_file.h"
#include "trainer/panel_model.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace scmp {

class TestResultsWindow : public QWidget {
  Q_OBJECT

 public:
  TestResultsWindow(PanelModel& model, QWidget* parent = nullptr);

  // Asks for a test file (in the data folder's Samples/ at first), runs it
  // and shows the window.
  // The file window starts beside `source` (else in Samples).
  void ChooseAndRun(const QString& source = QString());
  // Runs the tests of `test_path` on `program_path`, or when that is empty
  // on the program the panel last assembled, else on the test file's
  // program line. A bad test file or a program that does not load is shown
  // in the diagnostics window; false then.
  bool Run(const std::string& test_path, const std::string& program_path = "");
  // Replays test `row` to its failure (see the class comment); false when
  // it did not fail at a moment of its run, or the panel is busy.
  bool ShowFailure(int row);

  const std::vector<grader::ProgramResult>& Results() const { return results_; }

 signals:
  // After Show: the panel stands just after the failing instruction, which
  // began at `address`. The main window opens the Monitor on it; the source
  // editor can go to the line of `address` from the same signal.
  void FailureShown(int address);

 private:
  bool RunOnce(const std::string& test_path, const std::string& program_path);
  std::string ProgramFor(const std::string& test_path) const;
  void Fill();
  void SelectionChanged();
  void Refused(const std::string& why, const std::vector<Diagnostic>& diagnostics = {});

  PanelModel& model_;
  std::string test_path_;
  std::string program_path_;  // as chosen by Run; empty: found again each time
  grader::TestFile file_;
  grader::ProgramImage program_;
  std::vector<grader::ProgramResult> results_;
  QLabel* summary_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPushButton* show_ = nullptr;
  QPushButton* again_ = nullptr;
  bool running_ = false;  // the event loop runs during long tests: no second run meanwhile
};

}  // namespace scmp
