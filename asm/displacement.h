// The displacement byte of an instruction, and the one way every message
// states its reach: a memory reference reaches -127..127 (the byte 0x80,
// -128, means E), a jump -128..127.
#pragma once

#include <cstdint>
#include <string>

#include "asm/opcode_map.h"

namespace scmp::assembler {

// "-127..127; -128 is E" for a memory reference, "-128..127" otherwise.
std::string ReachOf(OperandKind kind);

// The displacement byte for a PC-relative operand aimed at `target` by the
// instruction at `address`; false with a message when it cannot reach.
bool RelativeDisplacement(int64_t address, OperandKind kind, int64_t target, int* second, std::string* message);

// The message for an explicit displacement (disp(Pn)) outside the reach, or
// "" when `value` is within it. `named_e`: the value came from a name that
// stands for -128, which says E outright.
std::string DisplacementFault(OperandKind kind, int64_t value, bool named_e, int pointer);

}  // namespace scmp::assembler
