// The bytes of one instruction line: its operand taken apart (operand.h),
// the form and pointer looked up in the instruction table, and the second
// byte an immediate, a displacement or a PC-relative distance
// (displacement.h). The assembler hands in how to evaluate and report.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/opcode_map.h"
#include "asm/operand.h"
#include "asm/source_line.h"

namespace scmp::assembler {

struct InstructionContext {
  const OpcodeMap* map = nullptr;
  bool macro_assembler = false;  // a source with a CPU line: -128 keeps its byte, with a warning
  // Evaluates `piece`; false when it failed (and has said why), or when its
  // value lies outside min..max (naming the range `what`).
  std::function<bool(const Piece& piece, int64_t min, int64_t max, const std::string& what, int64_t* value)> evaluate;
  // Evaluates `text` without a word; false when it has no value.
  std::function<bool(std::string_view text, int64_t* value)> try_evaluate;
  // True for the name of a function, built in or defined by FUNCTION.
  std::function<bool(std::string_view name)> is_function;
  RegisterFinder find_register;
  std::function<void(int column, std::string message)> fail;
  std::function<void(int column, std::string message)> warn;
};

// Appends the bytes of instruction `*op` (`size` bytes) on `line` at
// `address`; "#expr" on a memory reference turns `*op` into its immediate
// form (LD #1 is LDI 1). Nothing is appended after a fault.
void EncodeInstruction(const SourceLine& line, int64_t address, int size, Op* op, const InstructionContext& context,
                       std::vector<uint8_t>* bytes);

}  // namespace scmp::assembler
