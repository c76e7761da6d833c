#include "asm/displacement.h"

#include "core/hex.h"

namespace scmp::assembler {

namespace {

std::string Address(int64_t address) { return "0x" + Hex(static_cast<unsigned>(address), address > 0xFFF ? 4 : 3); }

}  // namespace

std::string ReachOf(OperandKind kind) { return kind == OperandKind::kMemory ? "-127..127; -128 is E" : "-128..127"; }

// The SC/MP adds 1 to P0 before each fetch: while a memory reference runs,
// P0 holds the address of its displacement byte; a jump adds 1 to its
// target as it lands. Both wrap within the 4K page.
bool RelativeDisplacement(int64_t address, OperandKind kind, int64_t target, int* second, std::string* message) {
  const int64_t displacement_byte = address + 1;
  const int64_t page = displacement_byte & 0xF000;
  if ((target & 0xF000) != page) {
    *message = "the target " + Address(target) + " lies outside this instruction's 4K page (" + Address(page) + ".." +
               Address(page | 0xFFF) + "); a PC-relative operand reaches only its own page";
    return false;
  }
  int64_t d = (target - displacement_byte - (kind == OperandKind::kJump ? 1 : 0)) & 0xFFF;
  if (d >= 0x800) d -= 0x1000;
  const bool memory = kind == OperandKind::kMemory;
  if (d < -128 || d > 127 || (d == -128 && memory)) {
    *message = "the target " + Address(target) + " is " + std::to_string(d) + " bytes away" +
               (d == -128 ? ", which the processor would read as E" : "") + "; a PC-relative " +
               (memory ? "memory reference" : "operand") + " reaches " + ReachOf(kind);
    return false;
  }
  *second = static_cast<int>(d & 0xFF);
  return true;
}

std::string DisplacementFault(OperandKind kind, int64_t value, bool named_e, int pointer) {
  const bool memory = kind == OperandKind::kMemory;
  if (value >= -127 && value <= 127) return "";
  if (value == -128 && (!memory || named_e)) return "";
  if (value == -128)
    return "the displacement -128 would be read as E; write E(P" + std::to_string(pointer) + ") for E (a displacement reaches " +
           ReachOf(kind) + ")";
  return "the value " + std::to_string(value) + " is out of range for a displacement (" + ReachOf(kind) + ")";
}

}  // namespace scmp::assembler
