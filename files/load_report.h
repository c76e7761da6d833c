// The one line a successful load reports, such as "ECHO.s: 12 bytes, 001-00C".
#pragma once

#include <string>

namespace scmp {

// `file_name` as it is to be shown (usually without its folder); `first` and
// `last` the lowest and highest address stored. Bytes that were dropped for
// want of RAM are named after the range; a load that stored nothing says so.
std::string LoadReport(const std::string& file_name, int stored, int first, int last, int dropped = 0);

}  // namespace scmp
