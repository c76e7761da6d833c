// Memory image files: the 4096 data cells, the line "MEMFLAGS" and the 4096
// address kinds, one decimal number a line, CR LF line ends.
#pragma once

#include <functional>
#include <string>

#include "core/machine.h"

namespace scmp {

// Writes the image to a temporary file beside `path` and renames it over
// `path`, so that a failure leaves an existing file as it was. False with a
// message naming the file on failure.
bool SaveMemoryImage(const MemoryArray& memory, const std::string& path, std::string* error);

// Reads and checks the whole image first, then replaces both planes. Sounds
// `alert` once when the marker field is "MEMFLAGS", twice otherwise. A file
// that cannot be read, ends early or holds a field that is not an integer in
// -32768..32767 leaves memory untouched: false, with a message naming the
// file and the line.
bool LoadMemoryImage(MemoryArray& memory, const std::string& path, const std::function<void()>& alert,
                     std::string* error);

}  // namespace scmp
