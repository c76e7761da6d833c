// Which assembler a source was written for, as far as the bytes depend on
// it: a source with a CPU line (or a RELAXED line) is the macro
// assembler's, whose operators bind in its own order and whose numbers with
// a leading 0 are octal.
#pragma once

#include <string_view>

#include "asm/expression.h"

namespace scmp::assembler {

OperatorOrder OperatorOrderOf(std::string_view source);

}  // namespace scmp::assembler
