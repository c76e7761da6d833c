// Upper-case hexadecimal text of a fixed width, for files and messages
// written outside the trace's speed path.
#pragma once

#include <string>

namespace scmp {

// The low 4 x `digits` bits of `value` as `digits` upper-case hex digits:
// HexText(0x1F, 4) -> "001F", HexText(-1, 2) -> "FF".
inline std::string HexText(long value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(static_cast<size_t>(digits), '0');
  unsigned long v = static_cast<unsigned long>(value);
  for (int i = digits - 1; i >= 0; --i, v >>= 4) text[static_cast<size_t>(i)] = kDigits[v & 0xF];
  return text;
}

}  // namespace scmp
