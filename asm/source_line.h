// One line of assembler source taken apart: label, operation (mnemonic or
// directive), operand text, each with the column it starts at, the comment
// dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scmp::assembler {

// Longer lines are refused: they are no source a person wrote.
constexpr size_t kMaxLineLength = 1000;

struct Piece {
  std::string_view text;
  int column = 0;  // 1-based column of the first character
};

struct SourceLine {
  int number = 0;               // 1-based line number
  std::string_view text;        // the whole line, without its line end
  Piece label;                  // "NAME:" or the NAME of "NAME = expr"
  bool equate = false;          // NAME = expr, NAME .equ expr
  Piece operation;              // mnemonic or directive (".org" for ".=")
  Piece operand;                // trimmed, comment removed
  std::string error;            // the line could not be taken apart
  int error_column = 0;
};

// Splits `text` into lines: CR LF, CR or LF ends one; a last line without
// an end counts too.
std::vector<std::string_view> SplitSourceLines(std::string_view text);

SourceLine ParseSourceLine(std::string_view text, int number);

// Splits an operand list at the commas that stand outside quotes and
// parentheses.
std::vector<Piece> SplitOperands(const Piece& operand);

// Text without the blanks at both ends, its column moved along.
Piece Trimmed(Piece piece);

}  // namespace scmp::assembler
