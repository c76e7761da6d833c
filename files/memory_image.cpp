#include "files/memory_image.h"

#include "core/file_reader.h"
#include "core/hex.h"
#include "core/safe_save.h"

#include <cstdio>
#include <memory>
#include <string_view>

namespace scmp {
namespace {

constexpr std::string_view kMarker = "MEMFLAGS";

// ---- Saving -----------------------------------------------------------------

std::string ImageText(const MemoryArray& memory) {
  std::string text;
  text.reserve(kMemoryImageLines * 8);
  for (int16_t v : memory.data) text += MemoryImageNumberLine(v);
  text += kMarker;
  text += "\r\n";
  for (int16_t v : memory.kind) text += MemoryImageNumberLine(v);
  return text;
}

// ---- Loading ----------------------------------------------------------------

// The image file, read through a fixed buffer one character at a time, with
// the number of the line being read. CR LF, CR and LF each end a line.
class TextStream {
 public:
  static constexpr int kEnd = -1;

  bool Open(const std::string& path, std::string* error) {
    if (path.empty()) {
      *error = "Cannot load the memory image: no file name given.";
      return false;
    }
    std::string reason;
    if (!file_.Open(path, &reason)) {
      *error = "Cannot open the memory image " + Quoted(path) + ": " + reason + ".";
      return false;
    }
    return true;
  }

  int Peek() {
    if (pos_ == chunk_.size() && !Fill()) return kEnd;
    return static_cast<unsigned char>(chunk_[pos_]);
  }
  int Get() {
    int c = Peek();
    if (c == kEnd) return c;
    ++pos_;
    if (c == '\r' || (c == '\n' && !after_cr_)) ++line_;
    after_cr_ = c == '\r';
    at_line_start_ = c == '\r' || c == '\n';
    return c;
  }

  // The line of the next character.
  int Line() const { return line_; }
  // Lines begun so far: a last line without a line end counts.
  int LinesSeen() const { return at_line_start_ ? line_ - 1 : line_; }
  bool Failed() const { return file_.Failed(); }
  std::string FailureText() const { return file_.FailureText(); }

 private:
  bool Fill() {
    chunk_ = file_.Next();
    pos_ = 0;
    return !chunk_.empty();
  }

  ChunkedFileReader file_;
  std::string_view chunk_;
  size_t pos_ = 0;
  int line_ = 1;
  bool after_cr_ = false;
  bool at_line_start_ = true;
};

// What the number reader makes of one field.
struct Field {
  bool at_end = false;  // the file ended before the field began
  int line = 0;         // line on which the field begins
  std::string shown;    // the field's first characters, for messages: one
                        // more than a message shows, to tell that it is cut
  bool integer = false;  // an optional sign and at least one digit, nothing else
  long value = 0;        // saturated far outside the 16-bit range
  // Marker test: the field's text without trailing blanks.
  size_t trimmed_length = 0;
};

bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

constexpr size_t kShownChars = kQuotedTextLimit + 1;

// Reads one field. A number field ends at a blank, a comma or a line end; a
// text field (the marker) runs to a comma or the line end.
Field ReadField(TextStream& in, bool text_field) {
  Field f;
  int c = in.Peek();
  while (c != TextStream::kEnd && (IsBlank(c) || IsLineEnd(c))) {
    in.Get();
    c = in.Peek();
  }
  f.line = in.Line();
  if (c == TextStream::kEnd) {
    f.at_end = true;
    return f;
  }
  bool sign_allowed = true, negative = false, digits = false, bad = false;
  size_t length = 0;
  while (true) {
    c = in.Peek();
    if (c == TextStream::kEnd || c == ',' || IsLineEnd(c)) break;
    if (!text_field && IsBlank(c)) break;
    in.Get();
    ++length;
    if (!IsBlank(c)) f.trimmed_length = length;
    if (f.shown.size() < kShownChars) f.shown += static_cast<char>(c);
    if (sign_allowed && (c == '-' || c == '+')) {
      negative = c == '-';
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (f.value < 1000000) f.value = f.value * 10 + (c - '0');
    } else {
      bad = true;
    }
    sign_allowed = false;
  }
  // The separator: blanks, then one comma if there is one.
  if (!text_field) {
    while (IsBlank(in.Peek())) in.Get();
  }
  if (in.Peek() == ',') in.Get();
  f.integer = digits && !bad;
  if (negative) f.value = -f.value;
  return f;
}

bool IsMarker(const Field& f) { return f.trimmed_length == kMarker.size() && f.shown.starts_with(kMarker); }

std::string ShownText(const Field& f) { return Quoted(f.shown, kQuotedTextLimit); }

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The first line that leaves the one-number-a-line layout: a second number
// on a line, or an empty line. The lenient reading still loads such a file
// when the count comes out right; when it does not, this line is where the
// file went wrong, not the line where the count ran out.
struct LayoutWatch {
  int last_line = 0;
  int first_line = 0;
  std::string fault;

  void Note(int line) {
    if (first_line != 0) return;
    if (line == last_line) {
      first_line = line;
      fault = "a second number on the line";
    } else if (line > last_line + 1) {
      first_line = last_line + 1;
      fault = "an empty line";
    }
    last_line = line;
  }
  bool Broken() const { return first_line != 0; }
};

}  // namespace

std::string MemoryImageNumberLine(int value) {
  std::string line(1, value < 0 ? '-' : ' ');
  long magnitude = value < 0 ? -static_cast<long>(value) : value;
  line += std::to_string(magnitude);
  line += " \r\n";
  return line;
}

std::string MemoryImageText(const MemoryArray& memory) { return ImageText(memory); }

bool SaveMemoryImage(const MemoryArray& memory, const std::string& path, std::string* error) {
  return SaveFileSafely(path, ImageText(memory), error, "the memory image");
}

bool LoadMemoryImage(MemoryArray& memory, const std::string& path, const std::function<void()>& alert,
                     std::string* error) {
  auto in_holder = std::make_unique<TextStream>();
  TextStream& in = *in_holder;
  std::string open_error;
  if (!in.Open(path, &open_error)) {
    SetError(error, open_error);
    return false;
  }

  auto image = std::make_unique<MemoryArray>();
  bool marker_ok = false;
  LayoutWatch layout;
  // Fields 0..4095 data cells, 4096 the marker, 4097..8192 kinds.
  for (int n = 0; n < kMemoryImageLines; ++n) {
    const bool is_marker = n == kMemorySize;
    Field f = ReadField(in, is_marker);
    if (n == 0 && f.shown.starts_with(kByteOrderMark)) {
      SetError(error, "The memory image " + Quoted(path) +
                          ", line 1: a byte-order mark at the start; save the file as plain text. Memory is unchanged.");
      return false;
    }
    if (!f.at_end) layout.Note(f.line);
    const unsigned cell = static_cast<unsigned>(n < kMemorySize ? n : n - kMemorySize - 1);
    std::string what = is_marker         ? std::string("the MEMFLAGS marker")
                       : n < kMemorySize ? "the data cell of address 0x" + Hex(cell, 3)
                                         : "the address kind of address 0x" + Hex(cell, 3);
    if (in.Failed()) {
      SetError(error, "Cannot read the memory image " + Quoted(path) + " at line " + std::to_string(in.Line()) +
                          ": " + in.FailureText() + ". Memory is unchanged.");
      return false;
    }
    const bool field_fails = !is_marker && (!f.integer || f.value < -32768 || f.value > 32767);
    if (layout.Broken() && (f.at_end || (field_fails && layout.first_line < f.line))) {
      SetError(error, "The memory image " + Quoted(path) + ", line " + std::to_string(layout.first_line) + ": " +
                          layout.fault + "; an image holds one number a line, " + std::to_string(kMemoryImageLines) +
                          " lines in all. Memory is unchanged.");
      return false;
    }
    if (f.at_end) {
      SetError(error, "The memory image " + Quoted(path) + " ends after line " + std::to_string(in.LinesSeen()) +
                          ", before " + what + ". Memory is unchanged.");
      return false;
    }
    if (is_marker) {
      marker_ok = IsMarker(f);
      continue;
    }
    if (field_fails) {
      SetError(error, "The memory image " + Quoted(path) + ", line " + std::to_string(f.line) + ": " + ShownText(f) +
                          " is not a whole number in -32768..32767 (" + what + "). Memory is unchanged.");
      return false;
    }
    if (n < kMemorySize)
      image->data[n] = static_cast<int16_t>(f.value);
    else
      image->kind[n - kMemorySize - 1] = static_cast<int16_t>(f.value);
  }

  memory.data = image->data;
  memory.kind = image->kind;
  if (alert) {
    alert();
    if (!marker_ok) alert();
  }
  return true;
}

}  // namespace scmp
