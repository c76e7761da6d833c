// The displacement byte of an instruction, and the one way every message
// states its reach: a memory reference reaches -127..127 (the byte 0x80,
// -128, means E, with every pointer, PC included), a jump -128..127.
//
// The macro assembler believes that -128 from PC is a plain -128 and emits
// 0x80, and it only warns about -128 from P1..P3. In its dialect the byte is
// emitted as it does, so that a published program keeps its bytes, with a
// warning that the processor will use E there; elsewhere -128 is an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "asm/opcode_map.h"

namespace scmp::assembler {

// "-127..127; -128 is E" for a memory reference, "-128..127" otherwise.
std::string ReachOf(OperandKind kind);

// A displacement byte, or why there is none (`message` with `warning`
// false), or a byte with a warning to tell.
struct DisplacementByte {
  int byte = 0;
  std::string message;
  bool warning = false;
  bool Failed() const { return !message.empty() && !warning; }
};

// The displacement byte for a PC-relative operand aimed at `target` by the
// instruction at `address`.
DisplacementByte RelativeDisplacement(int64_t address, OperandKind kind, int64_t target, bool macro_assembler);

// The displacement byte of disp(Pn) or @disp(Pn) for instruction `op`:
// `value`, or 0x80 when `e` (E written, or a name standing for -128).
DisplacementByte ExplicitDisplacement(OperandKind kind, std::string_view op, int64_t value, bool e, int pointer,
                                      bool macro_assembler);

}  // namespace scmp::assembler
