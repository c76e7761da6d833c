#include "trainer/code_view.h"

#include <algorithm>

#include "asm/assembler.h"
#include "core/hex.h"

namespace scmp {

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void AddLines(const MemoryArray& memory, const InstructionTable& table, int from, int to,
              std::vector<CodeLine>& lines) {
  if (from > to) return;
  for (const std::string& text : Disassemble(memory, from, to, table)) {
    CodeLine line;
    if (ParseDisassembly(text, &line)) lines.push_back(line);
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
                                 int next, int before, int after) {
  std::vector<CodeLine> lines;
  next = std::clamp(next, 0, kMemorySize - 1);
  // Two pieces, so that the instruction at `next` starts a line whatever
  // the bytes before it are.
  AddLines(memory, table, std::max(0, next - before), next - 1, lines);
  AddLines(memory, table, next, std::min(kMemorySize - 1, next + after), lines);
  for (CodeLine& line : lines) {
    line.next = line.address == next;
    line.breakpoint = debugger.IsBreakpoint(line.address);
    line.symbol = debugger.SymbolAt(line.address);
    if (line.target >= 0) line.target_symbol = debugger.SymbolAt(line.target);
  }
  return lines;
}

}  // namespace scmp
