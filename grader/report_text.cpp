#include <algorithm>
#include <iomanip>

#include "grader/report.h"

namespace scmp::grader {

namespace {

std::string Points(int score, int max) { return std::to_string(score) + "/" + std::to_string(max); }

}  // namespace

std::string FailureText(const ProgramResult& program, const TestResult& test) {
  if (!program.Loaded()) return "not run: " + program.load_error;
  const std::vector<std::string> failures = test.Failures();
  return failures.empty() ? std::string() : failures.front();
}

std::string TestLine(const ProgramResult& program, const TestResult& test) {
  std::string line = (test.passed ? "PASS " : "FAIL ") + test.test->name + " (" +
                     Points(test.score, test.test->points) + ")";
  if (!test.passed) line += ": " + FailureText(program, test);
  return line;
}

std::string SummaryLine(const ProgramResult& program) {
  return program.program + ": " + Points(program.score, program.max_score) + " points, " +
         std::to_string(program.Passed()) + " of " + std::to_string(program.tests.size()) + " tests passed";
}

void WriteProgramText(const ProgramResult& program, std::ostream& out) {
  if (!program.Loaded()) out << program.program << ": could not be loaded: " << program.load_error << "\n";
  for (const TestResult& test : program.tests) {
    out << TestLine(program, test) << "\n";
    // Further failures of the same test, one a line under it.
    const std::vector<std::string> failures = test.Failures();
    for (size_t i = 1; i < failures.size(); ++i) out << "     also: " << failures[i] << "\n";
  }
  out << SummaryLine(program) << "\n";
}

void WriteClassTable(const std::vector<ProgramResult>& programs, std::ostream& out) {
  size_t width = 7;
  for (const ProgramResult& p : programs) width = std::max(width, p.program.size());
  out << std::left << std::setw(static_cast<int>(width)) << "program" << "  " << std::setw(9) << "points"
      << "tests\n";
  for (const ProgramResult& p : programs)
    out << std::setw(static_cast<int>(width)) << p.program << "  " << std::setw(9) << Points(p.score, p.max_score)
        << Points(p.Passed(), static_cast<int>(p.tests.size())) << (p.Loaded() ? "" : "  not loaded") << "\n";
  out << std::right;
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string field = "\"";
  for (char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
  return field + "\"";
}

std::string CsvReport(const std::vector<ProgramResult>& programs) {
  std::string csv = "file,score,max_score";
  if (!programs.empty())
    for (const TestResult& t : programs.front().tests) csv += "," + CsvField(t.test->name);
  csv += "\n";
  for (const ProgramResult& p : programs) {
    csv += CsvField(p.program) + "," + std::to_string(p.score) + "," + std::to_string(p.max_score);
    for (const TestResult& t : p.tests) csv += "," + std::to_string(t.score);
    csv += "\n";
  }
  return csv;
}

}  // namespace scmp::grader
