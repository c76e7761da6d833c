// The decode table: what each opcode does, decided once when the instruction
// table is loaded. The executor dispatches on these codes and never looks at
// the text again. Resolving a record gives exactly what comparing its
// right-trimmed mnemonic against the names of its group would give: exact,
// case-sensitive, an empty mnemonic halting, an unknown one doing nothing.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/table.h"

namespace scmp {

enum class Op : uint8_t {
  kNothing,    // a mnemonic its group does not know (also NUL records)
  kUndefined,  // an empty mnemonic: halts
  // One-byte group.
  kHalt, kXpal, kXpah, kXppc, kXae, kLde, kAne, kOre, kXre, kAde, kCae, kDae,
  kIen, kDint, kCcl, kScl, kCas, kCsa, kNop, kSio, kSr, kSrl, kRr, kRrl,
  // Two-byte group.
  kJmp, kJp, kJz, kJnz, kLdi, kAni, kOri, kXri, kAdi, kCai, kDai,
  kIld, kDld, kLd, kSt, kAnd, kOr, kXor, kAdd, kDad, kCad, kDly,
};

// How a memory reference forms its address.
// For jumps it is kDisplacement or kAbsolute by the pointer alone, since a
// jump does not read the mode.
enum class EaMode : uint8_t {
  kDisplacement,  // "D": pointer + displacement, 12-bit wrap
  kAbsolute,      // "D" (or "@") with no pointer named: base 0
  kAutoIndex,     // "@": pre-decrement / post-increment of the pointer
  kZero,          // any other mode: address 0
};

// kNoPointer in `pointer`: the Register field names no pointer; addresses
// and jumps then use base 0 and the pointer exchanges do nothing.
constexpr uint8_t kNoPointer = 4;

struct Decoded {
  Op op = Op::kNothing;
  uint8_t pointer = kNoPointer;
  EaMode mode = EaMode::kZero;
  // Data-sheet microcycles: the not-taken time for the conditional jumps
  // (a taken jump adds 2), the fixed part for DLY (the executor adds the
  // part that depends on A and the operand). Also keeps an entry at four
  // bytes, which index faster than three.
  uint8_t microcycles = 5;
};

// The data-sheet microcycles of an operation, as stored in Decoded.
uint8_t MicrocyclesOf(Op op);
// The extra microcycles of a taken jump, and DLY's variable part.
constexpr uint8_t kTakenJumpMicrocycles = 2;
constexpr uint64_t DelayExtraMicrocycles(int a, int operand) {
  return 2u * static_cast<uint64_t>(a & 0xFF) + 514u * static_cast<uint64_t>(operand & 0xFF);
}

// Mnemonic text -> operation within one group; kNothing when the group does
// not list it, kUndefined for the empty text.
Op ResolveMnemonic(std::string_view trimmed, bool two_byte_group);

// Name of an operation as it stands in the instruction file ("" for
// kNothing and kUndefined).
std::string_view OpName(Op op);

struct DecodeTable {
  // natural[n]: opcode n in the group that the fetch gives it (bit 7).
  std::array<Decoded, 256> natural{};
  // other[n]: the same record read in the other group, for callers that
  // hand ExecuteInstruction an operand that does not match the opcode.
  std::array<Decoded, 256> other{};

  static DecodeTable Build(const InstructionTable& table);
};

Decoded DecodeRecord(const InstructionRecord& record, bool two_byte_group);

}  // namespace scmp
