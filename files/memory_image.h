// Memory image files: the 4096 data cells, the line "MEMFLAGS" and the 4096
// address kinds, one decimal number a line, CR LF line ends.
#pragma once

#include <functional>
#include <string>

#include "core/machine.h"

namespace scmp {

// Lines in an image as written: 4096 data cells, the marker, 4096 kinds.
constexpr int kMemoryImageLines = 2 * kMemorySize + 1;

// One number line as written, line end included: a sign position (blank or
// "-"), the digits without leading zeros, one blank, CR LF. 196 -> " 196 \r\n".
std::string MemoryImageNumberLine(int value);

// The whole file's text, as SaveMemoryImage writes it.
std::string MemoryImageText(const MemoryArray& memory);

// Writes the image to a temporary file beside `path` and renames it over
// `path`, so that a failure leaves an existing file as it was. False with a
// message naming the file on failure.
bool SaveMemoryImage(const MemoryArray& memory, const std::string& path, std::string* error);

// Reads and checks the whole image first, then replaces both planes. Sounds
// `alert` once when the marker field is "MEMFLAGS", twice otherwise. A file
// that cannot be read, ends early or holds a field that is not an integer in
// -32768..32767 leaves memory untouched: false, with a message naming the
// file and the line.
//
// Numbers are read leniently: blanks (spaces, tabs) and line ends (CR LF,
// CR, LF) before a number are skipped; a number ends at a blank, a comma or
// a line end, and one comma after it is taken as its separator. The marker
// field runs to the end of its line or to a comma; trailing blanks are not
// part of it. Nothing after the 8192nd number is read. The file is streamed:
// memory use does not grow with its size or the length of its lines. The
// alerts sound only for an image that loads.
bool LoadMemoryImage(MemoryArray& memory, const std::string& path, const std::function<void()>& alert,
                     std::string* error);

}  // namespace scmp
