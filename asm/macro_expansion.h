// A macro's definition and the substitution of one body line for a call,
// in the macro assembler's language: parameters are replaced as whole
// words, ALLARGS by the arguments the call still has (joined by commas),
// ARGCOUNT by their number. A call may pass more arguments than the macro
// names parameters; SHIFT drops the first, so that the others move up one
// place and a macro can walk through a list of any length.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "asm/source_line.h"

namespace scmp::assembler {

struct MacroLine {
  std::string text;
  int file = 0;
  int line = 0;
};

struct Macro {
  std::vector<std::string> params;
  std::vector<MacroLine> body;  // without blank and comment lines
  int file = 0;
  int line = 0;
};

// The arguments of a call: the operand split at its top-level commas, each
// trimmed, "<a,b>" standing for "a,b".
std::vector<std::string> MacroArguments(const Piece& operand);

// "<a,b>" stands for "a,b" in a macro argument.
std::string Unbracketed(std::string_view text);

// `line` with the parameters, ALLARGS and ARGCOUNT replaced for a call
// whose arguments are now `args`; appends to `out`.
void SubstituteLine(std::string_view line, const Macro& macro, const std::vector<std::string>& args, std::string* out);

// True for the operation word SHIFT.
bool IsShift(std::string_view word);

}  // namespace scmp::assembler
