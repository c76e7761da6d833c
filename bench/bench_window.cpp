// A free run in the window against the same run without one: how much of the
// time the window's pumping and redrawing take.
//
//   bench_window [N]      default 300000000 instructions
//
// Runs offscreen unless QT_QPA_PLATFORM or a display says otherwise. The
// program stores A on the LEDs, adds one and jumps back, forever; both runs
// end on the pause count N. The window runs have View > Checks off, as the
// bare runs do; a last pair measures the checks on, in the window and without.
#include <QAction>
#include <QApplication>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "trainer/panel_model.h"
#include "ui/main_window.h"

namespace {

// 001 LDI 0A; 003 XPAH P1 (P1 = 0A00, the port); 004 ST 0(P1); 006 ADI 01;
// 008 JMP -6 (back to 004).
constexpr int kProgram[] = {0xC4, 0x0A, 0x35, 0xC9, 0x00, 0xF4, 0x01, 0x90, 0xFA};

void Prepare(scmp::PanelModel& model, int32_t steps) {
  std::string error;
  if (!model.StartUp(SCMP_SOURCE_DATA_DIR, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  for (unsigned i = 0; i < std::size(kProgram); ++i) model.Memory().data[1 + i] = static_cast<int16_t>(kProgram[i]);
  model.MutableOptions().pause_count = steps;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int32_t steps = argc > 1 ? std::atoi(argv[1]) : 300000000;
  if (steps <= 0 || steps > 1000000000) {
    std::fprintf(stderr, "usage: bench_window [N 1..1000000000]\n");
    return 2;
  }

  // Without a window, as scmp-run runs.
  scmp::PanelModel bare;
  Prepare(bare, steps);
  bare.SetWaitHook([](double) {});
  bare.ToggleSingleStep();
  auto start = std::chrono::steady_clock::now();
  bare.RunOrProgram();
  const double bare_seconds = Seconds(start);

  // In the window: the buttons are clicked as a user clicks them.
  scmp::PanelModel model;
  Prepare(model, steps);
  scmp::PanelWindow window(model);
  window.show();
  window.findChild<QAction*>("mnu_Checks")->setChecked(false);
  QApplication::processEvents();
  window.findChild<QPushButton*>("cmd_SST")->click();
  start = std::chrono::steady_clock::now();
  window.findChild<QPushButton*>("cmd_Run")->click();
  const double window_seconds = Seconds(start);

  // The Monitor open: the history is recorded and the Monitor redrawn about
  // ten times a second, against a bare run that records the history too.
  scmp::PanelModel bare_history;
  Prepare(bare_history, steps);
  bare_history.SetWaitHook([](double) {});
  bare_history.SetHistoryRecording(true);
  bare_history.ToggleSingleStep();
  start = std::chrono::steady_clock::now();
  bare_history.RunOrProgram();
  const double bare_history_seconds = Seconds(start);

  scmp::PanelModel monitored;
  Prepare(monitored, steps);
  scmp::PanelWindow monitored_window(monitored);
  monitored_window.show();
  monitored_window.findChild<QAction*>("mnu_Checks")->setChecked(false);
  monitored_window.findChild<QAction*>("mnu_Monitor")->trigger();
  QApplication::processEvents();
  monitored_window.findChild<QPushButton*>("cmd_SST")->click();
  start = std::chrono::steady_clock::now();
  monitored_window.findChild<QPushButton*>("cmd_Run")->click();
  const double monitor_seconds = Seconds(start);

  // View > Checks on, as the window starts: every step goes through the checks.
  scmp::PanelModel bare_checked;
  Prepare(bare_checked, steps);
  bare_checked.SetWaitHook([](double) {});
  bare_checked.SetChecking(true);
  bare_checked.ToggleSingleStep();
  start = std::chrono::steady_clock::now();
  bare_checked.RunOrProgram();
  const double bare_checked_seconds = Seconds(start);

  scmp::PanelModel checked;
  Prepare(checked, steps);
  scmp::PanelWindow checked_window(checked);
  checked_window.show();
  QApplication::processEvents();
  checked_window.findChild<QPushButton*>("cmd_SST")->click();
  start = std::chrono::steady_clock::now();
  checked_window.findChild<QPushButton*>("cmd_Run")->click();
  const double checked_seconds = Seconds(start);

  if (bare.InstructionCount() != steps || model.InstructionCount() != steps || monitored.InstructionCount() != steps ||
      bare_checked.InstructionCount() != steps || checked.InstructionCount() != steps) {
    std::fprintf(stderr, "a run did not reach the pause count\n");
    return 1;
  }
  std::printf("without a window: %d instructions in %.3f s = %.1f million/s\n", steps, bare_seconds,
              steps / bare_seconds / 1e6);
  std::printf("in the window:    %d instructions in %.3f s = %.1f million/s (%.0f%% of the speed without)\n", steps,
              window_seconds, steps / window_seconds / 1e6, 100.0 * bare_seconds / window_seconds);
  std::printf("history, no window: %d instructions in %.3f s = %.1f million/s\n", steps, bare_history_seconds,
              steps / bare_history_seconds / 1e6);
  std::printf("Monitor open:       %d instructions in %.3f s = %.1f million/s (%.0f%% of the speed without)\n", steps,
              monitor_seconds, steps / monitor_seconds / 1e6, 100.0 * bare_history_seconds / monitor_seconds);
  std::printf("checks, no window:  %d instructions in %.3f s = %.1f million/s\n", steps, bare_checked_seconds,
              steps / bare_checked_seconds / 1e6);
  std::printf("checks in window:   %d instructions in %.3f s = %.1f million/s (%.0f%% of the speed without)\n", steps,
              checked_seconds, steps / checked_seconds / 1e6, 100.0 * bare_checked_seconds / checked_seconds);
  return 0;
}
