// A word alone in the first column is a label by the old assemblers' rule;
// typed by mistake (a learner's "rp", meant for the panel) it would pass
// without a word. Such a label that nothing uses earns a warning.
#pragma once

#include <string>

#include "asm/source_line.h"

namespace scmp::assembler {

// True for a line that is a label in column 1 and nothing else: no colon,
// no operation, no definition.
bool IsBareWord(const SourceLine& line);

// The warning for the bare word `word` that nothing uses.
std::string BareWordWarning(std::string_view word);

}  // namespace scmp::assembler
