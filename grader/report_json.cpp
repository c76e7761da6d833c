#include <nlohmann/json.hpp>

#include "grader/report.h"

namespace scmp::grader {

namespace {

// Test names and messages come from files: bytes that are no UTF-8 are
// replaced rather than refused.
std::string JsonText(const nlohmann::json& value) {
  return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

// The whole of what a test says: every failure, the inputs and how the
// runs ended; for a program that did not load, why, with the loader's
// messages. An autograding service shows it as the test's output.
std::string TestOutput(const ProgramResult& program, const TestResult& t) {
  if (!program.Loaded()) return FailureText(program, t) + (program.load_output.empty() ? "" : "\n" + program.load_output);
  if (t.passed) return "";
  std::string output = FailureText(program, t);
  for (const std::string& line : FailureDetails(program, t)) output += "\n" + line;
  return output;
}

nlohmann::json ProgramJson(const ProgramResult& program) {
  nlohmann::json tests = nlohmann::json::array();
  for (const TestResult& t : program.tests)
    tests.push_back({{"name", t.test->name},
                     {"score", t.score},
                     {"max_score", t.test->points},
                     {"status", t.passed ? "passed" : "failed"},
                     {"visibility", VisibilityName(t.test->visibility)},
                     {"output", TestOutput(program, t)}});
  std::string output;
  if (!program.Loaded()) output = program.program + ": could not be loaded: " + program.load_error +
                                  (program.load_output.empty() ? "" : "\n" + program.load_output);
  return {{"score", program.score},
          {"max_score", program.max_score},
          {"execution_time", program.seconds},
          {"output", output},
          {"tests", tests}};
}

}  // namespace

std::string JsonReport(const std::vector<ProgramResult>& programs) {
  if (programs.size() == 1) return JsonText(ProgramJson(programs.front()));
  nlohmann::json all = nlohmann::json::object();
  double seconds = 0;
  std::string output;
  for (const ProgramResult& p : programs) {
    all[p.program] = ProgramJson(p);
    seconds += p.seconds;
    if (!p.Loaded()) output += all[p.program]["output"].get<std::string>() + "\n";
  }
  return JsonText({{"execution_time", seconds}, {"output", output}, {"programs", all}});
}

}  // namespace scmp::grader
