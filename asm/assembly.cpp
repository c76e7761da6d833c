// What an assembly gives besides its bytes: the printed form of a
// diagnostic, the count of errors, the bytes stored in the board's RAM, the
// symbol file.
#include <algorithm>

#include "asm/assembler.h"
#include "core/file_reader.h"
#include "core/hex.h"

namespace scmp {

// The file's name and the message may hold bytes from the user's files:
// escaped, so that no name or source line can write on the terminal.
std::string FormatDiagnostic(const Diagnostic& d) {
  return Escaped(d.file) + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + SeverityName(d.severity) +
         ": " + Escaped(d.message);
}

const char* SeverityName(Severity severity) {
  return severity == Severity::kError ? "error" : severity == Severity::kWarning ? "warning" : "note";
}

int Assembly::ErrorCount() const {
  return static_cast<int>(std::count_if(diagnostics.begin(), diagnostics.end(),
                                        [](const Diagnostic& d) { return d.severity == Severity::kError; }));
}

int StoreInRam(const Assembly& assembly, MemoryArray& memory) {
  int dropped = 0;
  for (const LineCode& code : assembly.code)
    for (size_t i = 0; i < code.bytes.size(); ++i) {
      const int a = code.address + static_cast<int>(i);
      if (a < kMemorySize && memory.kind[a] == kRam) memory.data[a] = code.bytes[i];
      else ++dropped;
    }
  return dropped;
}

std::string SymbolFileText(const Assembly& assembly) {
  std::string text;
  for (const Symbol& s : assembly.symbols) text += s.name + " = 0x" + Hex(s.value, 4) + "\n";
  return text;
}

}  // namespace scmp
