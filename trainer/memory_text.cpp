#include "trainer/memory_text.h"

#include "core/hex.h"

namespace scmp {

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::optional<int> ParseDigits(std::string_view text, int radix, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  int value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0 || digit >= radix) return std::nullopt;
    value = value * radix + digit;
  }
  return value;
}

}  // namespace

std::string CellText(int value, CellBase base) {
  if (value < 0 || value > 0xFF) return Hex(static_cast<uint16_t>(value), 4);
  switch (base) {
    case CellBase::kHex: return Hex(static_cast<uint16_t>(value), 2);
    case CellBase::kDecimal: return std::to_string(value);
    case CellBase::kBinary: {
      std::string bits;
      for (int bit = 7; bit >= 0; --bit) bits += ((value >> bit) & 1) ? '1' : '0';
      return bits;
    }
    case CellBase::kChar: return std::string(1, value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.');
  }
  return "";
}

std::optional<int> ParseCell(std::string_view text, CellBase base) {
  if (base == CellBase::kChar) {
    if (text.size() != 1) return std::nullopt;
    return static_cast<unsigned char>(text[0]);
  }
  text = Trim(text);
  std::optional<int> value;
  switch (base) {
    case CellBase::kHex: value = ParseDigits(text, 16, 2); break;
    case CellBase::kDecimal: value = ParseDigits(text, 10, 3); break;
    case CellBase::kBinary: value = ParseDigits(text, 2, 8); break;
    case CellBase::kChar: break;
  }
  if (value && *value > 0xFF) return std::nullopt;
  return value;
}

std::string RangeText(const MemoryArray& memory, int from, int to, CellBase base) {
  std::string text;
  if (from < 0 || to >= kMemorySize || from > to) return text;
  for (int row = from & ~0xF; row <= to; row += 16) {
    text += Hex(static_cast<uint16_t>(row), 3) + ":";
    if (base == CellBase::kChar) text += ' ';
    for (int a = row; a < row + 16 && a <= to; ++a) {
      if (base != CellBase::kChar) text += ' ';
      text += a < from ? std::string(base == CellBase::kChar ? 1 : CellText(0, base).size(), ' ')
                       : CellText(memory.data[a], base);
    }
    text += '\n';
  }
  return text;
}

std::optional<std::pair<int, int>> ParseRange(std::string_view text) {
  text = Trim(text);
  const size_t dash = text.find('-');
  const auto from = ParseHex(Trim(text.substr(0, dash)), 3);
  if (!from) return std::nullopt;
  if (dash == std::string_view::npos) return std::pair<int, int>(*from, *from);
  const auto to = ParseHex(Trim(text.substr(dash + 1)), 3);
  if (!to || *to < *from) return std::nullopt;
  return std::pair<int, int>(*from, *to);
}

}  // namespace scmp
