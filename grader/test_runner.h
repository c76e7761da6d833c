// Runs one test on a board of its own: the processor core through its
// observed stepping path, the lamps and switches as plain values, inputs
// applied at instruction boundaries by emulated microcycles. Never waits:
// a run takes as long as the host needs, and the same test gives the same
// record every time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

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
// `seed` is the test's own: TestSeed of the grading's seed, the test's name
// and the trial, so that each test and each trial draws fresh values and
// any one of them can be run again alone.
StartState MakeStartState(const ProgramImage& program, const TestCase& test, uint64_t seed);
uint64_t TestSeed(uint64_t seed, std::string_view name, int trial);

class TestRunner {
 public:
  explicit TestRunner(const InstructionTable& table);
  ~TestRunner();
  TestRunner(const TestRunner&) = delete;
  TestRunner& operator=(const TestRunner&) = delete;

  // Runs `test`'s first run on `program` from its start state (`seed` as
  // MakeStartState takes it) and records what the expectations read.
  const RunRecord& Run(const ProgramImage& program, const TestCase& test, uint64_t seed);
  // Then its later run `index` (0 the second run), from where the run
  // before left the board. The record is the same object, renewed.
  const RunRecord& RunLater(const TestCase& test, size_t index);

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
