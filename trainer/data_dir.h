// Where the data folder is: the folder that holds SCMP.DEL, Samples/ and
// TRACE.LOG.
#pragma once

#include <string>

namespace scmp {

// The first of: `option_dir` (from --dir) when not empty, `env_dir` (the
// SCMP_DIR variable) when not null or empty, else the "Scmp" folder beside
// the executable at `exe_path`. The result ends in "/".
std::string ResolveDataDir(const std::string& option_dir, const char* env_dir, const std::string& exe_path);

}  // namespace scmp
