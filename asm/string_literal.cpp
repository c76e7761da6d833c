#include "asm/string_literal.h"

#include <cctype>

namespace scmp::assembler {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u >= 'A' && u <= 'F' ? u - 'A' + 10 : -1;
}

}  // namespace

bool DecodeEscape(std::string_view text, size_t* pos, uint8_t* byte, std::string* error) {
  size_t i = *pos + 1;  // past the backslash
  if (i >= text.size()) {
    *error = "a \"\\\" at the end of the text escapes nothing";
    return false;
  }
  const char c = text[i];
  if (IsDigit(c)) {
    size_t end = i;
    int value = 0;
    while (end < text.size() && end < i + 3 && IsDigit(text[end])) value = value * 10 + (text[end++] - '0');
    if (c == '0' && end > i + 1) {
      *error = "\"\\" + std::string(text.substr(i, end - i)) +
               "\" is ambiguous (octal to C, decimal to the macro assembler): write the value in decimal "
               "without a leading 0 (\\13 for carriage return) or in hex (\\x0D)";
      return false;
    }
    if (value > 255) {
      *error = "\"\\" + std::string(text.substr(i, end - i)) + "\" is past 255, the largest byte";
      return false;
    }
    *byte = static_cast<uint8_t>(value);
    *pos = end;
    return true;
  }
  if ((c == 'x' || c == 'X') && i + 1 < text.size() && HexValue(text[i + 1]) >= 0) {
    size_t end = i + 1;
    int value = 0;
    while (end < text.size() && end < i + 3 && HexValue(text[end]) >= 0) value = value * 16 + HexValue(text[end++]);
    *byte = static_cast<uint8_t>(value);
    *pos = end;
    return true;
  }
  switch (c) {
    case '\\': case '"': case '\'': *byte = static_cast<uint8_t>(c); break;
    case 'n': *byte = '\n'; break;
    case 'r': *byte = '\r'; break;
    case 't': *byte = '\t'; break;
    case 'a': *byte = 7; break;
    case 'b': *byte = 8; break;
    case 'e': *byte = 27; break;
    default:
      *error = "unknown escape \"\\" + std::string(1, c) + "\"";
      return false;
  }
  *pos = i + 1;
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

bool ParseString(const Piece& operand, std::string* bytes, std::string* error, int* error_column) {
  const std::string_view text = operand.text;
  bytes->clear();
  auto fail = [&](size_t at, std::string message) {
    *error = std::move(message);
    *error_column = operand.column + static_cast<int>(at);
    return false;
  };
  if (text.empty() || (text[0] != '"' && text[0] != '\'')) return fail(0, "a text in quotes is needed here");
  const char quote = text[0];
  if (text == "'\\'") {
    bytes->push_back('\\');
    return true;
  }
  size_t i = 1;
  while (i < text.size() && text[i] != quote) {
    if (text[i] != '\\') {
      bytes->push_back(text[i++]);
      continue;
    }
    uint8_t byte = 0;
    const size_t at = i;
    if (!DecodeEscape(text, &i, &byte, error)) return fail(at, *error);
    bytes->push_back(static_cast<char>(byte));
  }
  if (i >= text.size()) return fail(0, "the text has no closing quote");
  if (i + 1 != text.size()) return fail(i + 1, "unexpected text after the closing quote");
  return true;
}

}  // namespace scmp::assembler
