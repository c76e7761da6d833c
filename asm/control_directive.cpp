#include "asm/control_directive.h"

#include "asm/string_literal.h"

namespace scmp::assembler {

bool MessageText(const Piece& operand, std::string* text, std::string* error, int* column) {
  text->clear();
  if (Trimmed(operand).text.empty()) return true;
  for (const Piece& part : SplitOperands(operand)) {
    if (!IsOneString(part.text)) {
      text->append(part.text);
      continue;
    }
    std::string piece;
    if (!ParseString(part, &piece, error, column)) return false;
    text->append(piece);
  }
  return true;
}

int SwitchValue(Directive directive, std::string_view operand) {
  const std::string word = UpperCase(Trimmed(Piece{operand, 1}).text);
  if (directive == Directive::kBigEndian) return word == "ON" ? 1 : word == "OFF" ? 0 : -1;
  if (directive == Directive::kDbyteOrder) return word == "HIGH" ? 1 : word == "LOW" ? 0 : -1;
  return -1;
}

std::string SwitchChoices(Directive directive) {
  return directive == Directive::kBigEndian ? "BIGENDIAN takes ON or OFF" : "DBYTEORDER takes HIGH or LOW";
}

}  // namespace scmp::assembler
