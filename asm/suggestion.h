// What to say about a word that is no mnemonic and no directive: the
// SC/MP's way for the mnemonics of other processors (INC is ILD here, CALL
// is XPPC), a plain word for the macro assembler's test-only directives,
// else the nearest known spelling.
#pragma once

#include <string>
#include <string_view>

namespace scmp::assembler {

// "unknown mnemonic STO; did you mean ST? ..." or "unknown directive ...".
std::string UnknownWordMessage(std::string_view word);

}  // namespace scmp::assembler
