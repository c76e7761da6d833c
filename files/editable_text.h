// A source file as the editor opens and saves it: only a regular file of
// text up to kMaxSourceSize, read so that saving it unchanged gives back the
// same bytes: its line ends (LF, CRLF or CR) and its encoding (UTF-8, or
// one byte a character when it is not UTF-8) are kept with it.
#pragma once

#include <string>
#include <string_view>

namespace scmp {

enum class LineEnd { kLf, kCrLf, kCr };
enum class TextEncoding { kUtf8, kOneBytePerCharacter };

struct EditableText {
  std::string text;  // the file's bytes with every line end made "\n"
  LineEnd line_end = LineEnd::kLf;  // the file's first line end; LF when it has none
  bool mixed_line_ends = false;     // some line ends differ from the first
  TextEncoding encoding = TextEncoding::kUtf8;
  bool byte_order_mark = false;  // UTF-8 text that starts with EF BB BF, not kept in `text`
};

// Reads `path` for editing. False with `reason` set as the command line
// says it: "it is a folder", "it is not a regular file" (a pipe, a device,
// a link to one), "it is larger than 16 MB", the system's text, or "it is
// not a text file" when it holds a NUL byte or another control byte that
// no source has.
bool ReadEditableText(const std::string& path, EditableText* file, std::string* reason);

// `text`, whose line ends are "\n", with each line end written as `end`.
std::string WithLineEnds(std::string_view text, LineEnd end);

// "LF", "CRLF", "CR".
const char* LineEndName(LineEnd end);

// True when `bytes` is well-formed UTF-8.
bool IsUtf8(std::string_view bytes);

}  // namespace scmp
