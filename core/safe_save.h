// Saving a file so that a failure or a kill never leaves a half-written one:
// the contents go to a temporary file beside the target, which is then
// renamed over it.
#pragma once

#include <string>
#include <string_view>

namespace scmp {

// Writes `contents` to `path` as a whole or not at all. The target must be
// a regular file or a name that does not exist yet; anything else (a folder,
// a device, a pipe, a socket, a link to one or a link to nothing) is refused
// and left alone. A link to a regular file is followed: the file it points
// to is replaced and the link stays. A replaced file keeps its owner, group
// and mode as far as the rights allow (the owner only when saving as root).
// The temporary name stays within the folder's name limit, and temporary
// files that a killed save of the same target left behind are removed.
//
// False with a message in `error` that names `what` ("the memory image") and
// the path; any earlier file of that name is then unchanged.
bool SaveFileSafely(const std::string& path, std::string_view contents, std::string* error,
                    std::string_view what = "the file");

}  // namespace scmp
