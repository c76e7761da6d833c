// The assembler: source text in, bytes with their addresses, symbols and
// diagnostics out. Two passes, so a symbol may be used before the line that
// defines it. The opcodes come from the instruction table handed in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"
#include "core/table.h"

namespace scmp {

enum class Severity { kError, kWarning };

struct Diagnostic {
  std::string file;
  int line = 0;
  int column = 0;
  Severity severity = Severity::kError;
  std::string message;
};

// "FILE:LINE:COL: error: message", the form editors jump from.
std::string FormatDiagnostic(const Diagnostic& diagnostic);

// The bytes that one source line placed.
struct LineCode {
  int line = 0;     // 1-based source line
  int address = 0;  // of the first byte
  std::vector<uint8_t> bytes;
  bool data = false;  // placed by a data directive (.byte, .dbyte, .ascii, .space), not an instruction
};

struct Symbol {
  std::string name;
  int64_t value = 0;
  int line = 0;
};

struct Assembly {
  std::vector<LineCode> code;          // in source order
  std::vector<Symbol> symbols;         // sorted by name
  std::vector<Diagnostic> diagnostics;  // in the order found
  int last_line = 0;                   // the last source line read (.end stops reading)

  int ErrorCount() const;
  bool Succeeded() const { return ErrorCount() == 0; }
};

// Reporting stops after this many errors.
constexpr int kMaxErrors = 100;

// Assembles `source`; `file_name` is what diagnostics name. Never throws
// for any input.
Assembly Assemble(std::string_view source, const std::string& file_name, const InstructionTable& table);

// Stores the assembled bytes into the RAM cells of `memory`; bytes aimed at
// a port or absent memory are dropped, as the listing loader drops them.
// Returns the number dropped.
int StoreInRam(const Assembly& assembly, MemoryArray& memory);

// Lines of source text, from `from` to `to` (both included, 0x000..0xFFF),
// that assemble back to exactly the bytes of memory there: ".org" first,
// then one instruction or ".byte" a line, with the address and the bytes as
// a comment (and the target of a PC-relative operand).
std::vector<std::string> Disassemble(const MemoryArray& memory, int from, int to, const InstructionTable& table);

// The symbol file: one "NAME = 0xHHHH" line per symbol.
std::string SymbolFileText(const Assembly& assembly);

}  // namespace scmp
