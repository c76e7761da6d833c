// Machine state and memory of the emulated SC/MP board.
#pragma once

#include <array>
#include <cstdint>

namespace scmp {

constexpr int kMemorySize = 4096;     // 12-bit address space
constexpr int kAddressMask = 0x0FFF;

// Status register bits.
constexpr int kCarryLink = 0x80;  // CY/L
constexpr int kOverflow = 0x40;   // OV
constexpr int kSenseB = 0x20;
constexpr int kSenseA = 0x10;
constexpr int kInterruptEnable = 0x08;
constexpr int kFlagBits = 0x07;   // F2..F0, the flag outputs

// The seven registers, each a 16-bit signed cell. A, SR and E hold bytes;
// the pointers hold 12-bit addresses, though XPAH can leave any 16-bit value
// in one. P[0] is P0, the program counter; P[1]..P[3] are P1..P3.
struct MachineState {
  int16_t A = 0;
  int16_t SR = 0;
  int16_t E = 0;
  std::array<int16_t, 4> P{};

  bool operator==(const MachineState&) const = default;
};

// Kinds of address. Any value other than these behaves as Absent.
enum AddressKind : int16_t { kRam = 0, kPort = 1, kAbsent = 2 };

// Two planes of 4096 signed 16-bit cells: the data stored at each address
// and the address's kind. A memory image carries both, so loading one can
// change the memory map.
struct MemoryArray {
  std::array<int16_t, kMemorySize> data{};
  std::array<int16_t, kMemorySize> kind{};

  // The board's map: 0x000..0x9FF RAM, 0xA00..0xAFF the port,
  // 0xB00..0xFFF absent. Data cells are left as they are.
  void LayOutStartupMap();

  bool operator==(const MemoryArray&) const = default;
};

}  // namespace scmp
