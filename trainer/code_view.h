// The disassembly the Monitor shows around P0 (or around an address the
// user asked for), one instruction a line, from the assembler library's
// disassembler: bytes the loaded program placed as data shown as ".byte",
// PC-relative operands named by their labels, the source line beside each
// instruction and the breakpoints.
#pragma once

#include <string>
#include <vector>

#include "core/machine.h"
#include "core/table.h"
#include "trainer/debugger.h"

namespace scmp {

struct CodeLine {
  int address = 0;
  std::string bytes;        // "C4 03"
  std::string instruction;  // "LDI 0x03", "JMP LOOP", ".byte 0x0A"
  int target = -1;          // a PC-relative operand's target, or -1
  std::string symbol;       // the label at `address`, if any
  std::string target_symbol;
  int source_line = 0;      // the line that placed the bytes, or 0
  std::string source;       // its text
  bool data = false;        // shown as data
  bool next = false;        // the instruction P0 leads to
  bool breakpoint = false;  // a breakpoint stands here, enabled or not
  bool enabled = false;     // ... and it is enabled
};

// About `before` bytes before and `after` bytes from `focus`; the line at
// `focus` always starts one. `next` is the next instruction's opcode
// address, marked where it is shown.
std::vector<CodeLine> CodeAround(const MemoryArray& memory, const InstructionTable& table, const Debugger& debugger,
                                 int focus, int next, int before, int after);

// The instruction text of one executed instruction as the disassembly
// writes it ("LD -1(P1)", "JMP LOOP").
std::string InstructionText(const InstructionTable& table, const Debugger& debugger, int address, int opcode,
                            int operand);

// One line of Disassemble's output taken apart; false for a line that is
// no instruction (".org").
bool ParseDisassembly(const std::string& text, CodeLine* line);

}  // namespace scmp
