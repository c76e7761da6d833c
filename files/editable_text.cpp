#include "files/editable_text.h"

#include "core/file_reader.h"
#include "files/source_file.h"

namespace scmp {

namespace {

// Control bytes a source may hold: tab, line ends, vertical tab, form feed,
// and the end-of-file mark (1A) old editors appended. Any other, NUL above
// all, means a file that is not text.
bool IsTextControl(unsigned char c) { return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A; }

bool IsText(std::string_view bytes) {
  for (unsigned char c : bytes)
    if ((c < 0x20 && !IsTextControl(c)) || c == 0x7F) return false;
  return true;
}

// The line ends of `bytes` made "\n" in `*text`; the first end found and
// whether any other differs from it.
void SplitLineEnds(std::string_view bytes, EditableText* file) {
  file->text.clear();
  file->text.reserve(bytes.size());
  bool first = true;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') {
      file->text += bytes[i];
      continue;
    }
    LineEnd end = LineEnd::kLf;
    if (bytes[i] == '\r') {
      end = i + 1 < bytes.size() && bytes[i + 1] == '\n' ? LineEnd::kCrLf : LineEnd::kCr;
      if (end == LineEnd::kCrLf) ++i;
    }
    if (first) file->line_end = end;
    else if (end != file->line_end) file->mixed_line_ends = true;
    first = false;
    file->text += '\n';
  }
}

}  // namespace

bool IsUtf8(std::string_view bytes) {
  const auto at = [&bytes](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u; };
  for (size_t i = 0; i < bytes.size();) {
    const unsigned lead = at(i);
    size_t length = 1;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (lead < 0x80) length = 1;
    else if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    else return false;
    if (length > 1 && (at(i + 1) < low || at(i + 1) > high)) return false;
    for (size_t k = 2; k < length; ++k)
      if (at(i + k) < 0x80 || at(i + k) > 0xBF) return false;
    i += length;
  }
  return true;
}

bool ReadEditableText(const std::string& path, EditableText* file, std::string* reason) {
  std::string bytes;
  if (!ReadWholeFile(path, kMaxSourceSize, &bytes, reason)) return false;
  if (!IsText(bytes)) {
    *reason = "it is not a text file";
    return false;
  }
  *file = EditableText{};
  file->encoding = IsUtf8(bytes) ? TextEncoding::kUtf8 : TextEncoding::kOneBytePerCharacter;
  std::string_view text = bytes;
  // The mark is no character of the text (Qt drops it), but the file's.
  file->byte_order_mark = file->encoding == TextEncoding::kUtf8 && text.starts_with("\xEF\xBB\xBF");
  if (file->byte_order_mark) text.remove_prefix(3);
  SplitLineEnds(text, file);
  return true;
}

std::string WithLineEnds(std::string_view text, LineEnd end) {
  if (end == LineEnd::kLf) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c != '\n') out += c;
    else out += end == LineEnd::kCrLf ? "\r\n" : "\r";
  }
  return out;
}

const char* LineEndName(LineEnd end) {
  switch (end) {
    case LineEnd::kCrLf: return "CRLF";
    case LineEnd::kCr: return "CR";
    default: return "LF";
  }
}

}  // namespace scmp
