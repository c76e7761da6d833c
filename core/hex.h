// Hexadecimal text, the one formatter and parser the whole program uses.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace scmp {

// Upper-case hexadecimal of the low 4 x `digits` bits of `value`, padded with
// zeros to `digits` characters; `digits` 0 means as many as needed, no
// leading zeros (0 gives "0").
inline std::string Hex(unsigned value, int digits = 0) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  if (digits == 0) {
    do {
      text.insert(text.begin(), kDigits[value & 0xF]);
      value >>= 4;
    } while (value != 0);
    return text;
  }
  text.resize(static_cast<size_t>(digits));
  for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 0xF];
  return text;
}

// At least two and four digits: a value too wide for them keeps all its
// digits, and a negative one gives the digits of its 16-bit two's complement.
inline std::string HexByte(int value) {
  const unsigned v = value < 0 ? static_cast<uint16_t>(value) : static_cast<unsigned>(value);
  return v > 0xFF ? Hex(v) : Hex(v, 2);
}
inline std::string HexWord(int value) {
  const unsigned v = value < 0 ? static_cast<uint16_t>(value) : static_cast<unsigned>(value);
  return v > 0xFFFF ? Hex(v) : Hex(v, 4);
}

// The value of a hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A whole text of 1 to `max_digits` hexadecimal digits of either case, or
// nothing for anything else (empty, too long, another character).
inline std::optional<unsigned> ParseHex(std::string_view text, size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return value;
}

}  // namespace scmp
