#include "asm/control_directive.h"

#include "asm/string_literal.h"

namespace scmp::assembler {

namespace {

std::string Hexadecimal(int64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[magnitude % 16]);
    magnitude /= 16;
  } while (magnitude != 0);
  return value < 0 ? "-" + digits : digits;
}

// One string of a message: its pieces between the "\{expr}" insertions are
// read as strings in the same quotes, each insertion is evaluated.
bool StringWithValues(const Piece& part, const Evaluator& evaluate, std::string* text, std::string* error, int* column) {
  const std::string_view t = part.text;
  const char quote = t[0];
  size_t from = 1;  // the start of the piece not read yet
  auto literal = [&](size_t to) {
    if (to == from) return true;
    const std::string quoted = quote + std::string(t.substr(from, to - from)) + quote;
    std::string bytes;
    if (!ParseString(Piece{quoted, part.column + static_cast<int>(from) - 1}, &bytes, error, column)) return false;
    text->append(bytes);
    return true;
  };
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    if (t[i] != '\\') continue;
    if (t[i + 1] != '{') {
      ++i;  // an escape of the string's own
      continue;
    }
    const size_t close = t.find('}', i + 2);
    if (close == std::string_view::npos || close >= t.size() - 1) {
      *error = "\\{ without its closing }: write \\{expression}";
      *column = part.column + static_cast<int>(i);
      return false;
    }
    if (!literal(i)) return false;
    int64_t value = 0;
    ExpressionFailure why;
    if (!evaluate || !evaluate(t.substr(i + 2, close - i - 2), &value, &why)) {
      *error = why.message.empty() ? "no value can be put into this text here" : why.message;
      *column = part.column + static_cast<int>(i + 2 + why.offset);
      return false;
    }
    text->append(Hexadecimal(value));
    from = close + 1;
    i = close;
  }
  return literal(t.size() - 1);
}

}  // namespace

bool MessageText(const Piece& operand, const Evaluator& evaluate, std::string* text, std::string* error, int* column) {
  text->clear();
  if (Trimmed(operand).text.empty()) return true;
  for (const Piece& part : SplitOperands(operand)) {
    if (!IsOneString(part.text)) {
      text->append(part.text);
      continue;
    }
    if (!StringWithValues(part, evaluate, text, error, column)) return false;
  }
  return true;
}

int SwitchValue(Directive directive, std::string_view operand) {
  const std::string word = UpperCase(Trimmed(Piece{operand, 1}).text);
  if (directive == Directive::kBigEndian) return word == "ON" ? 1 : word == "OFF" ? 0 : -1;
  if (directive == Directive::kDbyteOrder) return word == "HIGH" ? 1 : word == "LOW" ? 0 : -1;
  return -1;
}

bool SetByteOrder(Directive directive, std::string_view operand, bool* big_endian, bool* dbyte_high) {
  const int on = SwitchValue(directive, operand);
  if (on >= 0) *(directive == Directive::kBigEndian ? big_endian : dbyte_high) = on == 1;
  return on >= 0;
}

std::string SwitchChoices(Directive directive) {
  return directive == Directive::kBigEndian ? "BIGENDIAN takes ON or OFF" : "DBYTEORDER takes HIGH or LOW";
}

}  // namespace scmp::assembler
