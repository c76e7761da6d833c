// Runs one test on a board of its own: the processor core through its
// observed stepping path, the lamps and switches as plain values, inputs
// applied at instruction boundaries by emulated microcycles. Never waits:
// a run takes as long as the host needs, and the same test gives the same
// record every time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/table.h"
#include "grader/program_load.h"
#include "grader/run_record.h"
#include "grader/test_file.h"

namespace scmp::grader {

// The start state of a test, as the runner and the window's replay set it
// up: the program, then `randomize` from the seed, then the test's cells.
// Registers as RST leaves them unless randomized.
struct StartState {
  MachineState registers;
  MemoryArray memory;
};
StartState MakeStartState(const ProgramImage& program, const TestCase& test, uint64_t seed);

class TestRunner {
 public:
  explicit TestRunner(const InstructionTable& table);
  ~TestRunner();
  TestRunner(const TestRunner&) = delete;
  TestRunner& operator=(const TestRunner&) = delete;

  // Runs `test` on `program` and records what the expectations read.
  const RunRecord& Run(const ProgramImage& program, const TestCase& test, uint64_t seed);

  // Called every few milliseconds of a run; false stops the run and every
  // run after it (Stopped() then says so), so that a window stays responsive
  // and can be stopped. None by default.
  void SetPoll(std::function<bool()> poll) { poll_ = std::move(poll); }
  bool Stopped() const { return stopped_; }

 private:
  struct Machine;
  std::unique_ptr<Machine> machine_;
  InstructionTable table_;
  std::function<bool()> poll_;
  bool stopped_ = false;
};

}  // namespace scmp::grader
