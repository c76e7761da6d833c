// scmp-run: the headless runner. It drives the front panel model exactly as
// a user drives the window, for batch runs, regression tests and benchmarks.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace scmp {

// Runs with the command-line arguments `args` (without the program name).
// `exe_path` locates the default data folder. Returns the exit status: 0 when
// the run ended, 1 when a file could not be read or written, 2 for bad
// options.
int RunBatch(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
             std::ostream& err);

}  // namespace scmp
