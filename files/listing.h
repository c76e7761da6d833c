// Assembler listings: address lines ("@" and four hex characters) and byte
// lines (one byte a line); every other line is passed over.
#pragma once

#include <string>

#include "core/machine.h"

namespace scmp {

// Stores the listing's bytes straight into the RAM data cells; bytes aimed at
// any other kind of address are dropped. False with a message naming the
// file when it cannot be read.
bool LoadListing(MemoryArray& memory, const std::string& path, std::string* error);

}  // namespace scmp
