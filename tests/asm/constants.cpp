// Numbers, characters and strings as the macro assembler's manual writes
// them ("Integer Constants", "String Constants", "String to Integer
// Conversion and Character Constants"), in both dialects: a source with a
// CPU line is the macro assembler's.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

struct ErrorCase {
  const char* source;
  const char* message;  // part of the first error
};

void ExpectErrors(const std::vector<ErrorCase>& cases) {
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    ASSERT_GE(a.ErrorCount(), 1);
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity == Severity::kError) {
        EXPECT_NE(d.message.find(c.message), std::string::npos) << d.message;
        break;
      }
  }
}

// \0 starts an octal escape, \x a hex one, any other digit a decimal one;
// the letters in either case; the same in both dialects.
TEST(Constants, StringEscapesReadAsTheManualSays) {
  test::ExpectBytes({
      {" DB \"\\015\\012\", \"\\0\", \"\\0101\", \"\\00\"", {13, 10, 0, 'A', 0}},
      {" DB \"\\13\\10\\1234\\255\"", {13, 10, 123, '4', 255}},
      {" DB \"\\x41\\X4a\\x4G\"", {0x41, 0x4A, 0x04, 'G'}},
      {" DB \"\\H\\I\\h\\i\\'\\\"\\\\\"", {'\'', '"', '\'', '"', '\'', '"', '\\'}},
      {" DB \"\\n\\N\\r\\R\\t\\T\\a\\A\\b\\B\\e\\E\"", {10, 10, 13, 13, 9, 9, 7, 7, 8, 8, 27, 27}},
      {" CPU SC/MP\n DB \"\\015\", '\\015'\n LDI '\\0101'", {13, 13, 0xC4, 'A'}},
      {" .ASCII \"\\0377\\I\"", {255, '"'}},
  });
  ExpectErrors({
      {" DB \"\\08\"", "an escape that starts with 0 is octal"},
      {" DB \"\\0778\"", "an escape that starts with 0 is octal"},
      {" DB \"\\256\"", "past 255"},
      {" DB \"\\0400\"", "past 255"},
      {" DB \"\\q\"", "unknown escape"},
  });
}

// 'A' and "A" are the same number; up to 4 characters make one number,
// high byte first. A whole operand stays a text in DB; in DW a text in
// double quotes (or longer than two characters) gives a word per character.
TEST(Constants, CharacterConstantsAreNumbers) {
  test::ExpectBytes({
      {" DB \"A\"+1, 'AB'>>8, 'AB'&0xFF, A'AB'-0x4100, '\\''", {'B', 'A', 'B', 'B', '\''}},
      {"X = 'ABCD'\n DB X>>24, X&0xFF, \"AB\"-\"AA\"", {'A', 'D', 1}},
      {" LDI \"A\"\n LDI '\\'\n LDI 'A'|0x80", {0xC4, 'A', 0xC4, '\\', 0xC4, 0xC1}},
      {" DB 'AB', \"CD\", '', \"\"", {'A', 'B', 'C', 'D'}},
      {" DW 'AB', \"AB\", 'ABC', \"A\", 'A', \"\"", {'B', 'A', 'A', 0, 'B', 0, 'A', 0, 'B', 0, 'C', 0, 'A', 0, 'A', 0}},
      {" BIGENDIAN ON\n DW 'AB', \"AB\"", {'A', 'B', 0, 'A', 0, 'B'}},
      {" DW 2 DUP (\"AB\")\n DW 'AB'", {'A', 0, 'B', 0, 'A', 0, 'B', 0, 'B', 'A'}},
      {" .DBYTE \"\\r\\n\", '\\r\\n'", {13, 0, 10, 0, 10, 13}},
      {" CPU SC/MP\n DW 'AB'+1", {'C', 'A'}},
      {" DB \"\" == 0, \"ABC\" <> \"\", '' + 1", {1, 1, 1}},
  });
  ExpectErrors({
      {" DB 'ABCDE'+1", "a text of more than 4 characters is no number"},
      {" INTSYNTAX -0oct,+0hex", "cannot switch one off"},
      {" .RADIX 16", "a number without a mark as decimal"},
      {" DB 'AB'+1", "out of range for a byte"},
      {" DB \"AB", "the text has no closing quote"},
      {" DW \"\\q\"", "unknown escape"},
  });
}

// Every notation is read in both dialects; a leading 0 is octal after a
// CPU line (the macro assembler's C notation for the SC/MP) and decimal
// without one, in the passes and in conditions alike.
TEST(Constants, NumberNotationsOfEveryAssembler) {
  test::ExpectBytes({
      {" DB 0x1F, $1F, 1FH, 0FFH, X'1F', H'1F', x'1f", {31, 31, 31, 255, 31, 31, 31}},
      {" DB O'17', 17O, 17q, @17, %101, 0b101, 101B, B'101', 0B", {15, 15, 15, 15, 5, 5, 5, 5, 0}},
      {" DB 010, 0, 00, 09", {10, 0, 0, 9}},
      {" CPU SC/MP\n DB 010, 0, 00, 017, 0x10, 010H, 010B, 10", {8, 0, 0, 15, 16, 16, 2, 10}},
      {" CPU SC/MP\nN = 0100\n IF N == 64\n DB N\n ENDIF", {64}},
      {" CPU SC/MP\n RELAXED ON\n DB 010, 1FH, $1F\n RELAXED OFF\n DB 010", {8, 31, 31, 8}},
      {" RELAXED ON\n DB 010, 1+1&1", {8, 2}},  // RELAXED alone marks the macro assembler's source
  });
  ExpectErrors({
      {" CPU SC/MP\n DB 08", "\"08\" is no octal number"},
      {" CPU SC/MP\n DB 0779", "is no octal number"},
      {" DB 12AB", "is not a number"},
      {" DB 102B", "is not a number"},
  });
  // RELAXED says what it does once, and the assembly succeeds.
  const Assembly a = Assemble(" RELAXED ON\n RELAXED OFF\n NOP", "t.s", test::ShippedTable());
  EXPECT_TRUE(a.Succeeded());
  int notes = 0;
  for (const Diagnostic& d : a.diagnostics)
    if (d.message.find("RELAXED marks the macro assembler's source") != std::string::npos) ++notes;
  EXPECT_EQ(notes, 1);
}

}  // namespace
}  // namespace scmp
