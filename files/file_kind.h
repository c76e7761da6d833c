// What a file holds, told by its extension, so that a file named on a
// command line or dropped on the window is loaded as its menu entry would.
#pragma once

#include <string>

namespace scmp {

enum class FileKind { kUnknown, kSource, kListing, kMemoryImage, kIntelHex, kSavedState };

// By the extension, in any case: .s a source, .asm a listing, .ram a memory
// image, .hex (also .ihx, .ihex) Intel HEX, .state a saved state.
FileKind KindOfFile(const std::string& path);

}  // namespace scmp
