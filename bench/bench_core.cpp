// Speed of the processor core: a mixed endless loop (loads, stores, adds,
// auto-indexing, an increment and a taken jump) run through Processor::Run
// with the shipped SCMP.DEL.
//
//   bench_core [INSTRUCTIONS]     default 100000000
//
// Prints emulated instructions per second. For host instructions per
// emulated instruction, run it under callgrind twice, with a large and a
// tiny count, and divide the difference of the two Ir totals by the
// difference of the counts:
//
//   valgrind --tool=callgrind --callgrind-out-file=/dev/null bench_core 2000000
//   valgrind --tool=callgrind --callgrind-out-file=/dev/null bench_core 1000
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"

int main(int argc, char** argv) {
  uint64_t count = 100000000;
  if (argc > 1) {
    char* end = nullptr;
    count = std::strtoull(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || count == 0) {
      std::fprintf(stderr, "usage: %s [INSTRUCTIONS]\n", argv[0]);
      return 2;
    }
  }

  scmp::InstructionTable table;
  std::string error;
  if (!table.Load(std::string(SCMP_SOURCE_DATA_DIR) + "SCMP.DEL", &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  scmp::BareBoard board;
  scmp::Processor cpu(board);
  cpu.SetTable(table);
  cpu.memory.LayOutStartupMap();

  const std::vector<int> program = {
      0xC4, 0x02,  // 0001 LDI 02
      0x35,        // 0003 XPAH P1     P1 = 0200, walks through all memory (reads only)
      0xC4, 0x03,  // 0004 LDI 03
      0x36,        // 0006 XPAH P2     P2 = 0300, the variables
      0xC4, 0x04,  // 0007 LDI 04
      0x37,        // 0009 XPAH P3     P3 = 0400, walks down (reads only)
      0xC5, 0x01,  // 000A loop: LD @1(P1)
      0xF2, 0x00,  // 000C ADD 0(P2)
      0xCA, 0x00,  // 000E ST 0(P2)
      0xC7, 0xFF,  // 0010 LD @-1(P3)
      0xE2, 0x01,  // 0012 XOR 1(P2)
      0xCA, 0x01,  // 0014 ST 1(P2)
      0xAA, 0x02,  // 0016 ILD 2(P2)
      0x02,        // 0018 CCL
      0x90, 0xEF,  // 0019 JMP loop    0x0A - 0x19 - 2 = -17
  };
  for (size_t i = 0; i < program.size(); ++i) cpu.memory.data[1 + i] = static_cast<int16_t>(program[i]);

  const auto start = std::chrono::steady_clock::now();
  uint64_t done = 0;
  while (done < count && !cpu.halt_requested) {
    const uint64_t left = count - done;
    done += cpu.Run(static_cast<uint32_t>(left < 0x40000000u ? left : 0x40000000u));
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("instructions: %llu\n", static_cast<unsigned long long>(done));
  std::printf("seconds: %.3f\n", seconds);
  std::printf("emulated instructions per second: %.0f\n", seconds > 0 ? done / seconds : 0.0);
  std::printf("check: A=%02X P1=%04X P2=%04X P3=%04X [0300..0302]=%02X %02X %02X%s\n", cpu.state.A & 0xFF,
              cpu.state.P[1] & 0xFFFF, cpu.state.P[2] & 0xFFFF, cpu.state.P[3] & 0xFFFF, cpu.memory.data[0x300] & 0xFF,
              cpu.memory.data[0x301] & 0xFF, cpu.memory.data[0x302] & 0xFF, cpu.halt_requested ? " HALTED" : "");
  return cpu.halt_requested ? 1 : 0;
}
