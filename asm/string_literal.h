// Texts in quotes: the .ascii operand, a DB operand that is one string, a
// character constant. Escapes as the macro assembler reads them, letters in
// either case: \\ \" \' \H (apostrophe) \I (quotation mark) \n \r \t \a
// \b \e; \xHH (up to 2 hex digits); \0 and up to 3 octal digits ("\015" is
// 13); and a decimal number of up to 3 digits ("\13\10" is CR LF).
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
// an octal escape with a digit 8 or 9.
bool DecodeEscape(std::string_view text, size_t* pos, uint8_t* byte, std::string* error);

// The characters of the string or character constant that opens at
// text[at] with " or ', escapes decoded; *end is one past its closing
// quote. False with a message and where in `text` the fault lies.
bool DecodeQuoted(std::string_view text, size_t at, std::string* bytes, size_t* end, std::string* error,
                  size_t* error_at);

// The end (one past the closing quote) of the string or character constant
// that opens at text[at] with " or ', or npos when it is not closed.
size_t QuotedEnd(std::string_view text, size_t at);

// True when the whole of `text` is one string in double or single quotes.
inline bool IsOneString(std::string_view text) {
  return text.size() >= 2 && (text[0] == '"' || text[0] == '\'') && QuotedEnd(text, 0) == text.size();
}

}  // namespace scmp::assembler
