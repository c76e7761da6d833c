// scmp-test: grades board programs against a test file and writes the
// reports. A library so that tests can call it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace scmp {

// Exit statuses, the most serious first where several apply: 2 before 3
// before 1.
constexpr int kTestsPassed = 0;
constexpr int kTestsFailed = 1;
constexpr int kTestUsageError = 2;     // bad options, a bad test file, a report not written
constexpr int kProgramNotLoaded = 3;   // a program could not be assembled or loaded

// Runs with the command-line arguments `args` (without the program name).
// `exe_path` locates the default data folder.
int RunTestCommand(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
                   std::ostream& err);

}  // namespace scmp
