// Speed of runs while debugging, against the speed path: the panel model's
// run loop on a mixed endless loop (bench_step's), once on the speed path,
// once with a breakpoint and a watchpoint set (neither hit), once recording
// the history as the open Monitor does, once with the memory checks on as
// the window has them by default.
//
//   bench_debug [INSTRUCTIONS [MODE]]     default 50000000, all modes
//
// MODE is one of fast, break, history, checks. Under callgrind, compare runs of one
// mode that differ in the count to get host instructions per step.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "trainer/panel_model.h"

namespace {

enum class Mode { kFast, kBreak, kHistory, kChecks };

const std::vector<int> kProgram = {
    0xC4, 0x02, 0x35, 0xC4, 0x03, 0x36, 0xC4, 0x04, 0x37,  // P1 = 0200, P2 = 0300, P3 = 0400
    0xC5, 0x01, 0xF2, 0x00, 0xCA, 0x00, 0xC7, 0xFF,        // loop: LD @1(P1); ADD 0(P2); ST 0(P2); LD @-1(P3)
    0xE2, 0x01, 0xCA, 0x01, 0xAA, 0x02, 0x02, 0x90, 0xEF,  // XOR 1(P2); ST 1(P2); ILD 2(P2); CCL; JMP loop
};

double RunOnce(int32_t count, Mode mode) {
  scmp::PanelModel model;
  model.SetWaitHook([](double) {});
  model.SetPumpHook([] {});
  std::string error;
  if (!model.StartUp(SCMP_SOURCE_DATA_DIR, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  for (size_t i = 0; i < kProgram.size(); ++i) model.Memory().data[1 + i] = static_cast<int16_t>(kProgram[i]);
  if (mode == Mode::kBreak) {
    model.SetBreakpoint(0x800, true);
    model.SetWatchpoint(0x801, true);
  }
  model.SetHistoryRecording(mode == Mode::kHistory);
  model.SetChecking(mode == Mode::kChecks);
  model.MutableOptions().pause_count = count;
  model.Reset();
  model.ToggleSingleStep();
  const auto start = std::chrono::steady_clock::now();
  model.RunOrProgram();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (model.InstructionCount() != count) {
    std::fprintf(stderr, "run ended after %d of %d instructions\n", model.InstructionCount(), count);
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int32_t count = 50000000;
  if (argc > 1) count = static_cast<int32_t>(std::strtol(argv[1], nullptr, 10));
  const char* only = argc > 2 ? argv[2] : nullptr;
  if (count <= 0 || argc > 3) {
    std::fprintf(stderr, "usage: %s [INSTRUCTIONS [fast|break|history|checks]]\n", argv[0]);
    return 2;
  }
  struct {
    const char* name;
    Mode mode;
  } modes[] = {{"fast", Mode::kFast}, {"break", Mode::kBreak}, {"history", Mode::kHistory}, {"checks", Mode::kChecks}};
  double fast_rate = 0;
  for (const auto& m : modes) {
    if (only && std::strcmp(only, m.name) != 0) continue;
    const double seconds = RunOnce(count, m.mode);
    const double rate = seconds > 0 ? count / seconds : 0.0;
    if (m.mode == Mode::kFast) fast_rate = rate;
    std::printf("%-8s %d instructions in %.3f s, %.1f M emulated instructions per second", m.name, count, seconds,
                rate / 1e6);
    if (fast_rate > 0 && m.mode != Mode::kFast) std::printf(" (%.2f of the speed path)", rate / fast_rate);
    std::printf("\n");
  }
  return 0;
}
