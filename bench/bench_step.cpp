// Speed of the full step routine: the panel model's run loop (fetch,
// execute, the cycles count, the trace line when tracing) on a mixed endless
// loop, once without and once with the trace log.
//
//   bench_step [INSTRUCTIONS [TRACED_INSTRUCTIONS [TRACE_FILE]]]
//
// Defaults: 50000000, 5000000 and /dev/null (the cost of the lines, not of
// the disk). A count of 0 skips that part. Under callgrind, compare runs
// that differ in one count to get host instructions per step.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "trainer/panel_model.h"

namespace {

bool ParseCount(const char* text, int32_t* out) {
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || v < 0 || v > 1000000000) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

void LoadProgram(scmp::PanelModel& model) {
  const std::vector<int> program = {
      0xC4, 0x02,  // 0001 LDI 02
      0x35,        // 0003 XPAH P1     P1 = 0200 (reads only)
      0xC4, 0x03,  // 0004 LDI 03
      0x36,        // 0006 XPAH P2     P2 = 0300, the variables
      0xC4, 0x04,  // 0007 LDI 04
      0x37,        // 0009 XPAH P3     P3 = 0400 (reads only)
      0xC5, 0x01,  // 000A loop: LD @1(P1)
      0xF2, 0x00,  // 000C ADD 0(P2)
      0xCA, 0x00,  // 000E ST 0(P2)
      0xC7, 0xFF,  // 0010 LD @-1(P3)
      0xE2, 0x01,  // 0012 XOR 1(P2)
      0xCA, 0x01,  // 0014 ST 1(P2)
      0xAA, 0x02,  // 0016 ILD 2(P2)
      0x02,        // 0018 CCL
      0x90, 0xEF,  // 0019 JMP loop
  };
  for (size_t i = 0; i < program.size(); ++i) model.Memory().data[1 + i] = static_cast<int16_t>(program[i]);
}

// Runs `count` instructions as a user would: RST, single step off, pause
// count = count, Run / Prgm. Returns the seconds taken.
double RunOnce(int32_t count, const std::string& trace_file) {
  scmp::PanelModel model;
  model.SetWaitHook([](double) {});
  model.SetPumpHook([] {});
  std::string error;
  if (!model.StartUp(SCMP_SOURCE_DATA_DIR, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  if (!trace_file.empty() && !model.EnableTrace(trace_file, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  LoadProgram(model);
  model.MutableOptions().pause_count = count;
  model.Reset();
  model.ToggleSingleStep();
  const auto start = std::chrono::steady_clock::now();
  model.RunOrProgram();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (model.InstructionCount() != count || model.HaltRequested()) {
    std::fprintf(stderr, "run ended after %d of %d instructions\n", model.InstructionCount(), count);
    std::exit(1);
  }
  model.CloseTrace();
  return seconds;
}

void Report(const char* what, int32_t count, double seconds) {
  std::printf("%s: %d instructions in %.3f s, %.0f emulated instructions per second\n", what, count, seconds,
              seconds > 0 ? count / seconds : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  int32_t plain = 50000000, traced = 5000000;
  std::string trace_file = "/dev/null";
  if ((argc > 1 && !ParseCount(argv[1], &plain)) || (argc > 2 && !ParseCount(argv[2], &traced)) || argc > 4) {
    std::fprintf(stderr, "usage: %s [INSTRUCTIONS [TRACED_INSTRUCTIONS [TRACE_FILE]]]\n", argv[0]);
    return 2;
  }
  if (argc > 3) trace_file = argv[3];
  if (plain > 0) Report("step routine, no trace", plain, RunOnce(plain, ""));
  if (traced > 0) Report("step routine, trace", traced, RunOnce(traced, trace_file));
  return 0;
}
