// A test file (*.test): tests of a board program, each a start state, a
// run, inputs on a timeline and expectations. Read whole or refused whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"
#include "core/table.h"
#include "grader/expectation.h"

namespace scmp::grader {

// How a run ends: at a HALT (failing when it does not come within the
// limit), or after a time.
struct RunLimit {
  bool until_halt = true;
  uint64_t microcycles = 0;   // 0: no time limit
  uint64_t instructions = 0;  // 0: no instruction limit
};

// An input on the timeline: the data switches set, or a panel button pressed.
enum class InputKind { kSwitches, kPressHalt, kPressReset };
struct TimedInput {
  uint64_t at = 0;  // microcycles from the start of the run
  InputKind kind = InputKind::kSwitches;
  int value = 0;  // the switches' byte
};

struct CellSet {
  int address = 0;
  std::vector<int> bytes;
};

struct TestCase {
  std::string name;
  int points = 1;
  int line = 0;
  int switches = 0;
  bool randomize = false;
  std::vector<CellSet> cells;      // set before the run, after randomize
  RunLimit run;
  std::vector<TimedInput> inputs;  // in time order; equal times in file order
  std::optional<std::pair<int, int>> writes_range;  // from `expect writes only`
  bool watch_code_writes = false;                    // from `forbid self-modifying`
  ExpectationList expectations;                      // in file order, the run's own first
};

struct TestFile {
  std::string path;
  std::string program;  // the `program` line, as written; empty when none
  std::vector<TestCase> tests;
  int MaxScore() const;
};

// Reads `text` (named `path` in messages). `table` checks the mnemonics of
// `forbid` lines; null accepts any. On any error nothing is kept: false, with
// every error in `diagnostics` as FILE:LINE:COL.
bool ParseTestFile(std::string_view text, const std::string& path, const InstructionTable* table, TestFile* out,
                   std::vector<Diagnostic>* diagnostics);

// Reads the file at `path` and parses it; a file that cannot be read gives
// one diagnostic at line 0.
bool ReadTestFile(const std::string& path, const InstructionTable* table, TestFile* out,
                  std::vector<Diagnostic>* diagnostics);

// Times as the format writes them: decimal with us, ms or s ("1.5s"), whole
// microseconds, at most one hour. Exposed for tests.
std::optional<uint64_t> ParseTime(std::string_view text);

}  // namespace scmp::grader
