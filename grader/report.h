// The reports of a grading, all printed from the same results: lines for
// a person, a table for a class, JSON for autograding services, JUnit XML
// for CI systems and CSV for a spreadsheet.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "grader/grade.h"

namespace scmp::grader {

// What a failed test says: its first failure, or why it did not run.
std::string FailureText(const ProgramResult& program, const TestResult& test);

// "PASS adds the nibbles (10/10)" or "FAIL echoes the switches (0/5): ...".
std::string TestLine(const ProgramResult& program, const TestResult& test);
// "lab3.s: 10/15 points, 2 of 3 tests passed".
std::string SummaryLine(const ProgramResult& program);
// A test line for each test, then the summary line.
void WriteProgramText(const ProgramResult& program, std::ostream& out);
// One row per program: its name, points and tests passed, in columns.
void WriteClassTable(const std::vector<ProgramResult>& programs, std::ostream& out);

// {"score", "max_score", "tests": [...]}, or with several programs
// {"programs": {NAME: {...}}}.
std::string JsonReport(const std::vector<ProgramResult>& programs);
// <testsuites> with a <testsuite> per program.
std::string JunitReport(const std::vector<ProgramResult>& programs);
// A header row, then per program: file, score, max score, each test's points.
std::string CsvReport(const std::vector<ProgramResult>& programs);

// Text safe inside XML attributes and elements: the five special characters
// as entities, control characters XML 1.0 forbids as U+FFFD.
std::string XmlEscaped(std::string_view text);
// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text);

}  // namespace scmp::grader
