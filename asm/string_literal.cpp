#include "asm/string_literal.h"

#include <cctype>

namespace scmp::assembler {

namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u >= 'A' && u <= 'F' ? u - 'A' + 10 : -1;
}

bool IsDigitOf(char c, int base) {
  const int d = DigitValue(c);
  return d >= 0 && d < base;
}

// The escapes that are one letter (in either case) or one quote.
int NamedEscape(char c) {
  switch (std::tolower(static_cast<unsigned char>(c))) {
    case '\\': return '\\';
    case '"': case 'i': return '"';
    case '\'': case 'h': return '\'';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'a': return 7;
    case 'b': return 8;
    case 'e': return 27;
    default: return -1;
  }
}

}  // namespace

bool DecodeEscape(std::string_view text, size_t* pos, uint8_t* byte, std::string* error) {
  size_t i = *pos + 1;  // past the backslash
  if (i >= text.size()) {
    *error = "a \"\\\" at the end of the text escapes nothing";
    return false;
  }
  const char c = text[i];
  // A number: \0 and octal digits, \x and hex digits, else decimal digits.
  int base = 10;
  size_t first = i, most = 3;
  if (c == '0') {
    base = 8;
    first = i + 1;
  } else if ((c == 'x' || c == 'X') && i + 1 < text.size() && IsDigitOf(text[i + 1], 16)) {
    base = 16;
    first = i + 1;
    most = 2;
  } else if (!IsDigitOf(c, 10)) {
    const int named = NamedEscape(c);
    if (named < 0) {
      *error = "unknown escape \"\\" + std::string(1, c) + "\"";
      return false;
    }
    *byte = static_cast<uint8_t>(named);
    *pos = i + 1;
    return true;
  }
  size_t end = first;
  int value = 0;
  while (end < text.size() && end < first + most && IsDigitOf(text[end], base)) value = value * base + DigitValue(text[end++]);
  const std::string written(text.substr(*pos, end - *pos));
  if (base == 8 && end < text.size() && end < first + most && IsDigitOf(text[end], 10)) {
    *error = "\"" + written + std::string(1, text[end]) +
             "\": an escape that starts with 0 is octal (digits 0..7); write the value in decimal without the 0 "
             "(\\13 for carriage return) or in hex (\\x0D)";
    return false;
  }
  if (value > 255) {
    *error = "\"" + written + "\" is past 255, the largest byte";
    return false;
  }
  *byte = static_cast<uint8_t>(value);
  *pos = end;
  return true;
}

size_t QuotedEnd(std::string_view text, size_t at) {
  const char quote = text[at];
  for (size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] == quote) return i + 1;
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
  }
  // A lone '\' is the backslash itself, not an escaped quote.
  if (quote == '\'' && text.substr(at, 3) == "'\\'") return at + 3;
  return std::string_view::npos;
}

bool DecodeQuoted(std::string_view text, size_t at, std::string* bytes, size_t* end, std::string* error,
                  size_t* error_at) {
  bytes->clear();
  const size_t close = QuotedEnd(text, at);
  if (close == std::string_view::npos) {
    *error = "the text has no closing quote";
    *error_at = at;
    return false;
  }
  *end = close;
  if (close == at + 3 && text[at + 1] == '\\') {  // '\' alone
    bytes->push_back('\\');
    return true;
  }
  for (size_t i = at + 1; i + 1 < close;) {
    if (text[i] != '\\') {
      bytes->push_back(text[i++]);
      continue;
    }
    uint8_t byte = 0;
    *error_at = i;
    if (!DecodeEscape(text, &i, &byte, error)) return false;
    bytes->push_back(static_cast<char>(byte));
  }
  return true;
}

bool ParseString(const Piece& operand, std::string* bytes, std::string* error, int* error_column) {
  const std::string_view text = operand.text;
  auto fail = [&](size_t at, std::string message) {
    *error = std::move(message);
    *error_column = operand.column + static_cast<int>(at);
    return false;
  };
  bytes->clear();
  if (text.empty() || (text[0] != '"' && text[0] != '\'')) return fail(0, "a text in quotes is needed here");
  size_t end = 0, error_at = 0;
  if (!DecodeQuoted(text, 0, bytes, &end, error, &error_at)) return fail(error_at, *error);
  if (end != text.size()) return fail(end, "unexpected text after the closing quote");
  return true;
}

}  // namespace scmp::assembler
