// The disassembler: each opcode is written in the form the instruction
// table gives it, and only when assembling that text would choose the same
// opcode again; anything else becomes ".byte", so the text always assembles
// back to the same bytes.
#include <algorithm>

#include "asm/assembler.h"
#include "asm/opcode_map.h"
#include "core/address.h"
#include "core/hex.h"

namespace scmp {

using namespace assembler;

namespace {

// Instructions start in this column, their comments in the next.
constexpr size_t kTextColumn = 8;
constexpr size_t kCommentColumn = 28;

std::string Byte(int b) { return "0x" + Hex(b, 2); }

std::string Pointer(uint8_t p) { return p == 0 ? "PC" : "P" + std::to_string(p); }

// The instruction text of the opcode at `address`, or "" when it cannot be
// written as an instruction. `target` receives the target of a PC-relative
// operand.
std::string InstructionText(const OpcodeMap& map, int address, int opcode, int operand, int* target) {
  const InstructionForm& f = map.FormOf(opcode);
  if (f.op == Op::kNothing || map.Find(f.op, f.form, f.pointer) != opcode) return "";
  const std::string name(OpName(f.op));
  const OperandKind kind = KindOf(f.op);
  switch (f.form) {
    case Form::kNone:
      if (f.two_bytes && operand != 0) return "";  // "LD" alone places 0
      if (kind == OperandKind::kPointer && f.pointer != kNoPointer) return name + " " + Pointer(f.pointer);
      return name;
    case Form::kImmediate:
      return name + " " + Byte(operand);
    case Form::kDisplacement:
    case Form::kAutoIndexed: {
      if (f.pointer == kNoPointer) return "";
      const std::string at = f.form == Form::kAutoIndexed ? "@" : "";
      if (kind == OperandKind::kMemory && operand == 0x80) return name + " " + at + "E(" + Pointer(f.pointer) + ")";
      const int d = SignedDisplacement(operand);
      if (f.pointer == 0 && f.form == Form::kDisplacement)
        *target = WrapAddress(address + 1, d + (kind == OperandKind::kJump ? 1 : 0));
      return name + " " + at + std::to_string(d) + "(" + Pointer(f.pointer) + ")";
    }
  }
  return "";
}

std::string Padded(std::string text, size_t column) {
  text.resize(std::max(text.size() + 1, column), ' ');
  return text;
}

}  // namespace

std::vector<std::string> Disassemble(const MemoryArray& memory, int from, int to, const InstructionTable& table) {
  const OpcodeMap map(table);
  from = std::clamp(from, 0, kMemorySize - 1);
  to = std::clamp(to, 0, kMemorySize - 1);
  std::vector<std::string> lines;
  lines.push_back(Padded("", kTextColumn) + ".org 0x" + Hex(from, 3));
  for (int address = from; address <= to;) {
    const int opcode = memory.data[address] & 0xFF;
    const bool two_bytes = (opcode & 0x80) != 0;
    const int operand = two_bytes && address < to ? memory.data[address + 1] & 0xFF : 0;
    int target = -1;
    std::string text;
    if (!two_bytes || address < to) text = InstructionText(map, address, opcode, operand, &target);
    const int size = text.empty() ? 1 : (two_bytes ? 2 : 1);
    if (text.empty()) text = ".byte " + Byte(opcode);
    std::string comment = "; " + Hex(address, 4) + "  " + Hex(opcode, 2);
    if (size == 2) comment += " " + Hex(operand, 2);
    if (target >= 0) comment += "  -> " + Hex(target, 4);
    lines.push_back(Padded(Padded("", kTextColumn) + text, kCommentColumn) + comment);
    address += size;
  }
  return lines;
}

}  // namespace scmp
