// Texts in quotes: the .ascii operand, a DB operand that is one string, a
// character constant. Escapes: \\ \" \' \n \r \t \a \b \e, \xHH, and a
// decimal number as the macro assembler writes it ("\13\10" is CR LF).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "asm/source_line.h"

namespace scmp::assembler {

// False with a message and its column when `operand` is not one string.
bool ParseString(const Piece& operand, std::string* bytes, std::string* error, int* error_column);

// The byte of the escape whose backslash stands at text[*pos]; *pos moves
// past it. False with a message for an unknown escape, a value past 255, or
// a number with a leading 0 ("\015": octal 13 to a C programmer, decimal 15
// to the macro assembler; refused rather than guessed).
bool DecodeEscape(std::string_view text, size_t* pos, uint8_t* byte, std::string* error);

// The end (one past the closing quote) of the string or character constant
// that opens at text[at] with " or ', or npos when it is not closed.
size_t QuotedEnd(std::string_view text, size_t at);

// True when the whole of `text` is one string in double or single quotes.
inline bool IsOneString(std::string_view text) {
  return text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && QuotedEnd(text, 0) == text.size();
}

}  // namespace scmp::assembler
