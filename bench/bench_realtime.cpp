// A paced run at Real time against the wall clock: a mixed loop (port
// reads and writes, memory, jumps and a short DLY) runs on the panel model
// for a given time; printed are the emulated time, the wall time, their
// difference and the process's CPU time as a share of one core.
//
//   bench_realtime [SECONDS] [FACTOR]     default 10 s at 1 (Real time)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "trainer/panel_model.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int factor = argc > 2 ? std::atoi(argv[2]) : 1;
  if (seconds <= 0 || factor <= 0) {
    std::fprintf(stderr, "usage: %s [SECONDS] [FACTOR]\n", argv[0]);
    return 2;
  }

  scmp::PanelModel model;
  std::string error;
  if (!model.StartUp(SCMP_SOURCE_DATA_DIR, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::vector<int> program = {
      0xC4, 0x0A, 0x35,  // 001 LDI 0A; XPAH P1: P1 = the port
      0xC1, 0x00,        // 004 loop: LD 0(P1)
      0xF4, 0x01,        // 006 ADI 1
      0xC9, 0x00,        // 008 ST 0(P1)
      0xC8, 0x10,        // 00A ST 01B
      0xA8, 0x0F,        // 00C ILD 01C
      0x8F, 0x01,        // 00E DLY 01
      0x90, 0xF2,        // 010 JMP loop
  };
  for (size_t i = 0; i < program.size(); ++i) model.Memory().data[1 + i] = static_cast<int16_t>(program[i]);

  model.SetSpeed(factor);
  model.MutableOptions().pause_count = 0;
  // HLT once the time is up, as a user would: from the loop's pump.
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  model.SetPumpHook([&] {
    if (std::chrono::steady_clock::now() >= end && !model.HaltRequested()) model.Halt();
  });
  const uint64_t microcycles_before = model.Cpu().microcycles;
  const double cpu_before = CpuSeconds();
  model.ToggleSingleStep();
  model.RunOrProgram();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu_before;
  const double emulated = static_cast<double>(model.Cpu().microcycles - microcycles_before) / 1e6 / factor;

  std::printf("speed: %s\n", scmp::PanelModel::SpeedName(factor).c_str());
  std::printf("instructions: %llu\n", static_cast<unsigned long long>(model.ExecutedSteps()));
  std::printf("emulated seconds (/factor): %.4f\n", emulated);
  std::printf("wall seconds: %.4f\n", wall);
  std::printf("emulated - wall: %+.3f%%\n", (emulated - wall) / wall * 100.0);
  std::printf("cpu seconds: %.4f (%.2f%% of one core)\n", cpu, cpu / wall * 100.0);
  return 0;
}
