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

// "PASS adds the nibbles (10/10)" or "FAIL echoes the switches (0/5): ...";
// a hidden test (any visibility but visible) as "hidden test: passed (2/2)"
// unless `show_hidden`.
std::string TestLine(const ProgramResult& program, const TestResult& test, bool show_hidden = false);
// What a failed test says after its first failure: "also: ..." for each
// further one, "inputs: ..." and "ended: ..." for each run.
std::vector<std::string> FailureDetails(const ProgramResult& program, const TestResult& test);
// "lab3.s: 10/15 points, 2 of 3 tests passed".
std::string SummaryLine(const ProgramResult& program);
// A test line for each test, then the summary line.
void WriteProgramText(const ProgramResult& program, std::ostream& out, bool show_hidden = false);
// One row per program: its name, points and tests passed, in columns.
void WriteClassTable(const std::vector<ProgramResult>& programs, std::ostream& out);

// {"score", "max_score", "execution_time", "output", "tests": [...]} as
// autograding services read it (each test with its "visibility"), or with
// several programs {"execution_time", "output", "programs": {NAME: {...}}}.
std::string JsonReport(const std::vector<ProgramResult>& programs);
// <testsuites> with a <testsuite> per program.
std::string JunitReport(const std::vector<ProgramResult>& programs);
// A header row, then per program: file, score, max score, loaded (yes or
// no), each test's points.
std::string CsvReport(const std::vector<ProgramResult>& programs);

// Text safe inside XML attributes and elements: the five special characters
// as entities, control characters XML 1.0 forbids as U+FFFD.
std::string XmlEscaped(std::string_view text);
// A CSV field, quoted when it holds a comma, a quote or a line break; one
// that begins with = + - @ (a formula to a spreadsheet) gets a ' first.
std::string CsvField(std::string_view text);

}  // namespace scmp::grader
