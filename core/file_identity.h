// Which file a path names, whatever the spelling: "x.s", "./x.s", ".//x.s"
// and a link to it are one file. The assembler uses it to find include
// cycles, the command lines to refuse an output that is one of the inputs.
#pragma once

#include <string>

namespace scmp {

struct FileIdentity {
  std::string id;
  long long size = -1;  // -1 when unknown or not a regular file
  // A device or pipe (/dev/null, /dev/stdout) may stand for several files
  // at once, so it is never the same file as another name.
  bool shared = false;

  bool SameFileAs(const FileIdentity& other) const { return !shared && !other.shared && id == other.id; }
};

// The device and inode (and the size) of the file at `path` when it can be
// looked at, through links; otherwise (a file not yet written, or one that
// exists only for the caller's reader) its absolute path with "." "..",
// doubled slashes and the links in its folders resolved.
FileIdentity IdentifyFile(const std::string& path);

}  // namespace scmp
