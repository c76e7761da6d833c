#include "grader/grade.h"

namespace scmp::grader {

std::vector<std::string> TestResult::Failures() const {
  std::vector<std::string> messages;
  for (const ExpectationResult& e : expectations)
    if (!e.outcome.passed) messages.push_back(e.outcome.message);
  return messages;
}

std::optional<Moment> TestResult::FailedAt() const {
  for (const ExpectationResult& e : expectations)
    if (!e.outcome.passed && e.outcome.moment) return e.outcome.moment;
  return std::nullopt;
}

int ProgramResult::Passed() const {
  int n = 0;
  for (const TestResult& t : tests) n += t.passed ? 1 : 0;
  return n;
}

ProgramResult GradeProgram(TestRunner& runner, const TestFile& file, const ProgramImage& program, uint64_t seed) {
  ProgramResult result;
  result.program = program.path;
  result.max_score = file.MaxScore();
  for (const TestCase& test : file.tests) {
    const RunRecord& run = runner.Run(program, test, seed);
    if (runner.Stopped()) {
      result.stopped = true;
      break;
    }
    TestResult t;
    t.test = &test;
    t.passed = true;
    for (const auto& e : test.expectations) {
      t.expectations.push_back({e.get(), e->Check(run)});
      t.passed = t.passed && t.expectations.back().outcome.passed;
    }
    t.score = t.passed ? test.points : 0;
    result.score += t.score;
    result.tests.push_back(std::move(t));
  }
  return result;
}

ProgramResult UnloadedProgram(const TestFile& file, const std::string& program, const std::string& error) {
  ProgramResult result;
  result.program = program;
  result.load_error = error;
  result.max_score = file.MaxScore();
  for (const TestCase& test : file.tests) {
    TestResult t;
    t.test = &test;
    result.tests.push_back(std::move(t));
  }
  return result;
}

}  // namespace scmp::grader
