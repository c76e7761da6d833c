#include "asm/source_line.h"

#include <cctype>

#include "asm/expression.h"

namespace scmp::assembler {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Calls `visit(i)` for each character of `text` that stands outside a
// string ("...", with backslash escapes) or a character constant ('c');
// stops when it returns false.
template <class Visit>
void ForEachUnquoted(std::string_view text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i)
        if (text[i] == '\\') ++i;
      continue;
    }
    if (c == '\'' && i + 2 < text.size() && text[i + 2] == '\'') {
      i += 2;
      continue;
    }
    if (!visit(i)) return;
  }
}

size_t CommentStart(std::string_view text) {
  size_t at = text.size();
  ForEachUnquoted(text, [&](size_t i) {
    if (text[i] != ';') return true;
    at = i;
    return false;
  });
  return at;
}

Piece Slice(std::string_view line, size_t from, size_t to) {
  return Trimmed(Piece{line.substr(from, to - from), static_cast<int>(from) + 1});
}

}  // namespace

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

SourceLine ParseSourceLine(std::string_view text, int number) {
  SourceLine line;
  line.number = number;
  line.text = text;
  if (text.size() > kMaxLineLength) {
    line.error = "the line is too long (more than " + std::to_string(kMaxLineLength) + " characters)";
    line.error_column = static_cast<int>(kMaxLineLength) + 1;
    return line;
  }
  const size_t end = CommentStart(text);
  size_t pos = 0;
  while (pos < end && IsBlank(text[pos])) ++pos;

  // A name first: a label when a colon follows, the name of a constant when
  // "=" or ".equ" follows, else a mnemonic.
  auto read_word = [&](size_t from) {
    size_t to = from;
    if (to < end && text[to] == '.') ++to;
    while (to < end && IsNameChar(text[to])) ++to;
    return to;
  };
  auto skip_blanks = [&](size_t from) {
    while (from < end && IsBlank(text[from])) ++from;
    return from;
  };

  if (pos < end && IsNameStart(text[pos])) {
    const size_t word_end = read_word(pos);
    const size_t after = skip_blanks(word_end);
    if (after < end && text[after] == ':') {
      line.label = Piece{text.substr(pos, word_end - pos), static_cast<int>(pos) + 1};
      pos = skip_blanks(after + 1);
    } else if (after < end && text[after] == '=') {
      line.label = Piece{text.substr(pos, word_end - pos), static_cast<int>(pos) + 1};
      line.equate = true;
      line.operation = Piece{text.substr(after, 1), static_cast<int>(after) + 1};
      line.operand = Slice(text, after + 1, end);
      return line;
    } else {
      const size_t next_end = read_word(after);
      if (EqualsIgnoringCase(text.substr(after, next_end - after), ".equ")) {
        line.label = Piece{text.substr(pos, word_end - pos), static_cast<int>(pos) + 1};
        line.equate = true;
        line.operation = Piece{text.substr(after, next_end - after), static_cast<int>(after) + 1};
        line.operand = Slice(text, next_end, end);
        return line;
      }
    }
  }
  if (pos >= end) return line;

  if (text.substr(pos, 2) == ".=") {
    line.operation = Piece{".org", static_cast<int>(pos) + 1};
    line.operand = Slice(text, pos + 2, end);
    return line;
  }
  const size_t op_end = read_word(pos);
  if (op_end == pos || (text[pos] == '.' && op_end == pos + 1)) {
    line.error = "expected a mnemonic or a directive, not \"" + std::string(1, text[pos]) + "\"";
    line.error_column = static_cast<int>(pos) + 1;
    return line;
  }
  line.operation = Piece{text.substr(pos, op_end - pos), static_cast<int>(pos) + 1};
  if (op_end < end && !IsBlank(text[op_end])) {
    line.error = "unexpected \"" + std::string(1, text[op_end]) + "\" after " + std::string(line.operation.text);
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
    if (text[i] == '(') ++depth;
    else if (text[i] == ')') --depth;
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
