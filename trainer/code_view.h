// The disassembly the Monitor shows around P0, one instruction a line, from
// the assembler library's disassembler, with breakpoints and symbol names.
#pragma once

#include <string>
#include <vector>

#include "trainer/debugger.h"
#include "core/machine.h"
#include "core/table.h"

namespace scmp {

struct CodeLine {
  int address = 0;
  std::string bytes;        // "C4 03"
  std::string instruction;  // "LDI 0x03"
  int target = -1;          // a PC-relative operand's target, or -1
  std::string symbol;       // the name at `address`, if any
  std::string target_symbol;
  bool next = false;        // the instruction P0 leads to
  bool breakpoint = false;
};

// About `before` bytes before and `after` bytes from the next instruction's
// opcode address `next`; the line at `next` always starts an instruction.
std::vector<CodeLine> CodeAround(const MemoryArray& memory, const InstructionTable& table, const Debugger& debugger,
                                 int next, int before, int after);

// One line of Disassemble's output taken apart; false for a line that is
// no instruction (".org").
bool ParseDisassembly(const std::string& text, CodeLine* line);

}  // namespace scmp
