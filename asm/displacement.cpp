#include "asm/displacement.h"

#include "core/hex.h"

namespace scmp::assembler {

namespace {

std::string Address(int64_t address) { return "0x" + Hex(static_cast<unsigned>(address), address > 0xFFF ? 4 : 3); }

// What the macro assembler's byte 0x80 does on the processor.
std::string ReadAsE(int pointer, const std::string& meant) {
  return "the processor reads the displacement byte 0x80 as E, so this instruction uses E, not " + meant +
         " (the macro assembler emits 0x80 here); write E(" + std::string(pointer == 0 ? "PC" : "P" + std::to_string(pointer)) +
         ") if E is meant";
}

}  // namespace

std::string ReachOf(OperandKind kind) { return kind == OperandKind::kMemory ? "-127..127; -128 is E" : "-128..127"; }

// The SC/MP adds 1 to P0 before each fetch: while a memory reference runs,
// P0 holds the address of its displacement byte; a jump adds 1 to its
// target as it lands. Both wrap within the 4K page.
DisplacementByte RelativeDisplacement(int64_t address, OperandKind kind, int64_t target, bool macro_assembler) {
  DisplacementByte result;
  const int64_t displacement_byte = address + 1;
  const int64_t page = displacement_byte & 0xF000;
  if ((target & 0xF000) != page) {
    result.message = "the target " + Address(target) + " lies outside this instruction's 4K page (" + Address(page) +
                     ".." + Address(page | 0xFFF) + "); a PC-relative operand reaches only its own page";
    return result;
  }
  int64_t d = (target - displacement_byte - (kind == OperandKind::kJump ? 1 : 0)) & 0xFFF;
  if (d >= 0x800) d -= 0x1000;
  const bool memory = kind == OperandKind::kMemory;
  result.byte = static_cast<int>(d & 0xFF);
  if (d == -128 && memory && macro_assembler) {
    result.message = "the target " + Address(target) + " is -128 bytes away: " + ReadAsE(0, "that target");
    result.warning = true;
  } else if (d < -128 || d > 127 || (d == -128 && memory)) {
    result.message = "the target " + Address(target) + " is " + std::to_string(d) + " bytes away" +
                     (d == -128 ? ", which the processor would read as E" : "") + "; a PC-relative " +
                     (memory ? "memory reference" : "operand") + " reaches " + ReachOf(kind);
  }
  return result;
}

DisplacementByte ExplicitDisplacement(OperandKind kind, std::string_view op, int64_t value, bool e, int pointer,
                                      bool macro_assembler) {
  DisplacementByte result;
  const bool memory = kind == OperandKind::kMemory;
  if (e) {
    if (!memory) result.message = "E(Pn) is for memory references only, not " + std::string(op);
    result.byte = 0x80;
    return result;
  }
  result.byte = static_cast<int>(value & 0xFF);
  if ((value >= -127 && value <= 127) || (value == -128 && !memory)) return result;
  if (value == -128 && macro_assembler) {
    result.message = ReadAsE(pointer, "-128");
    result.warning = true;
  } else if (value == -128) {
    result.message = "the displacement -128 would be read as E; write E(P" + std::to_string(pointer) +
                     ") for E (a displacement reaches " + ReachOf(kind) + ")";
  } else {
    result.message = "the value " + std::to_string(value) + " is out of range for a displacement (" + ReachOf(kind) + ")";
  }
  return result;
}

}  // namespace scmp::assembler
