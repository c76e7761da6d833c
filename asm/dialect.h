// Which assembler a source was written for, as far as the bytes depend on
// it: a source with a CPU line (or a RELAXED line) is the macro
// assembler's, whose operators bind in its own order and whose numbers with
// a leading 0 are octal.
#pragma once

#include <string>
#include <string_view>

#include "asm/expression.h"

namespace scmp::assembler {

OperatorOrder OperatorOrderOf(std::string_view source);

// How a symbol's name is kept: the macro assembler's names are the same in
// any case (Loop, LOOP), the other dialects' keep their case. The source
// stage's conditions and the passes both key names with it.
std::string SymbolKey(std::string_view name, OperatorOrder order);

}  // namespace scmp::assembler
