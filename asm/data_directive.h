// The bytes of the data directives: DB/.BYTE (values and texts), DW/.WORD
// and .DBYTE (16-bit words in either byte order), with N DUP (values)
// repeats and "?" for reserved cells. An operand is a text only when the
// whole of it is one string in quotes: 'R'+X'80' and 'R'|0x80 are
// expressions and give one byte, in every directive. DW stores a text in
// double quotes a word per character, and 'AB' as the one word 0x4142.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "asm/source_line.h"

namespace scmp::assembler {

struct DataContext {
  // Evaluates `piece`; false when it failed (and has said why), or when its
  // value lies outside min..max (naming the range `what`).
  std::function<bool(const Piece& piece, int64_t min, int64_t max, const std::string& what, int64_t* value)> evaluate;
  // Reports a fault of the operand at `column`.
  std::function<void(int column, std::string message)> fail;
};

// The bytes of a DB operand list (an empty list gives none) and their
// number. With `bytes` null only counts them, evaluating only DUP counts.
// `reserved` (may be null) tells a list of "?" cells, whose bytes are
// placeholders never to be stored. False after a fault.
bool ByteData(const Piece& operand, const DataContext& context, std::vector<uint8_t>* bytes, int* count,
              bool* reserved = nullptr);

// The same for a DW/.DBYTE operand list, each value as two bytes.
bool WordData(const Piece& operand, bool high_first, const DataContext& context, std::vector<uint8_t>* bytes, int* count,
              bool* reserved = nullptr);

}  // namespace scmp::assembler
