// One line of assembler source taken apart: label, operation (mnemonic or
// directive), operand text, each with the column it starts at, the comment
// dropped.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/directive.h"

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
  bool equate = false;          // a definition: NAME = expr, NAME EQU/SET/FUNCTION ...
  Directive definition = Directive::kNone;  // kEqu, kSet or kFunction for a definition
  Piece operation;              // mnemonic or directive (".org" for ".=" and "*=")
  Piece operand;                // trimmed, comment removed
  std::string error;            // the line could not be taken apart
  int error_column = 0;
};

// Splits `text` into lines: CR LF, CR or LF ends one; a last line without
// an end counts too.
std::vector<std::string_view> SplitSourceLines(std::string_view text);

// True for a word that is an operation here: a mnemonic, a directive or a
// macro. A name in the first column that is none of these is a label.
using IsOperation = std::function<bool(std::string_view word)>;

SourceLine ParseSourceLine(std::string_view text, int number, const IsOperation& is_operation);

// The default: mnemonics and directives.
bool IsMnemonicOrDirective(std::string_view word);

// Local labels: digits ending in "$", such as 1$.
bool IsLocalLabel(std::string_view word);

// Splits an operand list at the commas that stand outside quotes and
// parentheses.
std::vector<Piece> SplitOperands(const Piece& operand);

// Where the comment of a line starts (its size when it has none).
size_t CommentStart(std::string_view text);

// Text without the blanks at both ends, its column moved along.
Piece Trimmed(Piece piece);

}  // namespace scmp::assembler
