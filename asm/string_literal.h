// The text of .ascii: one string in double quotes, with the escapes \\ \"
// \' \n \r \t and \0.
#pragma once

#include <string>

#include "asm/source_line.h"

namespace scmp::assembler {

// False with a message and its column when `operand` is not one string.
bool ParseString(const Piece& operand, std::string* bytes, std::string* error, int* error_column);

}  // namespace scmp::assembler
