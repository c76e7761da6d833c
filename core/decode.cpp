#include "core/decode.h"

#include <utility>

namespace scmp {

namespace {

struct Named {
  std::string_view name;
  Op op;
};

constexpr Named kOneByte[] = {
    {"XPAL", Op::kXpal}, {"XPAH", Op::kXpah}, {"XPPC", Op::kXppc}, {"XAE", Op::kXae},  {"LDE", Op::kLde},
    {"ANE", Op::kAne},   {"ORE", Op::kOre},   {"XRE", Op::kXre},   {"ADE", Op::kAde},  {"CAE", Op::kCae},
    {"DAE", Op::kDae},   {"IEN", Op::kIen},   {"DINT", Op::kDint}, {"CCL", Op::kCcl},  {"SCL", Op::kScl},
    {"CAS", Op::kCas},   {"CSA", Op::kCsa},   {"NOP", Op::kNop},   {"SIO", Op::kSio},  {"SR", Op::kSr},
    {"SRL", Op::kSrl},   {"RR", Op::kRr},     {"RRL", Op::kRrl},   {"HALT", Op::kHalt},
};

constexpr Named kTwoByte[] = {
    {"JMP", Op::kJmp}, {"JP", Op::kJp},   {"JZ", Op::kJz},   {"JNZ", Op::kJnz}, {"LDI", Op::kLdi}, {"ANI", Op::kAni},
    {"ORI", Op::kOri}, {"XRI", Op::kXri}, {"ADI", Op::kAdi}, {"CAI", Op::kCai}, {"DAI", Op::kDai}, {"ILD", Op::kIld},
    {"DLD", Op::kDld}, {"LD", Op::kLd},   {"ST", Op::kSt},   {"AND", Op::kAnd}, {"OR", Op::kOr},   {"XOR", Op::kXor},
    {"ADD", Op::kAdd}, {"DAD", Op::kDad}, {"CAD", Op::kCad}, {"DLY", Op::kDly},
};

}  // namespace

Op ResolveMnemonic(std::string_view trimmed, bool two_byte_group) {
  if (trimmed.empty()) return Op::kUndefined;
  if (two_byte_group) {
    for (const Named& n : kTwoByte)
      if (n.name == trimmed) return n.op;
  } else {
    for (const Named& n : kOneByte)
      if (n.name == trimmed) return n.op;
  }
  return Op::kNothing;
}

std::string_view OpName(Op op) {
  for (const Named& n : kOneByte)
    if (n.op == op) return n.name;
  for (const Named& n : kTwoByte)
    if (n.op == op) return n.name;
  return {};
}

uint8_t MicrocyclesOf(Op op) {
  switch (op) {
    case Op::kLd: case Op::kSt: case Op::kAnd: case Op::kOr: case Op::kXor: return 18;
    case Op::kAdd: return 19;
    case Op::kCad: return 20;
    case Op::kDad: return 23;
    case Op::kIld: case Op::kDld: return 22;
    case Op::kLdi: case Op::kAni: case Op::kOri: case Op::kXri: return 10;
    case Op::kAdi: return 11;
    case Op::kCai: return 12;
    case Op::kDai: return 15;
    case Op::kJmp: return 11;
    case Op::kJp: case Op::kJz: case Op::kJnz: return 9;  // +2 when taken
    case Op::kLde: case Op::kAne: case Op::kOre: case Op::kXre: return 6;
    case Op::kXae: case Op::kAde: return 7;
    case Op::kCae: return 8;
    case Op::kDae: return 11;
    case Op::kXpal: case Op::kXpah: return 8;
    case Op::kXppc: return 7;
    case Op::kDint: case Op::kIen: case Op::kCas: return 6;
    case Op::kHalt: return 8;
    case Op::kDly: return 13;  // + 2*A + 2*d + 512*d
    default: return 5;  // SIO, shifts, CCL, SCL, CSA, NOP; undefined and do-nothing records
  }
}

Decoded DecodeRecord(const InstructionRecord& record, bool two_byte_group) {
  Decoded d;
  d.op = ResolveMnemonic(RightTrim(FieldText(record.Mnemonic)), two_byte_group);
  d.microcycles = MicrocyclesOf(d.op);

  const std::string_view reg = RightTrim(FieldText(record.Register));
  if (reg == "P0") d.pointer = 0;
  else if (reg == "P1") d.pointer = 1;
  else if (reg == "P2") d.pointer = 2;
  else if (reg == "P3") d.pointer = 3;

  const bool has_pointer = d.pointer != kNoPointer;
  const bool is_jump = d.op == Op::kJmp || d.op == Op::kJp || d.op == Op::kJz || d.op == Op::kJnz;
  const std::string_view mode = RightTrim(FieldText(record.Amode));
  if (is_jump || mode == "D") {
    d.mode = has_pointer ? EaMode::kDisplacement : EaMode::kAbsolute;
  } else if (mode == "@") {
    // Auto-indexing needs a pointer to move; without one the reference
    // behaves as a displacement from base 0.
    d.mode = has_pointer ? EaMode::kAutoIndex : EaMode::kAbsolute;
  } else {
    d.mode = EaMode::kZero;
  }
  return d;
}

DecodeTable DecodeTable::Build(const InstructionTable& table) {
  DecodeTable t;
  for (int n = 0; n < 256; ++n) {
    const bool two_byte = (n & 0x80) != 0;
    t.natural[n] = DecodeRecord(table.records[n], two_byte);
    t.other[n] = DecodeRecord(table.records[n], !two_byte);
  }
  return t;
}

}  // namespace scmp
