#include <nlohmann/json.hpp>

#include "grader/report.h"

namespace scmp::grader {

namespace {

// Test names and messages come from files: bytes that are no UTF-8 are
// replaced rather than refused.
std::string JsonText(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

nlohmann::json ProgramJson(const ProgramResult& program) {
  nlohmann::json tests = nlohmann::json::array();
  for (const TestResult& t : program.tests) {
    std::string output;
    if (!program.Loaded()) {
      output = FailureText(program, t);
    } else {
      for (const std::string& failure : t.Failures()) output += (output.empty() ? "" : "\n") + failure;
    }
    tests.push_back({{"name", t.test->name},
                     {"score", t.score},
                     {"max_score", t.test->points},
                     {"status", t.passed ? "passed" : "failed"},
                     {"output", output}});
  }
  return {{"score", program.score}, {"max_score", program.max_score}, {"tests", tests}};
}

}  // namespace

std::string JsonReport(const std::vector<ProgramResult>& programs) {
  if (programs.size() == 1) return JsonText(ProgramJson(programs.front()));
  nlohmann::json all = nlohmann::json::object();
  for (const ProgramResult& p : programs) all[p.program] = ProgramJson(p);
  return JsonText({{"programs", all}});
}

}  // namespace scmp::grader
