// Reading an assembler source whole, for every program that assembles one
// (scmp-asm, scmp-run and the window).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace scmp {

// Sources longer than this are no program for a 4 KB machine.
constexpr size_t kMaxSourceSize = 16 * 1024 * 1024;

// Reads the regular file `path` into `text`. False with a message naming the
// file when it cannot be opened or read, is not a regular file, or is larger
// than kMaxSourceSize.
bool ReadSourceFile(const std::string& path, std::string* text, std::string* error);

// A reader for INCLUDE that reads as ReadSourceFile does and adds the path of
// each file it opened to `*opened`, so that the caller can keep its outputs
// off every file an assembly read.
using SourceReader = std::function<bool(const std::string& path, std::string* text, std::string* error)>;
SourceReader RecordingSourceReader(std::vector<std::string>* opened);

}  // namespace scmp
