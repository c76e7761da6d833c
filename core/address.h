// Byte operations on register cells and the address arithmetic shared by
// memory references and jumps.
#pragma once

#include <cstdint>

namespace scmp {

constexpr int16_t LowByte(int v) { return static_cast<int16_t>(v & 0xFF); }
constexpr int16_t HighByte(int v) { return static_cast<int16_t>((static_cast<uint16_t>(v) >> 8) & 0xFF); }
constexpr void SetLowByte(int16_t& cell, int v) {
  cell = static_cast<int16_t>((static_cast<uint16_t>(cell) & 0xFF00) | (v & 0xFF));
}
constexpr void SetHighByte(int16_t& cell, int v) {
  cell = static_cast<int16_t>(static_cast<uint16_t>(((v & 0xFF) << 8) | (static_cast<uint16_t>(cell) & 0xFF)));
}

// The signed value of a displacement byte: 0x00..0x7F -> 0..127,
// 0x80..0xFF -> -128..-1.
constexpr int SignedDisplacement(int byte) { return static_cast<int8_t>(static_cast<uint8_t>(byte)); }

// base + displacement, reduced to 12 bits; wraps both ways.
constexpr int WrapAddress(int base, int displacement) { return (base + displacement) & 0x0FFF; }

}  // namespace scmp
