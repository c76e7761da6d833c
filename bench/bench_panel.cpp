// The full step routine through the front panel model: Run / Prgm with
// single step off and a pause count of N, once on the speed path (no trace)
// and once with every instruction traced to a file.
//
//   bench_panel [N] [fast|trace|both] [trace-file]
//
// Under valgrind --tool=callgrind, run it with two counts and divide the
// difference of the totals by the difference of the counts to get host
// instructions per emulated instruction.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "panel/panel_model.h"

namespace {

// A mixed loop: loads, stores, adds, auto-indexing, the port and a taken jump.
// 001 LDI 02      ; P2 = 0200
// 003 XPAH P2
// 004 LD @1(P2)   ; walk a table upwards
// 006 ADD 0(P2)
// 008 ST 5(P2)
// 00A XAE
// 00B XRI 55
// 00D XPAL P2     ; keep P2 within 0200..027F
// 00E ANI 7F
// 010 XPAL P2
// 011 JMP -15     ; back to 004
constexpr unsigned char kProgram[] = {0xC4, 0x02, 0x36, 0xC6, 0x01, 0xF2, 0x00, 0xCA, 0x05,
                                      0x01, 0xE4, 0x55, 0x32, 0xD4, 0x7F, 0x32, 0x90, 0xF1};

double RunOnce(int32_t steps, const char* trace_file) {
  scmp::PanelModel panel;
  panel.SetWaitHook([](double) {});
  std::string error;
  if (!panel.StartUp(SCMP_SOURCE_DATA_DIR, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  for (unsigned i = 0; i < sizeof kProgram; ++i) panel.Memory().data[1 + i] = kProgram[i];
  if (trace_file != nullptr && !panel.EnableTrace(trace_file, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  panel.MutableOptions().PauseCount = steps;
  panel.cmd_SST();
  const auto t0 = std::chrono::steady_clock::now();
  panel.cmd_Run();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (panel.InstructionCount() != steps) {
    std::fprintf(stderr, "ran %d instructions, not %d\n", panel.InstructionCount(), steps);
    std::exit(1);
  }
  panel.CloseTrace();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int32_t steps = argc > 1 ? std::atoi(argv[1]) : 100000000;
  const std::string mode = argc > 2 ? argv[2] : "both";
  const char* trace_file = argc > 3 ? argv[3] : "/tmp/bench_panel_trace.log";
  if (steps <= 0 || steps > 1000000000) {
    std::fprintf(stderr, "usage: bench_panel [N 1..1000000000] [fast|trace|both] [trace-file]\n");
    return 2;
  }
  if (mode == "fast" || mode == "both") {
    const double s = RunOnce(steps, nullptr);
    std::printf("step routine, fast mode:  %d instructions in %.3f s = %.1f million/s\n", steps, s, steps / s / 1e6);
  }
  if (mode == "trace" || mode == "both") {
    const int32_t traced = mode == "both" ? steps / 20 : steps;
    const double s = RunOnce(traced, trace_file);
    std::printf("step routine, traced:     %d instructions in %.3f s = %.2f million/s\n", traced, s,
                traced / s / 1e6);
  }
  return 0;
}
