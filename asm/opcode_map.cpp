#include "asm/opcode_map.h"

#include <cctype>

namespace scmp::assembler {

// The immediate operation that "#expr" on a memory reference stands for.
Op ImmediateOf(Op op) {
  switch (op) {
    case Op::kLd: return Op::kLdi;
    case Op::kAnd: return Op::kAni;
    case Op::kOr: return Op::kOri;
    case Op::kXor: return Op::kXri;
    case Op::kAdd: return Op::kAdi;
    case Op::kCad: return Op::kCai;
    case Op::kDad: return Op::kDai;
    default: return op;
  }
}

OperandKind KindOf(Op op) {
  switch (op) {
    case Op::kXpal: case Op::kXpah: case Op::kXppc:
      return OperandKind::kPointer;
    case Op::kLdi: case Op::kAni: case Op::kOri: case Op::kXri: case Op::kAdi: case Op::kCai: case Op::kDai:
    case Op::kDly:
      return OperandKind::kImmediate;
    case Op::kIld: case Op::kDld: case Op::kLd: case Op::kSt: case Op::kAnd: case Op::kOr: case Op::kXor:
    case Op::kAdd: case Op::kDad: case Op::kCad:
      return OperandKind::kMemory;
    case Op::kJmp: case Op::kJp: case Op::kJz: case Op::kJnz:
      return OperandKind::kJump;
    default:
      return OperandKind::kNone;
  }
}

InstructionForm FormOfRecord(const InstructionRecord& record, int opcode) {
  const bool two_bytes = (opcode & 0x80) != 0;
  const Decoded d = DecodeRecord(record, two_bytes);
  InstructionForm f;
  f.two_bytes = two_bytes;
  if (d.op == Op::kNothing || d.op == Op::kUndefined) return f;
  f.op = d.op;
  switch (KindOf(d.op)) {
    case OperandKind::kNone:
      break;
    case OperandKind::kPointer:
      f.pointer = d.pointer;
      break;
    case OperandKind::kImmediate:
      f.form = Form::kImmediate;
      break;
    case OperandKind::kMemory:
    case OperandKind::kJump:
      if (d.mode == EaMode::kDisplacement || d.mode == EaMode::kAbsolute) {
        f.form = Form::kDisplacement;
        f.pointer = d.pointer;
      } else if (d.mode == EaMode::kAutoIndex) {
        f.form = Form::kAutoIndexed;
        f.pointer = d.pointer;
      }
      break;
  }
  return f;
}

std::string FormName(Form form, uint8_t pointer) {
  std::string name;
  switch (form) {
    case Form::kNone: name = pointer == kNoPointer ? "form without operand" : "form"; break;
    case Form::kImmediate: name = "immediate form"; break;
    case Form::kDisplacement: name = "displacement form"; break;
    case Form::kAutoIndexed: name = "auto-indexed form"; break;
  }
  if (pointer != kNoPointer) name += " with P" + std::to_string(pointer);
  return name;
}

OpcodeMap::OpcodeMap(const InstructionTable& table) {
  for (int n = 0; n < 256; ++n) forms_[n] = FormOfRecord(table[n], n);
}

int OpcodeMap::Find(Op op, Form form, uint8_t pointer) const {
  const InstructionForm wanted{op, form, pointer, false};
  for (int n = 0; n < 256; ++n) {
    InstructionForm f = forms_[n];
    f.two_bytes = false;
    if (f == wanted) return n;
  }
  return -1;
}

bool OpcodeMap::Has(Op op) const {
  for (const InstructionForm& f : forms_)
    if (f.op == op) return true;
  return false;
}

Op OpcodeMap::OperationOf(std::string_view mnemonic, bool* two_bytes) {
  if (mnemonic.empty() || mnemonic.size() > 4) return Op::kNothing;
  std::string upper(mnemonic);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (const Op op = ResolveMnemonic(upper, false); op != Op::kNothing) {
    *two_bytes = false;
    return op;
  }
  const Op op = ResolveMnemonic(upper, true);
  *two_bytes = true;
  return op;
}

}  // namespace scmp::assembler
