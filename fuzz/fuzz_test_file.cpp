// The test-file reader on arbitrary text, with the shipped instruction
// table. A file is read whole or refused whole: refused with diagnostics at
// lines of the text, read with at least one test, each with a run, its
// inputs in time order and expectations that describe themselves. Each test
// read is then run, cut to a few thousand instructions, on a small program,
// and every outcome has a message exactly when it failed; later runs and
// trials included, every run says how it ended and the score stays in its
// bounds.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "grader/grade.h"

namespace {

using namespace scmp;
using namespace scmp::grader;

// The switches to the LEDs for ever, with a DLY and a HALT that a press of
// RST can reach.
ProgramImage SmallProgram() {
  const int bytes[] = {0xC4, 0x0A, 0x35, 0xC4, 0x00, 0x31, 0xC1, 0x00, 0xC9, 0x00, 0x8F, 0x01, 0x90, 0xF8, 0x00};
  ProgramImage image;
  image.memory.LayOutStartupMap();
  for (int i = 0; i < static_cast<int>(std::size(bytes)); ++i) {
    image.memory.data[1 + i] = static_cast<int16_t>(bytes[i]);
    image.loaded.set(static_cast<size_t>(1 + i));
  }
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
  TestFile file;
  std::vector<Diagnostic> diagnostics;
  const bool read = ParseTestFile(text, "fuzz.test", &fuzz::ShippedTable(), &file, &diagnostics);
  FUZZ_CHECK(read == diagnostics.empty());
  for (const Diagnostic& d : diagnostics) {
    FUZZ_CHECK(d.line >= 1 && d.line <= lines);
    FUZZ_CHECK(d.column >= 1);
    FUZZ_CHECK(!d.message.empty());
  }
  if (!read) {
    FUZZ_CHECK(file.tests.empty());
    return 0;
  }
  FUZZ_CHECK(!file.tests.empty());
  static TestRunner runner(fuzz::ShippedTable());
  static const ProgramImage program = SmallProgram();
  for (TestCase& test : file.tests) {
    FUZZ_CHECK(test.run.microcycles > 0 || test.run.instructions > 0);
    FUZZ_CHECK(std::is_sorted(test.inputs.begin(), test.inputs.end(),
                              [](const TimedInput& a, const TimedInput& b) { return a.at < b.at; }));
    for (const auto& e : test.expectations) FUZZ_CHECK(!e->Describe().empty());
    // A few thousand instructions at most, so that an hour-long run stays quick.
    auto cut = [](RunLimit& run) {
      run.instructions = run.instructions ? std::min<uint64_t>(run.instructions, 4000) : 4000;
    };
    cut(test.run);
    for (LaterRun& later : test.later_runs) {
      FUZZ_CHECK(later.run.microcycles > 0 || later.run.instructions > 0);
      FUZZ_CHECK(std::is_sorted(later.inputs.begin(), later.inputs.end(),
                                [](const TimedInput& a, const TimedInput& b) { return a.at < b.at; }));
      cut(later.run);
    }
    for (const auto& e : test.expectations) FUZZ_CHECK(e->Run() >= 0 && e->Run() <= static_cast<int>(test.later_runs.size()));
    FUZZ_CHECK(test.trials >= 1 && test.trials <= kMostTrials);
    FUZZ_CHECK(test.points >= 0 && test.points <= kMostPointsOfATest);
    test.trials = std::min(test.trials, 2);
  }
  FUZZ_CHECK(file.MaxScore() <= kMostPointsOfAFile);
  const ProgramResult result = GradeProgram(runner, file, program, size);
  FUZZ_CHECK(result.score >= 0 && result.score <= result.max_score);
  for (const TestResult& t : result.tests) {
    for (const ExpectationResult& e : t.expectations) FUZZ_CHECK(e.outcome.passed == e.outcome.message.empty());
    FUZZ_CHECK(t.endings.size() == t.test->later_runs.size() + 1);
  }
  return 0;
}
