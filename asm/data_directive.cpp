#include "asm/data_directive.h"

#include "asm/string_literal.h"

namespace scmp::assembler {

bool ByteData(const Piece& operand, const DataContext& context, std::vector<uint8_t>* bytes, int* count) {
  *count = 0;
  if (Trimmed(operand).text.empty()) return true;
  for (const Piece& part : SplitOperands(operand)) {
    if (IsOneString(part.text)) {
      std::string text, error;
      int column = 0;
      if (!ParseString(part, &text, &error, &column)) return context.fail(column, error), false;
      *count += static_cast<int>(text.size());
      if (bytes) bytes->insert(bytes->end(), text.begin(), text.end());
      continue;
    }
    ++*count;
    if (!bytes) continue;
    int64_t v;
    if (!context.evaluate(part, -128, 255, "a byte", &v)) return false;
    bytes->push_back(static_cast<uint8_t>(v & 0xFF));
  }
  return true;
}

bool WordData(const Piece& operand, bool high_first, const DataContext& context, std::vector<uint8_t>* bytes) {
  for (const Piece& part : SplitOperands(operand)) {
    int64_t v;
    if (!context.evaluate(part, -32768, 65535, "a 16-bit word", &v)) return false;
    const uint8_t high = static_cast<uint8_t>((v >> 8) & 0xFF), low = static_cast<uint8_t>(v & 0xFF);
    bytes->push_back(high_first ? high : low);
    bytes->push_back(high_first ? low : high);
  }
  return true;
}

int WordCount(const Piece& operand) { return static_cast<int>(SplitOperands(operand).size()); }

}  // namespace scmp::assembler
