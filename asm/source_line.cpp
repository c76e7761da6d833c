#include "asm/source_line.h"

#include <cctype>

#include "asm/expression.h"
#include "asm/string_literal.h"
#include "core/file_reader.h"

namespace scmp::assembler {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// True when the quote at text[i] belongs to a number such as X'1F' or
// B'1010' (whose closing quote may be left out), not to a text.
bool IsNumberQuote(std::string_view text, size_t i) {
  if (i == 0) return false;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i - 1])));
  return (letter == 'X' || letter == 'H' || letter == 'B') && (i == 1 || !IsNameChar(text[i - 2]));
}

// Calls `visit(i)` for each character of `text` that stands outside a
// string ("..." or '...', with backslash escapes) or a character constant;
// stops when it returns false. A quote that is never closed is an ordinary
// character.
template <class Visit>
void ForEachUnquoted(std::string_view text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' && IsNumberQuote(text, i)) {
      for (++i; i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
      }
      if (i < text.size() && text[i] == '\'') continue;
      --i;
      continue;
    }
    if (c == '"' || c == '\'') {
      const size_t end = QuotedEnd(text, i);
      if (end != std::string_view::npos) {
        i = end - 1;
        continue;
      }
      if (c == '"') return;  // the rest is the unclosed text
    }
    if (!visit(i)) return;
  }
}

Piece Slice(std::string_view line, size_t from, size_t to) {
  return Trimmed(Piece{line.substr(from, to - from), static_cast<int>(from) + 1});
}

}  // namespace

size_t CommentStart(std::string_view text) {
  size_t at = text.size();
  ForEachUnquoted(text, [&](size_t i) {
    if (text[i] != ';') return true;
    at = i;
    return false;
  });
  return at;
}

Piece Trimmed(Piece piece) {
  while (!piece.text.empty() && IsBlank(piece.text.front())) {
    piece.text.remove_prefix(1);
    ++piece.column;
  }
  while (!piece.text.empty() && IsBlank(piece.text.back())) piece.text.remove_suffix(1);
  return piece;
}

std::vector<std::string_view> SplitSourceLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool IsMnemonicOrDirective(std::string_view word) { return IsMnemonic(word) || DirectiveOf(word) != Directive::kNone; }

bool IsLocalLabel(std::string_view word) {
  if (word.size() < 2 || word.back() != '$') return false;
  for (size_t i = 0; i + 1 < word.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(word[i]))) return false;
  return true;
}

SourceLine ParseSourceLine(std::string_view text, int number, const IsOperation& is_operation) {
  SourceLine line;
  line.number = number;
  line.text = text;
  if (text.size() > kMaxLineLength) {
    line.error = "the line is too long (more than " + std::to_string(kMaxLineLength) + " characters)";
    line.error_column = static_cast<int>(kMaxLineLength) + 1;
    return line;
  }
  // A "*" in the first column starts a comment line, unless it sets the
  // location ("*=").
  size_t end = CommentStart(text);
  if (!text.empty() && text[0] == '*' && text.find_first_not_of(" \t", 1) != std::string_view::npos &&
      text[text.find_first_not_of(" \t", 1)] != '=')
    end = 0;
  size_t pos = 0;
  while (pos < end && IsBlank(text[pos])) ++pos;

  auto read_word = [&](size_t from) {
    size_t to = from;
    if (to < end && text[to] == '.') ++to;
    while (to < end && IsNameChar(text[to])) ++to;
    if (to < end && text[to] == '$' && IsLocalLabel(text.substr(from, to + 1 - from))) ++to;
    return to;
  };
  auto skip_blanks = [&](size_t from) {
    while (from < end && IsBlank(text[from])) ++from;
    return from;
  };
  auto piece = [&](size_t from, size_t to) { return Piece{text.substr(from, to - from), static_cast<int>(from) + 1}; };
  // NAME = expr, NAME EQU expr, NAME SET expr, NAME FUNCTION ARG, expr: the
  // definition that may follow a name at `after`.
  auto definition = [&](size_t after) {
    if (after < end && text[after] == '=' && (after + 1 >= end || text[after + 1] != '=')) {
      line.equate = true;
      line.definition = Directive::kEqu;
      line.operation = piece(after, after + 1);
      line.operand = Slice(text, after + 1, end);
      return true;
    }
    const size_t next_end = read_word(after);
    const Directive d = DirectiveOf(text.substr(after, next_end - after));
    if (next_end == after || !DefinesName(d)) return false;
    line.equate = true;
    line.definition = d;
    line.operation = piece(after, next_end);
    line.operand = Slice(text, next_end, end);
    return true;
  };

  const bool first_column = pos == 0;
  if (pos < end && (IsNameStart(text[pos]) || std::isdigit(static_cast<unsigned char>(text[pos])))) {
    const size_t word_end = read_word(pos);
    const std::string_view word = text.substr(pos, word_end - pos);
    const bool name = IsNameStart(text[pos]) || IsLocalLabel(word);
    const size_t after = skip_blanks(word_end);
    if (name && after < end && text[after] == ':') {
      line.label = piece(pos, word_end);
      pos = skip_blanks(after + 1 < end && text[after + 1] == ':' ? after + 2 : after + 1);
      if (definition(pos)) return line;
    } else if (name && !(IsMnemonic(word) && !first_column) && definition(after)) {
      // An indented mnemonic stays an instruction (LDI LABEL, LDI EQU)
      // even when a defining word follows it.
      line.label = piece(pos, word_end);
      return line;
    } else if (name && first_column && (!is_operation(word) || (after >= end && IsMessage(DirectiveOf(word))))) {
      // MESSAGE, WARNING, ERROR and FATAL alone in the first column are
      // labels (a routine called ERROR), not texts left out.
      // A name in the first column with no colon is a label when what
      // follows can be an operation.
      if (after >= end || IsNameStart(text[after]) || text[after] == '.') {
        line.label = piece(pos, word_end);
        pos = after;
      }
    } else if (name && first_column && !IsMnemonic(word) && after < end) {
      // A directive's name in the first column before an operation is a
      // label too (LIST LDI 0): the label of a routine is not lost.
      const size_t next_end = read_word(after);
      if (next_end > after && is_operation(text.substr(after, next_end - after))) {
        line.label = piece(pos, word_end);
        pos = after;
      }
    }
  }
  if (pos >= end) return line;

  if (text.substr(pos, 2) == ".=" || (text[pos] == '*' && skip_blanks(pos + 1) < end && text[skip_blanks(pos + 1)] == '=')) {
    const size_t equals = text[pos] == '.' ? pos + 1 : skip_blanks(pos + 1);
    line.operation = Piece{".org", static_cast<int>(pos) + 1};
    line.operand = Slice(text, equals + 1, end);
    return line;
  }
  const size_t op_end = read_word(pos);
  if (op_end == pos || (text[pos] == '.' && op_end == pos + 1)) {
    line.error = "expected a mnemonic or a directive, not \"" + std::string(1, text[pos]) + "\"";
    line.error_column = static_cast<int>(pos) + 1;
    return line;
  }
  line.operation = piece(pos, op_end);
  if (op_end < end && !IsBlank(text[op_end])) {
    line.error = "unexpected " + Quoted(std::string_view(&text[op_end], 1)) + " after " + std::string(line.operation.text);
    line.error_column = static_cast<int>(op_end) + 1;
    return line;
  }
  line.operand = Slice(text, op_end, end);
  return line;
}

std::vector<Piece> SplitOperands(const Piece& operand) {
  std::vector<Piece> parts;
  const std::string_view text = operand.text;
  size_t start = 0;
  int depth = 0;
  ForEachUnquoted(text, [&](size_t i) {
    if (text[i] == '(' || text[i] == '[') ++depth;
    else if (text[i] == ')' || text[i] == ']') --depth;
    else if (text[i] == ',' && depth == 0) {
      parts.push_back(Trimmed(Piece{text.substr(start, i - start), operand.column + static_cast<int>(start)}));
      start = i + 1;
    }
    return true;
  });
  parts.push_back(Trimmed(Piece{text.substr(start), operand.column + static_cast<int>(start)}));
  return parts;
}

}  // namespace scmp::assembler
