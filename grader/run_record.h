// What a graded run leaves behind for the expectations to read: the lamps
// over time, the state at the end, and the first moment of each thing a
// test may forbid. Filled by the test runner, read by every Expectation.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/machine.h"
#include "core/table.h"
#include "grader/moment.h"

namespace scmp::grader {

// The lamps as one word: bits 0..7 the LEDs, 8..10 the flag LEDs F0..F2,
// bit 11 the Halt LED.
constexpr int kFlagShift = 8;
constexpr int kHaltLedBit = 1 << 11;

struct LampChange {
  uint16_t lamps = 0;
  Moment moment;  // when the lamps took this state
};

// A write the test forbids, with the instruction that made it.
struct ForbiddenWrite {
  int address = 0;
  Moment moment;
};

// The lamps' changes one run records at most (16 MB, 48 MB while the
// vector grows): a tight loop that toggles the LEDs for an hour would need
// gigabytes.
constexpr size_t kMostLampChanges = 1u << 19;
constexpr uint64_t kWholeRun = ~uint64_t{0};

struct RunRecord {
  // Every change of the lamps in order, the state at the start first. An
  // input and the instruction that ended at the same microcycle both stand
  // here, the input after: at that moment the input has applied.
  std::vector<LampChange> lamps;
  Moment end;                 // the last moment of the run
  bool halted = false;        // the processor stood halted at the end
  bool limit_reached = false;  // the run's own time or instruction limit ended it
  MachineState registers;     // at the end
  MemoryArray memory;         // at the end
  int program_size = 0;       // bytes the program loaded
  // The first time each opcode ran (instruction 0: never).
  std::array<Moment, 256> first_run{};
  std::optional<ForbiddenWrite> outside_write;  // outside the test's `writes only` range
  std::optional<ForbiddenWrite> code_write;     // to a byte that had been executed
  std::optional<ForbiddenWrite> written_run;    // a byte the program wrote, executed
  // The switches over the run: the start's at 0, then each setting.
  std::vector<std::pair<uint64_t, int>> switches;
  // Set when the lamps changed more often than the record keeps, at the
  // moment the run stopped for it.
  std::optional<Moment> changes_overflow;
  const InstructionTable* table = nullptr;

  uint16_t FinalLamps() const { return lamps.empty() ? 0 : lamps.back().lamps; }
};

}  // namespace scmp::grader
