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

// A `run` after the test's first: it begins as a user's RST and Start
// would, with the memory the run before left and the switches kept unless
// this run sets them.
struct LaterRun {
  int line = 0;
  std::optional<int> switches;
  std::vector<CellSet> cells;
  RunLimit run;
  std::vector<TimedInput> inputs;  // in time order, from this run's start
};

// Who sees a test's details, as autograding services name it.
enum class Visibility { kVisible, kHidden, kAfterDueDate, kAfterPublished };
const char* VisibilityName(Visibility visibility);  // "visible", "hidden", ...

// The largest points of a test and of a whole file: totals stay far
// inside 64 bits, and a file's fit in a plain int.
constexpr int kMostPointsOfATest = 1000000;
constexpr int64_t kMostPointsOfAFile = 1000000000;
constexpr int kMostTrials = 1000;

struct TestCase {
  std::string name;
  int points = 1;
  int line = 0;
  int trials = 1;  // runs with fresh random values; passes when every one passes
  Visibility visibility = Visibility::kVisible;
  int switches = 0;
  bool randomize = false;
  std::vector<CellSet> cells;      // set before the run, after randomize
  RunLimit run;
  std::vector<TimedInput> inputs;  // in time order; equal times in file order
  std::vector<LaterRun> later_runs;
  std::optional<std::pair<int, int>> writes_range;  // from `expect writes only`
  bool watch_code_writes = false;                    // from `forbid self-modifying`
  // In file order, each run's own first; Expectation::Run() says which run
  // each one checks (0 the first).
  ExpectationList expectations;
  bool Hidden() const { return visibility != Visibility::kVisible; }
};

struct TestFile {
  std::string path;
  std::string program;  // the `program` line, as written; empty when none
  std::vector<TestCase> tests;
  int64_t MaxScore() const;
};

// Reads `text` (named `path` in messages). `table` checks the mnemonics of
// `forbid` lines; null accepts any. On any error nothing is kept: false, with
// every error in `diagnostics` as FILE:LINE:COL.
bool ParseTestFile(std::string_view text, const std::string& path, const InstructionTable* table, TestFile* out,
                   std::vector<Diagnostic>* diagnostics);

// Reads the file at `path` and parses it; a file that cannot be read gives
// one diagnostic at line 0 that says so ("cannot read ...").
bool ReadTestFile(const std::string& path, const InstructionTable* table, TestFile* out,
                  std::vector<Diagnostic>* diagnostics);

// A diagnostic of the reader as printed: FILE:LINE:COL: error: ..., or
// FILE: cannot read ... when the file could not be read.
std::string TestFileMessage(const Diagnostic& diagnostic);

// Times as the format writes them: decimal with us, ms or s ("1.5s"), whole
// microseconds, at most one hour. Exposed for tests.
std::optional<uint64_t> ParseTime(std::string_view text);

}  // namespace scmp::grader
