#include "trainer/code_view.h"

#include <algorithm>

#include "asm/assembler.h"
#include "core/hex.h"

namespace scmp {

namespace {

constexpr int kDataPerLine = 4;  // bytes of one ".byte" line

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsData(const Debugger& debugger, int address) {
  return debugger.Program().IsData(address);
}

void AddInstructions(const MemoryArray& memory, const InstructionTable& table, int from, int to,
                     std::vector<CodeLine>& lines) {
  for (const std::string& text : Disassemble(memory, from, to, table)) {
    CodeLine line;
    if (ParseDisassembly(text, &line)) lines.push_back(line);
  }
}

// Up to kDataPerLine bytes of one source line a line.
void AddData(const MemoryArray& memory, const Debugger& debugger, int from, int to, std::vector<CodeLine>& lines) {
  for (int a = from; a <= to;) {
    CodeLine line;
    line.address = a;
    line.data = true;
    line.instruction = ".byte ";
    const int source_line = debugger.Program().LineAt(a);
    for (int n = 0; n < kDataPerLine && a <= to && debugger.Program().LineAt(a) == source_line; ++n, ++a) {
      const std::string byte = Hex(static_cast<uint16_t>(memory.data[a] & 0xFF), 2);
      line.bytes += (n ? " " : "") + byte;
      line.instruction += (n ? ", 0x" : "0x") + byte;
    }
    lines.push_back(line);
  }
}

// From `from` to `to` in runs: data as data, the rest as instructions.
void AddLines(const MemoryArray& memory, const InstructionTable& table, const Debugger& debugger, int from, int to,
              std::vector<CodeLine>& lines) {
  while (from <= to) {
    const bool data = IsData(debugger, from);
    int end = from;
    while (end < to && IsData(debugger, end + 1) == data) ++end;
    if (data)
      AddData(memory, debugger, from, end, lines);
    else
      AddInstructions(memory, table, from, end, lines);
    from = end + 1;
  }
}

// "JMP -10(PC)" -> "JMP LOOP" when the target has a label.
void NameTarget(const Debugger& debugger, CodeLine& line) {
  if (line.target < 0) return;
  line.target_symbol = debugger.SymbolAt(line.target);
  const size_t space = line.instruction.find(' ');
  if (!line.target_symbol.empty() && space != std::string::npos)
    line.instruction = line.instruction.substr(0, space + 1) + line.target_symbol;
}

void Annotate(const Debugger& debugger, int next, CodeLine& line) {
  line.next = line.address == next;
  const auto& breakpoints = debugger.BreakpointList();
  const auto it = breakpoints.find(line.address);
  line.breakpoint = it != breakpoints.end();
  line.enabled = line.breakpoint && it->second.enabled;
  line.symbol = debugger.SymbolAt(line.address);
  NameTarget(debugger, line);
  const ProgramInfo& program = debugger.Program();
  if (program.StartsLine(line.address)) {
    line.source_line = program.LineAt(line.address);
    line.source = program.SourceLine(line.source_line);
  }
}

}  // namespace

// "        LDI 0x03            ; 0001  C4 03" or "... ; 000A  90 F6  -> 0002"
bool ParseDisassembly(const std::string& text, CodeLine* line) {
  const size_t semicolon = text.rfind(';');
  if (semicolon == std::string::npos) return false;
  const std::string comment = Trimmed(text.substr(semicolon + 1));
  const auto address = ParseHex(std::string_view(comment).substr(0, 4), 4);
  if (comment.size() < 4 || !address) return false;
  line->address = static_cast<int>(*address);
  line->instruction = Trimmed(text.substr(0, semicolon));
  std::string rest = Trimmed(comment.substr(4));
  const size_t arrow = rest.find("->");
  if (arrow != std::string::npos) {
    const auto target = ParseHex(Trimmed(rest.substr(arrow + 2)), 4);
    line->target = target ? static_cast<int>(*target) : -1;
    rest = Trimmed(rest.substr(0, arrow));
  }
  line->bytes = rest;
  return true;
}

std::vector<CodeLine> CodeAround(const MemoryArray& memory, const InstructionTable& table, const Debugger& debugger,
                                 int focus, int next, int before, int after) {
  std::vector<CodeLine> lines;
  focus = std::clamp(focus, 0, kMemorySize - 1);
  // Two pieces, so that the line at `focus` starts there whatever the
  // bytes before it are.
  AddLines(memory, table, debugger, std::max(0, focus - before), focus - 1, lines);
  AddLines(memory, table, debugger, focus, std::min(kMemorySize - 1, focus + after), lines);
  for (CodeLine& line : lines) Annotate(debugger, next, line);
  return lines;
}

std::string InstructionText(const InstructionTable& table, const Debugger& debugger, int address, int opcode,
                            int operand) {
  // The disassembler reads memory: a scratch copy holding just this
  // instruction, kept between calls since it is large.
  static MemoryArray scratch;
  address &= kMemorySize - 1;
  const int last = operand >= 0 ? std::min(address + 1, kMemorySize - 1) : address;
  scratch.data[address] = static_cast<int16_t>(opcode & 0xFF);
  scratch.data[last] = static_cast<int16_t>(operand >= 0 ? operand & 0xFF : opcode & 0xFF);
  CodeLine line;
  for (const std::string& text : Disassemble(scratch, address, last, table))
    if (ParseDisassembly(text, &line)) break;
  NameTarget(debugger, line);
  return line.instruction;
}

}  // namespace scmp
