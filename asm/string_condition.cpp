#include "asm/string_condition.h"

#include <cctype>

#include "asm/directive.h"
#include "asm/source_line.h"
#include "asm/string_literal.h"

namespace scmp::assembler {

namespace {

// The length of the text operand at the start of `text`: a string, or
// UPSTRING(...)/LOWSTRING(...) round one; 0 when there is none.
size_t OperandLength(std::string_view text) {
  if (text.empty()) return 0;
  if (text[0] == '"' || text[0] == '\'') {
    const size_t end = QuotedEnd(text, 0);
    return end == std::string_view::npos ? 0 : end;
  }
  const size_t open = text.find('(');
  if (open == std::string_view::npos) return 0;
  const std::string name = UpperCase(Trimmed(Piece{text.substr(0, open), 1}).text);
  if (name != "UPSTRING" && name != "LOWSTRING") return 0;
  size_t i = open + 1;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return 0;
  i = QuotedEnd(text, i);
  while (i != std::string_view::npos && i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i != std::string_view::npos && i < text.size() && text[i] == ')' ? i + 1 : 0;
}

}  // namespace

bool TextValue(std::string_view operand, std::string* value) {
  const Piece trimmed = Trimmed(Piece{operand, 1});
  const std::string_view text = trimmed.text;
  if (text.empty() || OperandLength(text) != text.size()) return false;
  int upper = 0;  // 1 for UPSTRING, -1 for LOWSTRING
  std::string_view quoted = text;
  if (text[0] != '"' && text[0] != '\'') {
    upper = std::toupper(static_cast<unsigned char>(text[0])) == 'U' ? 1 : -1;
    const size_t first = text.find_first_of("\"'");
    quoted = text.substr(first, QuotedEnd(text, first) - first);
  }
  std::string error;
  int column = 0;
  if (!ParseString(Piece{quoted, 1}, value, &error, &column)) {
    // "" is an empty text (the string reader wants at least one character).
    if (quoted.size() != 2) return false;
    value->clear();
  }
  for (char& c : *value) {
    const auto u = static_cast<unsigned char>(c);
    if (upper) c = static_cast<char>(upper > 0 ? std::toupper(u) : std::tolower(u));
  }
  return true;
}

bool CompareTexts(std::string_view condition, bool* result) {
  const std::string_view text = Trimmed(Piece{condition, 1}).text;
  const size_t left_end = OperandLength(text);
  if (left_end == 0) return false;
  size_t i = left_end;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  static constexpr const char* kOperators[] = {"<>", "!=", "<=", ">=", "==", "=", "<", ">"};
  std::string_view op;
  for (const char* o : kOperators)
    if (text.substr(i, std::char_traits<char>::length(o)) == o) {
      op = o;
      break;
    }
  if (op.empty()) return false;
  std::string left, right;
  if (!TextValue(text.substr(0, left_end), &left) || !TextValue(text.substr(i + op.size()), &right)) return false;
  const int order = left.compare(right);
  if (op == "<>" || op == "!=") *result = order != 0;
  else if (op == "=" || op == "==") *result = order == 0;
  else if (op == "<") *result = order < 0;
  else if (op == ">") *result = order > 0;
  else if (op == "<=") *result = order <= 0;
  else *result = order >= 0;
  return true;
}

}  // namespace scmp::assembler
