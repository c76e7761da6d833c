// What the command-line programs share: the --dir option, the reading of
// the arguments with their usage errors, and where the program itself is.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace scmp {

// --dir DIR: the data folder holding SCMP.DEL and Samples/.
void AddDataDirOption(CLI::App& app, std::string& dir);

// Reads `args` (without the program name) into `app`. A usage error prints
// "NAME: message" and `usage` on `err` and gives exit status 2; -h/--help
// prints `help` on `out` and gives 0; otherwise nothing, and the caller goes on.
std::optional<int> ParseArguments(CLI::App& app, const std::vector<std::string>& args, const std::string& usage,
                                  const std::string& help, std::ostream& out, std::ostream& err);

}  // namespace scmp
