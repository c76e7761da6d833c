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

// A DW/.DBYTE operand that is one string gives a word per character when
// it is in double quotes, or in single quotes and longer than a word's two
// characters; else it is a number ('AB' is 0x4142), as the macro assembler
// reads them. False for any other operand, and for a faulty string, whose
// fault the expression then reports.
bool WordString(const Piece& part, std::string* chars) {
  if (!IsOneString(part.text)) return false;
  std::string error;
  int column = 0;
  return ParseString(part, chars, &error, &column) && (part.text[0] == '"' || chars->size() > 2);
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
  auto put = [&](int64_t v) {
    *count += 2;
    if (!bytes) return;
    const uint8_t high = static_cast<uint8_t>((v >> 8) & 0xFF), low = static_cast<uint8_t>(v & 0xFF);
    bytes->push_back(high_first ? high : low);
    bytes->push_back(high_first ? low : high);
  };
  for (const Piece& part : data.items) {
    if (std::string chars; !data.reserved && WordString(part, &chars)) {
      for (const char c : chars) put(static_cast<uint8_t>(c));
      continue;
    }
    int64_t v = 0;
    if (bytes && !data.reserved && !context.evaluate(part, -32768, 65535, "a 16-bit word", &v)) return false;
    put(v);
  }
  return true;
}

}  // namespace scmp::assembler
