#include "asm/bare_word.h"

namespace scmp::assembler {

bool IsBareWord(const SourceLine& line) {
  if (line.label.text.empty() || line.label.column != 1 || line.equate || !line.operation.text.empty() ||
      !line.error.empty() || IsLocalLabel(line.label.text))
    return false;
  const std::string_view rest = line.text.substr(line.label.text.size());
  const size_t next = rest.find_first_not_of(" \t");
  return next == std::string_view::npos || rest[next] == ';';
}

std::string BareWordWarning(std::string_view word) {
  return std::string(word) +
         " alone in column 1 is a label that nothing uses; delete it if it was typed by mistake, or put a blank "
         "before an instruction";
}

}  // namespace scmp::assembler
