// What each opcode of an instruction table is to the assembler: its
// operation, its addressing form and its pointer, read through the same
// decoding the processor uses. Assembling looks an instruction up here, so
// an edited instruction file changes the assembler as it changes the
// processor.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/decode.h"
#include "core/table.h"

namespace scmp::assembler {

// The instruction file's name as messages give it.
inline constexpr std::string_view kTableName = "SCMP.DEL";

// What the operand of an operation means.
enum class OperandKind { kNone, kPointer, kImmediate, kMemory, kJump };
OperandKind KindOf(Op op);
// The immediate operation that "#expr" on a memory reference stands for
// (LD #1 is LDI 1); `op` itself when there is none.
Op ImmediateOf(Op op);

enum class Form : uint8_t { kNone, kImmediate, kDisplacement, kAutoIndexed };

struct InstructionForm {
  Op op = Op::kNothing;  // kNothing: the opcode cannot be assembled
  Form form = Form::kNone;
  uint8_t pointer = kNoPointer;
  bool two_bytes = false;

  bool operator==(const InstructionForm&) const = default;
};

// The form of opcode `opcode` as its record decodes.
InstructionForm FormOfRecord(const InstructionRecord& record, int opcode);

// "immediate form", "displacement form with P2", "form with P1", ...
std::string FormName(Form form, uint8_t pointer);

class OpcodeMap {
 public:
  explicit OpcodeMap(const InstructionTable& table);

  // The lowest opcode of that operation, form and pointer; -1 when the
  // table has none.
  int Find(Op op, Form form, uint8_t pointer) const;
  // True when some record of the table has the operation.
  bool Has(Op op) const;
  const InstructionForm& FormOf(int opcode) const { return forms_[opcode & 0xFF]; }

  // The operation of a mnemonic written in any case, and whether it is a
  // two-byte instruction; kNothing for a word no group knows.
  static Op OperationOf(std::string_view mnemonic, bool* two_bytes);

 private:
  std::array<InstructionForm, 256> forms_{};
};

}  // namespace scmp::assembler
