#include "asm/macro_expansion.h"

#include "asm/directive.h"
#include "asm/expression.h"

namespace scmp::assembler {

namespace {

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

std::string Unbracketed(std::string_view text) {
  if (text.size() >= 2 && text.front() == '<' && text.back() == '>') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

std::vector<std::string> MacroArguments(const Piece& operand) {
  std::vector<std::string> args;
  if (Trimmed(operand).text.empty()) return args;
  for (const Piece& p : SplitOperands(operand)) args.push_back(Unbracketed(p.text));
  return args;
}

bool IsShift(std::string_view word) { return SameWord(word, "SHIFT"); }

void SubstituteLine(std::string_view text, const Macro& macro, const std::vector<std::string>& args, std::string* out) {
  size_t i = 0;
  while (i < text.size()) {
    if (!IsNameStart(text[i])) {
      *out += text[i++];
      continue;
    }
    size_t j = i;
    while (j < text.size() && IsNameChar(text[j])) ++j;
    const std::string_view word = text.substr(i, j - i);
    i = j;
    size_t n = 0;
    while (n < macro.params.size() && !SameWord(macro.params[n], word)) ++n;
    if (n < macro.params.size()) {
      if (n < args.size()) *out += args[n];
    } else if (SameWord(word, "ALLARGS")) {
      for (size_t a = 0; a < args.size(); ++a) *out += (a ? "," : "") + args[a];
    } else if (SameWord(word, "ARGCOUNT")) {
      *out += std::to_string(args.size());
    } else {
      *out += word;
    }
  }
}

}  // namespace scmp::assembler
