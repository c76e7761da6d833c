#include "asm/operand.h"

#include <algorithm>
#include <cctype>

#include "asm/directive.h"
#include "asm/expression.h"
#include "core/file_reader.h"

namespace scmp::assembler {

int PointerNumber(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '3') return text[0] - '0';
  if (text.size() != 2) return -1;
  const char a = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  const char b = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
  if (a == 'P' && b == 'C') return 0;
  if (a == 'P' && b >= '0' && b <= '3') return b - '0';
  return -1;
}

// The pointer a register name stands for, -1 for E, -2 for another name.
int RegisterNumber(std::string_view name) {
  const std::string upper = UpperCase(name);
  if (upper == "E") return -1;
  if (upper == "PC") return 0;
  if (upper.size() == 2 && upper[0] == 'P' && upper[1] >= '0' && upper[1] <= '3') return upper[1] - '0';
  return -2;
}

namespace {

// The "(" or "[" that matches the ")" or "]" closing the text, or npos.
size_t MatchingOpen(std::string_view text) {
  if (text.empty() || (text.back() != ')' && text.back() != ']')) return std::string_view::npos;
  const char close = text.back(), open = close == ')' ? '(' : '[';
  int depth = 0;
  for (size_t i = text.size(); i-- > 0;) {
    if (text[i] == close) ++depth;
    else if (text[i] == open && --depth == 0) return i;
  }
  return std::string_view::npos;
}

bool IsPlainName(std::string_view text) {
  if (text.empty() || !IsNameStart(text[0])) return false;
  for (char c : text)
    if (!IsNameChar(c)) return false;
  return true;
}

}  // namespace

std::string_view TrailingName(std::string_view text) {
  size_t start = text.size();
  while (start > 0 && IsNameChar(text[start - 1])) --start;
  while (start < text.size() && !IsNameStart(text[start])) ++start;  // a name begins with a letter
  return text.substr(start);
}

bool ParseOperand(const Piece& operand, Operand* result, std::string* error, int* error_column,
                  const RegisterFinder& find) {
  *result = Operand{};
  Piece text = Trimmed(operand);
  if (text.text.empty()) return true;
  // What a name stands for as a register; the digits 0..3 name pointers too.
  auto register_of = [&](std::string_view name) {
    if (name.size() == 1 && std::isdigit(static_cast<unsigned char>(name[0]))) return PointerNumber(name) >= 0 ? PointerNumber(name) : -2;
    return find ? find(name) : RegisterNumber(name);
  };
  auto names_e = [&](std::string_view name) { return IsPlainName(name) && register_of(name) == -1; };
  if (const int p = register_of(text.text); p >= 0 && !std::isdigit(static_cast<unsigned char>(text.text[0]))) {
    result->syntax = OperandSyntax::kPointer;
    result->pointer = p;
    return true;
  }
  if (text.text[0] == '#') {
    result->syntax = OperandSyntax::kImmediate;
    result->value = Trimmed(Piece{text.text.substr(1), text.column + 1});
    if (result->value.text.empty()) {
      *error = "a value is missing after \"#\"";
      *error_column = text.column;
      return false;
    }
    return true;
  }
  const bool auto_indexed = text.text[0] == '@';
  Piece body = auto_indexed ? Trimmed(Piece{text.text.substr(1), text.column + 1}) : text;

  // disp(Pn), (Pn), [Pn]: a closing parenthesis or bracket round a pointer
  // name. Anything else in parentheses is part of an expression.
  const size_t open = MatchingOpen(body.text);
  int pointer = -1;
  Piece disp;
  if (open != std::string_view::npos) {
    const Piece inside = Trimmed(Piece{body.text.substr(open + 1, body.text.size() - open - 2),
                                       body.column + static_cast<int>(open) + 1});
    disp = Trimmed(Piece{body.text.substr(0, open), body.column});
    // "(2)" alone is a number in parentheses; "(P2)" and "0(2)" name P2.
    if (!disp.text.empty() || !std::isdigit(static_cast<unsigned char>(inside.text.empty() ? ' ' : inside.text[0])))
      pointer = std::max(register_of(inside.text), -1);
    const bool e = names_e(disp.text);
    if (names_e(inside.text)) {
      *error = Quoted(inside.text, kQuotedTextLimit) + " stands for E, which is no pointer: write P0..P3, PC or 0..3";
      *error_column = inside.column;
      return false;
    }
    if (pointer < 0 && !disp.text.empty() && IsPlainName(inside.text)) {
      result->pointer_symbol = inside;
      result->whole = body;
      result->uses_e = e;
      result->value = disp;
      result->syntax = auto_indexed ? OperandSyntax::kAutoIndexed : OperandSyntax::kDisplacement;
      return true;
    }
    if (pointer < 0 && e) {
      *error = Quoted(inside.text, kQuotedTextLimit) + " is no pointer: write P0..P3, PC or 0..3";
      *error_column = inside.column;
      return false;
    }
  }
  if (pointer < 0) {
    if (auto_indexed) {
      *error = "\"@\" needs a displacement and a pointer, such as @1(P1)";
      *error_column = text.column;
      return false;
    }
    result->syntax = OperandSyntax::kExpression;
    result->value = body;
    return true;
  }
  result->syntax = auto_indexed ? OperandSyntax::kAutoIndexed : OperandSyntax::kDisplacement;
  result->pointer = pointer;
  result->uses_e = names_e(disp.text);
  result->value = disp;
  return true;
}

}  // namespace scmp::assembler
