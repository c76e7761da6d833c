// Grading: every test of a test file run on a program, every expectation
// judged. The results are what every report prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "grader/program_load.h"
#include "grader/test_file.h"
#include "grader/test_runner.h"

namespace scmp::grader {

struct ExpectationResult {
  const Expectation* expectation = nullptr;  // null for a limit of the grader itself
  Outcome outcome;
};

struct TestResult {
  const TestCase* test = nullptr;
  std::vector<ExpectationResult> expectations;
  bool passed = false;
  int score = 0;  // all the test's points when every expectation held, else 0
  // The trial shown: the first that failed, else the last that ran; and the
  // seed of the grading, which with the trial gives the start again.
  int trial = 1;
  uint64_t seed = 1;
  uint64_t start_seed = 0;  // what MakeStartState took: TestSeed(seed, name, trial)
  std::string inputs;       // "switches 21; randomized A=3C ...; seed 1, trial 3 of 8"
  std::vector<std::string> endings;  // how each run ended: "halted at 012 after 14 instructions"
  std::vector<Moment> run_ends;      // the last moment of each run
  double seconds = 0;                // host time the test took
  // The failed expectations' messages, the first one first.
  std::vector<std::string> Failures() const;
  // What a failure says beyond its messages: the inputs and how the runs
  // ended, one line each.
  std::vector<std::string> Details() const;
  // The moment of the first failed expectation that has one: where Show stops.
  std::optional<Moment> FailedAt() const;
};

struct ProgramResult {
  std::string program;  // as named on the command line or in the test file
  std::string load_error;  // why the program could not be loaded; empty when it was
  std::string load_output;  // the loader's messages (the assembler's errors), one a line
  std::vector<TestResult> tests;
  int64_t score = 0;
  int64_t max_score = 0;
  double seconds = 0;    // host time the grading took
  bool stopped = false;  // the runner's poll stopped the grading; the results are incomplete
  bool Loaded() const { return load_error.empty(); }
  int Passed() const;
};

// How to grade: the seed of `randomize`, and one trial alone to run again
// what a failure named (`--trial K`); all of each test's trials when none.
struct GradeOptions {
  uint64_t seed = 1;
  std::optional<int> only_trial;
};

// Runs every test of `file` on `program`.
ProgramResult GradeProgram(TestRunner& runner, const TestFile& file, const ProgramImage& program,
                           const GradeOptions& options);
inline ProgramResult GradeProgram(TestRunner& runner, const TestFile& file, const ProgramImage& program,
                                  uint64_t seed) {
  return GradeProgram(runner, file, program, GradeOptions{seed, std::nullopt});
}
// The result of a program that could not be loaded: every test failed.
ProgramResult UnloadedProgram(const TestFile& file, const std::string& program, const std::string& error,
                              const std::string& output = "");

}  // namespace scmp::grader
