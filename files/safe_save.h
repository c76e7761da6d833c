// Saving a file whole: the text goes to a new file beside the target, which
// is then renamed over it, so a failure at any point leaves an existing file
// as it was and never a half-written one.
#pragma once

#include <string>
#include <string_view>

namespace scmp {

// Writes `content` to `path`. `what` names the kind of file in messages
// ("the memory image"): "Cannot save the memory image "PATH": REASON."
// A symbolic link is followed; a replaced file keeps its permissions.
bool SaveFileWhole(const std::string& path, std::string_view content, std::string_view what, std::string* error);

}  // namespace scmp
