#include <algorithm>

#include "core/file_reader.h"
#include "grader/report.h"

namespace scmp::grader {

namespace {

std::string Points(int64_t score, int64_t max) { return std::to_string(score) + "/" + std::to_string(max); }

// Columns on a terminal: one per character, not per byte, so that a name
// with é does not push the columns after it.
size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return width;
}

std::string Padded(const std::string& text, size_t width) {
  const size_t shown = DisplayWidth(text);
  return text + std::string(width > shown ? width - shown : 0, ' ');
}

}  // namespace

std::string FailureText(const ProgramResult& program, const TestResult& test) {
  if (!program.Loaded()) return "not run: " + program.load_error;
  const std::vector<std::string> failures = test.Failures();
  return failures.empty() ? std::string() : failures.front();
}

std::string TestLine(const ProgramResult& program, const TestResult& test, bool show_hidden) {
  const std::string points = " (" + Points(test.score, test.test->points) + ")";
  if (test.test->Hidden() && !show_hidden) return std::string("hidden test: ") + (test.passed ? "passed" : "failed") + points;
  std::string line = (test.passed ? "PASS " : "FAIL ") + test.test->name + points;
  if (!test.passed) line += ": " + FailureText(program, test);
  return line;
}

std::vector<std::string> FailureDetails(const ProgramResult& program, const TestResult& test) {
  std::vector<std::string> lines;
  if (test.passed || !program.Loaded()) return lines;
  const std::vector<std::string> failures = test.Failures();
  for (size_t i = 1; i < failures.size(); ++i) lines.push_back("also: " + failures[i]);
  for (const std::string& detail : test.Details()) lines.push_back(detail);
  return lines;
}

std::string SummaryLine(const ProgramResult& program) {
  return program.program + ": " + Points(program.score, program.max_score) + " points, " +
         std::to_string(program.Passed()) + " of " + std::to_string(program.tests.size()) + " tests passed";
}

// Every line for the terminal goes through the escaping of every other
// message: test names and paths come from files and may hold ESC or BEL.
void WriteProgramText(const ProgramResult& program, std::ostream& out, bool show_hidden) {
  if (!program.Loaded()) out << Escaped(program.program + ": could not be loaded: " + program.load_error) << "\n";
  for (const TestResult& test : program.tests) {
    out << Escaped(TestLine(program, test, show_hidden)) << "\n";
    // Further failures, the inputs and how the runs ended, one a line under it.
    if (!test.test->Hidden() || show_hidden)
      for (const std::string& line : FailureDetails(program, test)) out << "     " << Escaped(line) << "\n";
  }
  out << Escaped(SummaryLine(program)) << "\n";
}

void WriteClassTable(const std::vector<ProgramResult>& programs, std::ostream& out) {
  size_t width = 7;
  std::vector<std::string> names;
  for (const ProgramResult& p : programs) names.push_back(Escaped(p.program));
  for (const std::string& name : names) width = std::max(width, DisplayWidth(name));
  out << Padded("program", width) << "  " << Padded("points", 9) << "tests\n";
  for (size_t i = 0; i < programs.size(); ++i) {
    const ProgramResult& p = programs[i];
    out << Padded(names[i], width) << "  " << Padded(Points(p.score, p.max_score), 9)
        << Points(p.Passed(), static_cast<int64_t>(p.tests.size())) << (p.Loaded() ? "" : "  not loaded") << "\n";
  }
}

std::string CsvField(std::string_view text) {
  std::string cell(text);
  // A spreadsheet reads a cell that begins so as a formula: a quote first
  // keeps it text.
  if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos) cell.insert(0, "'");
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string field = "\"";
  for (char c : cell) field += c == '"' ? std::string("\"\"") : std::string(1, c);
  return field + "\"";
}

std::string CsvReport(const std::vector<ProgramResult>& programs) {
  std::string csv = "file,score,max_score,loaded";
  if (!programs.empty())
    for (const TestResult& t : programs.front().tests) csv += "," + CsvField(t.test->name);
  csv += "\n";
  for (const ProgramResult& p : programs) {
    csv += CsvField(p.program) + "," + std::to_string(p.score) + "," + std::to_string(p.max_score) + "," +
           (p.Loaded() ? "yes" : "no");
    for (const TestResult& t : p.tests) csv += "," + std::to_string(t.score);
    csv += "\n";
  }
  return csv;
}

}  // namespace scmp::grader
