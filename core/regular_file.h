// Opening a file that is to be read to its end: only a regular file will do.
// A folder, a device such as /dev/zero or a pipe nobody writes to would make
// a reader fail oddly, never finish or wait for ever.
#pragma once

#include <string>

namespace scmp {

// Opens `path` for reading and returns the descriptor, or -1 with `reason`
// set ("No such file or directory", "it is a folder", "it is not a regular
// file"). Opening never blocks, even on a pipe.
int OpenRegularFile(const std::string& path, std::string* reason);

}  // namespace scmp
