// A source read for editing: its line ends, encoding and byte order mark
// are found so that writing the text back gives the same bytes, and a file
// that is no text is refused with the reason.
#include "files/editable_text.h"

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

TEST(EditableText, ReadsWhatWritingBackNeedsAndRefusesWhatIsNoText) {
  const struct {
    std::string bytes;
    const char* refused;  // the reason; "" when it opens
    LineEnd end;
    bool mixed;
    TextEncoding encoding;
  } cases[] = {
      {"a\r\nb\r\n", "", LineEnd::kCrLf, false, TextEncoding::kUtf8},
      {"a\rb", "", LineEnd::kCr, false, TextEncoding::kUtf8},
      {"a\nb\r\nc\r", "", LineEnd::kLf, true, TextEncoding::kUtf8},
      {"no end", "", LineEnd::kLf, false, TextEncoding::kUtf8},
      {"\xEF\xBB\xBF" "caf\xC3\xA9\f\t\x1A\n", "", LineEnd::kLf, false, TextEncoding::kUtf8},
      {"caf\xE9\r\n\x80\xFF\r\n", "", LineEnd::kCrLf, false, TextEncoding::kOneBytePerCharacter},
      {"\xED\xA0\x80\n", "", LineEnd::kLf, false, TextEncoding::kOneBytePerCharacter},  // a surrogate is no UTF-8
      {std::string("LDI 1\n\0\n", 8), "it is not a text file", LineEnd::kLf, false, TextEncoding::kUtf8},
      {"\x1B[2J\n", "it is not a text file", LineEnd::kLf, false, TextEncoding::kUtf8},
      {"\x7F\x45LF", "it is not a text file", LineEnd::kLf, false, TextEncoding::kUtf8},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    const std::string path = dir.Write("f.s", c.bytes);
    EditableText file;
    std::string reason;
    const bool opened = ReadEditableText(path, &file, &reason);
    ASSERT_EQ(opened, std::string(c.refused).empty()) << reason;
    if (!opened) {
      EXPECT_EQ(reason, c.refused);
      continue;
    }
    EXPECT_EQ(file.text.find('\r'), std::string::npos);
    EXPECT_EQ(file.line_end, c.end);
    EXPECT_EQ(file.mixed_line_ends, c.mixed);
    EXPECT_EQ(file.encoding, c.encoding);
    const std::string mark = file.byte_order_mark ? "\xEF\xBB\xBF" : "";
    if (!c.mixed) {
      EXPECT_EQ(mark + WithLineEnds(file.text, file.line_end), c.bytes);
    }
  }
}

}  // namespace
}  // namespace scmp
