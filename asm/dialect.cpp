#include "asm/dialect.h"

#include <algorithm>
#include <cctype>

#include "asm/directive.h"
#include "asm/source_line.h"

namespace scmp::assembler {

namespace {

bool WordAt(std::string_view source, size_t i, std::string_view upper_word) {
  if (source.size() - i < upper_word.size()) return false;
  for (size_t k = 0; k < upper_word.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(source[i + k])) != upper_word[k]) return false;
  return true;
}

}  // namespace

// Looks only at the lines that hold "CPU" or "RELAXED" in some case, without
// splitting the whole source, so that a huge source costs no more than one
// scan. RELAXED marks the macro assembler too: a source made for it with its
// command line's -cpu may have no CPU line.
OperatorOrder OperatorOrderOf(std::string_view source) {
  for (size_t i = 0; i + 2 < source.size(); ++i) {
    if (!WordAt(source, i, "CPU") && !WordAt(source, i, "RELAXED")) continue;
    const size_t begin = source.find_last_of("\r\n", i) == std::string_view::npos ? 0 : source.find_last_of("\r\n", i) + 1;
    const size_t end = std::min(source.find_first_of("\r\n", i), source.size());
    const SourceLine parsed = ParseSourceLine(source.substr(begin, end - begin), 0, IsMnemonicOrDirective);
    const std::string_view word = parsed.operation.text.substr(!parsed.operation.text.empty() && parsed.operation.text[0] == '.');
    if (parsed.error.empty() && !parsed.equate &&
        (DirectiveOf(word) == Directive::kCpu || UpperCase(word) == "RELAXED"))
      return OperatorOrder::kMacroAssembler;
    i = end;
  }
  return OperatorOrder::kC;
}

std::string SymbolKey(std::string_view name, OperatorOrder order) {
  return order == OperatorOrder::kMacroAssembler ? UpperCase(name) : std::string(name);
}

}  // namespace scmp::assembler
