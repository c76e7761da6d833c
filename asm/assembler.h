// The assembler: source text in, bytes with their addresses, symbols and
// diagnostics out. Two passes, so a symbol may be used before the line that
// defines it. The opcodes come from the instruction table handed in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"
#include "core/table.h"

namespace scmp {

enum class Severity { kError, kWarning, kNote };

struct Diagnostic {
  std::string file;
  int line = 0;
  int column = 0;
  Severity severity = Severity::kError;
  std::string message;
};

// "FILE:LINE:COL: error: message", the form editors jump from.
std::string FormatDiagnostic(const Diagnostic& diagnostic);
// "error", "warning" or "note".
const char* SeverityName(Severity severity);

// A macro call or an INCLUDE line through which a line came.
struct CallSite {
  std::string file;
  int line = 0;
  std::string macro;  // the macro called; empty for an INCLUDE
};

// The bytes that one source line placed.
struct LineCode {
  int line = 0;     // 1-based line in `file`
  int address = 0;  // of the first byte, 0x0000..0xFFFF
  std::vector<uint8_t> bytes;
  std::string file;             // the file the line stands in (the main file's name for the main source)
  std::vector<CallSite> calls;  // the includes and macro calls that led to it, outermost first
  std::string text;             // the line as assembled, when `calls` is not empty (after substitution)
  bool data = false;  // placed by a data directive (.byte, .dbyte, .ascii, .space), not an instruction
};

struct Symbol {
  std::string name;
  int64_t value = 0;
  int line = 0;
  bool label = false;  // placed by a label (an address), not defined by = / EQU / SET
};

struct Assembly {
  std::vector<LineCode> code;          // in source order
  std::vector<Symbol> symbols;         // sorted by name
  std::vector<Diagnostic> diagnostics;  // in the order found
  int last_line = 0;                   // the last line of the main source read (.end stops reading)

  int ErrorCount() const;
  bool Succeeded() const { return ErrorCount() == 0; }
};

// Reporting stops after this many errors; warnings after this many are
// counted in one last line.
constexpr int kMaxErrors = 100;
constexpr int kMaxWarnings = 100;

// Gives the text of the file at `path` (as INCLUDE names it, joined to the
// including file's folder) or false with a message.
using IncludeReader = std::function<bool(const std::string& path, std::string* text, std::string* error)>;

// A name defined before the first line, as scmp-asm's -D NAME[=VALUE]
// gives it: IFDEF sees it, IF and every expression read its value (1 when
// none is given).
struct Predefined {
  std::string name;
  std::string value;
};

// Choices a source may also make for itself.
struct AssembleOptions {
  // .DBYTE's byte order at the start: low byte first, as the published
  // object code of National-style programs has it; DBYTEORDER HIGH/LOW in
  // the source changes it.
  bool dbyte_high_first = false;
  // Names defined before the first line (scmp-asm -D).
  std::vector<Predefined> predefined;
};

// Assembles `source`; `file_name` is what diagnostics name. INCLUDE reads
// through `read_include` (without one, INCLUDE is an error). Never throws
// for any input: running out of memory is reported as an error.
Assembly Assemble(std::string_view source, const std::string& file_name, const InstructionTable& table,
                  const IncludeReader& read_include = {}, const AssembleOptions& options = {});

// Stores the assembled bytes into the RAM cells of `memory`; bytes aimed at
// a port, absent memory or past the board's 4K are dropped, as the listing loader drops them.
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
