#include "ui/test_results_window.h"

#include <QDir>
#include <QFileInfo>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "grader/replay.h"
#include "grader/report.h"
#include "ui/accessibility.h"
#include "ui/diagnostics_dialog.h"
#include "ui/file_chooser.h"
#include "ui/theme.h"

namespace scmp {

namespace {

// The seed scmp-test uses unless told otherwise, so that the window and the
// teacher's run agree.
constexpr uint64_t kSeed = 1;

enum Column { kResult, kName, kPoints, kMessage };

QString Text(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TestResultsWindow::TestResultsWindow(PanelModel& model, QWidget* parent) : QWidget(parent, Qt::Window), model_(model) {
  setObjectName("frm_TestResults");
  setAccessibleName("Test results");
  setWindowTitle("Test Results");
  summary_ = new QLabel(this);
  summary_->setObjectName("lbl_TestSummary");
  // Its name is its text, so that a screen reader reads the result.
  summary_->setAccessibleDescription("Test summary");
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  list_ = new QTreeWidget(this);
  list_->setObjectName("lst_TestResults");
  list_->setAccessibleName("Tests and their results");
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels({"Result", "Test", "Points", "Message"});
  list_->header()->setStretchLastSection(true);
  show_ = new QPushButton("&Show", this);
  show_->setObjectName("cmd_ShowFailure");
  show_->setAccessibleName("Show the failing moment in the Monitor");
  show_->setEnabled(false);
  again_ = new QPushButton("Run &Again", this);
  again_->setObjectName("cmd_RunTestsAgain");
  again_->setAccessibleName("Run the tests again");
  auto* close = new QPushButton("Close", this);
  close->setObjectName("cmd_TestResultsClose");
  close->setAccessibleName("Close");
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] { SelectionChanged(); });
  connect(list_, &QTreeWidget::itemActivated, this, [this] { ShowFailure(list_->currentIndex().row()); });
  connect(show_, &QPushButton::clicked, this, [this] { ShowFailure(list_->currentIndex().row()); });
  connect(again_, &QPushButton::clicked, this, [this] { Run(test_path_, program_path_); });
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(show_);
  buttons->addWidget(again_);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(760, 300);
  // The result words take the colours of a new theme.
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, this, [this] {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = list_->topLevelItem(i);
      item->setForeground(kResult, item->text(kResult) == "PASS" ? Colours().pass_text : Colours().fail_text);
    }
  });
}

void TestResultsWindow::ChooseAndRun(const QString& source) {
  FileChooser chooser(FileChooser::Kind::kRunTests, model_, parentWidget());
  // Test files lie beside the program they test.
  if (source.isEmpty() || !chooser.ChangeDirectory(QFileInfo(source).absolutePath()))
    chooser.ChangeDirectory(QDir::cleanPath(QString::fromLocal8Bit(model_.DataDir().c_str()) + "Samples"));
  if (chooser.exec() != QDialog::Accepted || chooser.ChosenPath().empty()) return;
  if (Run(chooser.ChosenPath())) {
    show();
    raise();
    activateWindow();
  }
}

std::string TestResultsWindow::ProgramFor(const std::string& test_path) const {
  if (!model_.SourcePath().empty()) return model_.SourcePath();
  if (file_.program.empty()) return "";
  const std::filesystem::path p(file_.program);
  return p.is_absolute() ? file_.program : (std::filesystem::path(test_path).parent_path() / p).string();
}

bool TestResultsWindow::Run(const std::string& test_path, const std::string& program_path) {
  if (running_) return false;  // a click that came in while the tests run
  running_ = true;
  const bool ran = RunOnce(test_path, program_path);
  running_ = false;
  return ran;
}

bool TestResultsWindow::RunOnce(const std::string& test_path, const std::string& program_path) {
  PanelModel loader;  // loads and assembles off the panel, whose memory stays as it is
  loader.SetWaitHook([](double) {});
  std::string error;
  if (!loader.StartUp(model_.DataDir(), &error)) {
    Refused(error);
    return false;
  }
  std::vector<Diagnostic> diagnostics;
  grader::TestFile file;
  if (!grader::ReadTestFile(test_path, &loader.Cpu().table(), &file, &diagnostics)) {
    Refused(std::filesystem::path(test_path).filename().string() + " has errors; no test was run.", diagnostics);
    return false;
  }
  file_ = std::move(file);
  test_path_ = test_path;
  program_path_ = program_path;
  const std::string program = program_path.empty() ? ProgramFor(test_path) : program_path;
  if (program.empty()) {
    Refused("There is no program to test: assemble it first (Files > Assemble Source...), or name it on a "
            "program line of the test file.");
    return false;
  }
  if (!grader::LoadProgram(loader, program, &program_, &diagnostics, &error)) {
    Refused(error, diagnostics);
    return false;
  }
  // Long runs keep the window responsive, with a Cancel after half a second.
  QProgressDialog progress("Running the tests...", "Cancel", 0, 0, this);
  progress.setObjectName("dlg_TestProgress");
  progress.setAccessibleName("Running the tests");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  grader::TestRunner runner(loader.Cpu().table());
  runner.SetPoll([&progress] {
    progress.setValue(0);
    QCoreApplication::processEvents();
    return !progress.wasCanceled();
  });
  grader::ProgramResult result = grader::GradeProgram(runner, file_, program_, kSeed);
  progress.reset();
  if (result.stopped) {
    Refused("The tests were stopped before the end; no result is shown.");
    return false;
  }
  results_ = {std::move(result)};
  results_[0].program = std::filesystem::path(program).filename().string();
  Fill();
  return true;
}

void TestResultsWindow::Fill() {
  const grader::ProgramResult& result = results_.front();
  summary_->setText(Text(std::filesystem::path(test_path_).filename().string() + " on " + grader::SummaryLine(result)));
  // Spoken once the window is shown (it is shown after the first run).
  QTimer::singleShot(0, this, [this] { Announce(this, summary_->text()); });
  list_->clear();
  for (const grader::TestResult& t : result.tests) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(kResult, t.passed ? "PASS" : "FAIL");
    item->setText(kPoints, QString("%1/%2").arg(t.score).arg(t.test->points));
    // A hidden test says only whether it passed.
    if (t.test->Hidden()) {
      item->setText(kName, "hidden test");
      item->setText(kMessage, t.passed ? "hidden test: passed" : "hidden test: failed");
      item->setForeground(kResult, t.passed ? Colours().pass_text : Colours().fail_text);
      continue;
    }
    item->setText(kName, Text(t.test->name));
    // Every failure, the inputs and how the runs ended; the first failure
    // in the column, all of it in the tooltip and the accessible text.
    QStringList lines;
    if (!t.passed) lines.append(Text(grader::FailureText(result, t)));
    for (const std::string& line : grader::FailureDetails(result, t)) lines.append(Text(line));
    item->setText(kMessage, lines.value(0));
    item->setToolTip(kMessage, lines.join('\n'));
    item->setData(kMessage, Qt::AccessibleTextRole, lines.join("; "));
    item->setForeground(kResult, t.passed ? Colours().pass_text : Colours().fail_text);
  }
  for (int c = kResult; c < kMessage; ++c) list_->resizeColumnToContents(c);
  // The first failed test is selected, ready for Show.
  const auto first_failed = std::find_if(result.tests.begin(), result.tests.end(), [](const auto& t) { return !t.passed; });
  list_->setCurrentItem(list_->topLevelItem(static_cast<int>(first_failed == result.tests.end() ? 0 : first_failed - result.tests.begin())));
  SelectionChanged();
}

void TestResultsWindow::SelectionChanged() {
  const int row = list_->currentIndex().row();
  const bool can_show = !results_.empty() && row >= 0 && row < static_cast<int>(results_[0].tests.size()) &&
                        !results_[0].tests[static_cast<size_t>(row)].test->Hidden() &&
                        results_[0].tests[static_cast<size_t>(row)].FailedAt().has_value();
  show_->setEnabled(can_show);
}

bool TestResultsWindow::ShowFailure(int row) {
  if (running_ || results_.empty() || row < 0 || row >= static_cast<int>(results_[0].tests.size())) return false;
  const grader::TestResult& test = results_[0].tests[static_cast<size_t>(row)];
  const auto at = test.FailedAt();
  if (!at || test.test->Hidden()) return false;
  std::string error;
  if (!grader::ReplayTo(model_, program_, *test.test, test.start_seed, *at, &error)) {
    QMessageBox::warning(this, "Run Tests", Text(error));
    return false;
  }
  emit FailureShown(at->address);
  return true;
}

void TestResultsWindow::Refused(const std::string& why, const std::vector<Diagnostic>& diagnostics) {
  if (diagnostics.empty()) {
    QMessageBox::warning(this, "Run Tests", Text(why));
    return;
  }
  SourceLoad shown;
  shown.error = why;
  shown.diagnostics = diagnostics;
  DiagnosticsDialog dialog(shown, this);
  dialog.setWindowTitle("Run Tests");
  dialog.exec();
}

}  // namespace scmp
