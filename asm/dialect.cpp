#include "asm/dialect.h"

#include <algorithm>
#include <cctype>

#include "asm/directive.h"
#include "asm/source_line.h"

namespace scmp::assembler {

// Looks only at the lines that hold "CPU" in some case, without splitting
// the whole source, so that a huge source costs no more than one scan.
OperatorOrder OperatorOrderOf(std::string_view source) {
  for (size_t i = 0; i + 2 < source.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(source[i])) != 'C' ||
        std::toupper(static_cast<unsigned char>(source[i + 1])) != 'P' ||
        std::toupper(static_cast<unsigned char>(source[i + 2])) != 'U')
      continue;
    const size_t begin = source.find_last_of("\r\n", i) == std::string_view::npos ? 0 : source.find_last_of("\r\n", i) + 1;
    const size_t end = std::min(source.find_first_of("\r\n", i), source.size());
    const SourceLine parsed = ParseSourceLine(source.substr(begin, end - begin), 0, IsMnemonicOrDirective);
    if (parsed.error.empty() && !parsed.equate && DirectiveOf(parsed.operation.text) == Directive::kCpu)
      return OperatorOrder::kMacroAssembler;
    i = end;
  }
  return OperatorOrder::kC;
}

}  // namespace scmp::assembler
