// Grading: every test of a test file run on a program, every expectation
// judged. The results are what every report prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "grader/program_load.h"
#include "grader/test_file.h"
#include "grader/test_runner.h"

namespace scmp::grader {

struct ExpectationResult {
  const Expectation* expectation = nullptr;
  Outcome outcome;
};

struct TestResult {
  const TestCase* test = nullptr;
  std::vector<ExpectationResult> expectations;
  bool passed = false;
  int score = 0;  // all the test's points when every expectation held, else 0
  // The failed expectations' messages, the first one first.
  std::vector<std::string> Failures() const;
  // The moment of the first failed expectation that has one: where Show stops.
  std::optional<Moment> FailedAt() const;
};

struct ProgramResult {
  std::string program;  // as named on the command line or in the test file
  std::string load_error;  // why the program could not be loaded; empty when it was
  std::vector<TestResult> tests;
  int score = 0;
  int max_score = 0;
  bool stopped = false;  // the runner's poll stopped the grading; the results are incomplete
  bool Loaded() const { return load_error.empty(); }
  int Passed() const;
};

// Runs every test of `file` on `program`.
ProgramResult GradeProgram(TestRunner& runner, const TestFile& file, const ProgramImage& program, uint64_t seed);
// The result of a program that could not be loaded: every test failed.
ProgramResult UnloadedProgram(const TestFile& file, const std::string& program, const std::string& error);

}  // namespace scmp::grader
