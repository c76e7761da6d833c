#include "asm/string_literal.h"

namespace scmp::assembler {

bool ParseString(const Piece& operand, std::string* bytes, std::string* error, int* error_column) {
  const std::string_view text = operand.text;
  bytes->clear();
  auto fail = [&](size_t at, std::string message) {
    *error = std::move(message);
    *error_column = operand.column + static_cast<int>(at);
    return false;
  };
  if (text.empty() || text[0] != '"') return fail(0, ".ascii needs a text in double quotes");
  size_t i = 1;
  for (; i < text.size() && text[i] != '"'; ++i) {
    if (text[i] != '\\') {
      bytes->push_back(text[i]);
      continue;
    }
    if (++i >= text.size()) break;
    switch (text[i]) {
      case '\\': case '"': case '\'': bytes->push_back(text[i]); break;
      case 'n': bytes->push_back('\n'); break;
      case 'r': bytes->push_back('\r'); break;
      case 't': bytes->push_back('\t'); break;
      case '0': bytes->push_back('\0'); break;
      default: return fail(i - 1, "unknown escape \"\\" + std::string(1, text[i]) + "\"");
    }
  }
  if (i >= text.size()) return fail(0, "the text has no closing quote");
  if (i + 1 != text.size()) return fail(i + 1, "unexpected text after the closing quote");
  return true;
}

}  // namespace scmp::assembler
