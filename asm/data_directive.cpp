#include "asm/data_directive.h"

#include "asm/data_items.h"
#include "asm/string_literal.h"

namespace scmp::assembler {

namespace {

bool Expand(const Piece& operand, const DataContext& context, DataItems* items) {
  return ExpandDataItems(
      operand,
      [&context](const Piece& count, int64_t* value) {
        return context.evaluate(count, 0, static_cast<int64_t>(kMaxDataItems), "a DUP count", value);
      },
      context.fail, items);
}

}  // namespace

bool ByteData(const Piece& operand, const DataContext& context, std::vector<uint8_t>* bytes, int* count, bool* reserved) {
  *count = 0;
  DataItems data;
  if (!Expand(operand, context, &data)) return false;
  if (reserved) *reserved = data.reserved;
  for (const Piece& part : data.items) {
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
    int64_t v = 0;
    if (!data.reserved && !context.evaluate(part, -128, 255, "a byte", &v)) return false;
    bytes->push_back(static_cast<uint8_t>(v & 0xFF));
  }
  return true;
}

bool WordData(const Piece& operand, bool high_first, const DataContext& context, std::vector<uint8_t>* bytes, int* count,
              bool* reserved) {
  *count = 0;
  DataItems data;
  if (!Expand(operand, context, &data)) return false;
  if (reserved) *reserved = data.reserved;
  for (const Piece& part : data.items) {
    *count += 2;
    if (!bytes) continue;
    int64_t v = 0;
    if (!data.reserved && !context.evaluate(part, -32768, 65535, "a 16-bit word", &v)) return false;
    const uint8_t high = static_cast<uint8_t>((v >> 8) & 0xFF), low = static_cast<uint8_t>(v & 0xFF);
    bytes->push_back(high_first ? high : low);
    bytes->push_back(high_first ? low : high);
  }
  return true;
}

}  // namespace scmp::assembler
