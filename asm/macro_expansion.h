// A macro's definition and the substitution of one body line for a call,
// in the macro assembler's language: parameters are replaced as words
// (in the macro assembler's sources an underscore or a dot ends a
// parameter's name, so that A_B joins two arguments), ALLARGS by the
// arguments the call still has (joined by commas), ARGCOUNT by their
// number. A parameter may have a default (P=0), a call may name the
// parameter it sets (P=5), and may pass more arguments than the macro names
// parameters; SHIFT drops the first, so that the others move up one place
// and a macro can walk through a list of any length. Missing arguments are
// empty, so ARGCOUNT is never below the number of parameters.
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

// What a block of lines between a word and its ENDM does when it is used:
// a macro waits for its calls, the others are used once where they stand.
enum class BlockKind { kMacro, kRept, kIrp, kIrpc, kWhile };

struct Macro {
  BlockKind kind = BlockKind::kMacro;
  std::vector<std::string> params;
  std::vector<std::string> defaults;  // beside params; empty when none was given
  std::vector<MacroLine> body;        // without blank and comment lines
  // The labels the body defines. In the macro assembler's sources each call
  // (and each repetition) has its own: they are renamed for it, unless the
  // definition said {GLOBALSYMBOLS}.
  std::vector<std::string> locals;
  bool global_symbols = false;
  bool intlabel = false;  // {INTLABEL}: the call's label is __LABEL__ inside
  int file = 0;
  int line = 0;
};

// Takes "P1, P2=default, {NOEXPAND}" apart into parameters, their defaults
// and the options in braces (GLOBALSYMBOLS and INTLABEL change what is
// assembled; the listing's options change no byte and are accepted).
// Returns "" or what is wrong.
std::string ParseParameters(const Piece& list, Macro* macro);

// The arguments of a call, one for each parameter at least: positional
// ones first, then NAME=value for a parameter by its name; an empty or
// missing one takes the parameter's default. "<a,b>" stands for "a,b".
// Returns "" or what is wrong.
std::string BindArguments(const Macro& macro, const Piece& operand, std::vector<std::string>* args);

// "<a,b>" stands for "a,b" in a macro argument.
std::string Unbracketed(std::string_view text);

// How a body line is substituted for one call.
struct Substitution {
  const Macro* macro = nullptr;
  const std::vector<std::string>* args = nullptr;
  std::string_view label;        // the call's label, for __LABEL__
  std::string local_suffix;      // appended to the body's own labels; empty for none
  bool macro_assembler = false;  // the macro assembler's rules for parameter names
};

// `line` with the parameters, ALLARGS, ARGCOUNT and the body's own labels
// replaced; appends to `out`.
void SubstituteLine(std::string_view line, const Substitution& substitution, std::string* out);

// True for the operation word SHIFT (also .SHIFT and SHFT).
bool IsShift(std::string_view word);

}  // namespace scmp::assembler
