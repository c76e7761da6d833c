// Which file a path names, whatever the spelling: "x.s", "./x.s", ".//x.s"
// and a link to it are one file. Used to find include cycles.
#pragma once

#include <string>

namespace scmp::assembler {

struct FileIdentity {
  std::string id;
  long long size = -1;  // -1 when unknown
};

// The device and inode (and the size) of the file at `path` when it can be
// looked at; otherwise (a file that exists only for the caller's reader)
// the path with "." and doubled slashes taken out.
FileIdentity IdentifyFile(const std::string& path);

}  // namespace scmp::assembler
