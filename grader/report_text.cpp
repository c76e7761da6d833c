#include <algorithm>
#include <iomanip>

#include "core/file_reader.h"
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

// Every line for the terminal goes through the escaping of every other
// message: test names and paths come from files and may hold ESC or BEL.
void WriteProgramText(const ProgramResult& program, std::ostream& out) {
  if (!program.Loaded()) out << Escaped(program.program + ": could not be loaded: " + program.load_error) << "\n";
  for (const TestResult& test : program.tests) {
    out << Escaped(TestLine(program, test)) << "\n";
    // Further failures of the same test, one a line under it.
    const std::vector<std::string> failures = test.Failures();
    for (size_t i = 1; i < failures.size(); ++i) out << "     also: " << Escaped(failures[i]) << "\n";
  }
  out << Escaped(SummaryLine(program)) << "\n";
}

void WriteClassTable(const std::vector<ProgramResult>& programs, std::ostream& out) {
  size_t width = 7;
  std::vector<std::string> names;
  for (const ProgramResult& p : programs) names.push_back(Escaped(p.program));
  for (const std::string& name : names) width = std::max(width, name.size());
  out << std::left << std::setw(static_cast<int>(width)) << "program" << "  " << std::setw(9) << "points"
      << "tests\n";
  for (size_t i = 0; i < programs.size(); ++i) {
    const ProgramResult& p = programs[i];
    out << std::setw(static_cast<int>(width)) << names[i] << "  " << std::setw(9) << Points(p.score, p.max_score)
        << Points(p.Passed(), static_cast<int>(p.tests.size())) << (p.Loaded() ? "" : "  not loaded") << "\n";
  }
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
