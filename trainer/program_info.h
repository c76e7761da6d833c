// What the debugger knows of the loaded program beyond its bytes: the
// symbols with their kind and source line, the source text, and the line
// map (for every address the source line that placed it and whether it is
// code or data). Filled from an assembly; empty for an image, a listing or
// a HEX file.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"
#include "core/machine.h"
#include "trainer/line_map.h"

namespace scmp {

enum class SymbolKind { kCode, kData, kConstant };
const char* SymbolKindName(SymbolKind kind);  // "code", "data", "constant"

struct ProgramSymbol {
  std::string name;
  int64_t value = 0;
  SymbolKind kind = SymbolKind::kConstant;
  int line = 0;
};

struct ProgramInfo {
  std::string source_path;             // empty: no source behind the program
  std::vector<ProgramSymbol> symbols;  // sorted by name
  std::vector<std::string> source;     // the source text, line 1 first
  LineMap map;

  bool Empty() const { return source_path.empty() && symbols.empty(); }
  // The line of the source file that placed the byte at `address`, or 0.
  int LineAt(int address) const;
  // True where the assembly placed data (.byte, .ascii, .space, .dbyte).
  bool IsData(int address) const { return map.KindAt(address) == LineMap::Kind::kData; }
  // True at the first byte a source line placed.
  bool StartsLine(int address) const { return LineAt(address) > 0 && LineAt(address - 1) != LineAt(address); }
  // The text of source line `number`, without leading blanks; "" outside.
  std::string SourceLine(int number) const;
  // The number of the line reading `text` (leading blanks aside) nearest
  // to line `near`, or 0.
  int NearestLine(const std::string& text, int near) const;
  // The first instruction line `number` placed, or -1.
  int CodeAddressOfLine(int number) const { return number > 0 ? map.FirstInstruction(number) : -1; }
  // The symbol named `name` (case as written), or nullptr.
  const ProgramSymbol* Find(std::string_view name) const;
};

// The program `assembly` made of `source` read from `path`.
ProgramInfo ProgramInfoFrom(const Assembly& assembly, std::string_view source, const std::string& path);

}  // namespace scmp
