// The forms of the SC/MP assemblers of the time, macros, conditions and
// includes, each beside the bytes it must give or the message it must report.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "asm/listing_writer.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

struct FormCase {
  const char* source;
  int address;  // of the first byte
  std::vector<uint8_t> bytes;
};

// Files an INCLUDE may name, as the test's own little folder.
const std::map<std::string, std::string>& Files() {
  static const std::map<std::string, std::string> files = {
      {"lib/defs.s", "ONE = 1\n INCLUDE \"more.s\"\n"},
      {"lib/more.s", "TWO EQU ONE+1\n"},
      {"loop.s", " INCLUDE \"loop.s\"\n"},
      {"bad.s", " NOP\n FOO\n"},
  };
  return files;
}

Assembly AssembleWithFiles(const std::string& source, const std::string& file = "t.s") {
  return Assemble(source, file, test::ShippedTable(), [](const std::string& path, std::string* text, std::string* error) {
    const auto it = Files().find(path);
    if (it == Files().end()) {
      *error = "No such file or directory";
      return false;
    }
    *text = it->second;
    return true;
  });
}

TEST(AssemblerDialects, EachFormGivesItsBytes) {
  const std::vector<FormCase> cases = {
      // Definitions and labels.
      {"X EQU 5\nY: EQU 6\nZ: = 7\nW .SET 1\nW SET W+1\n DB X,Y,Z,W", 1, {5, 6, 7, 2}},
      {"LOOP LD 0(P1)\n JMP LOOP", 1, {0xC1, 0x00, 0x90, 0xFC}},
      {"PAGE = -10\n LDI PAGE\n PAGE 1", 1, {0xC4, 0xF6}},
      {"LIST LDI 1\nEND JMP LIST\n END START", 1, {0xC4, 1, 0x90, 0xFC}},
      {"P1 = 1\nPTR = 2\n XPAH P1\n LD 3(PTR)\n XPAL PTR", 1, {0x35, 0xC2, 0x03, 0x32}},
      {"EREG = -128\n LD EREG(P1)", 1, {0xC1, 0x80}},
      // Directives, with or without a dot, any case.
      {" org 0x20\n .byte 1\n db 2", 0x20, {1, 2}},
      {" *= $30\n DB 1", 0x30, {1}},
      {" DW 0x1234, 5\n .word 1\n .DBYTE 0x1234", 1, {0x34, 0x12, 5, 0, 1, 0, 0x34, 0x12}},
      {" DS 2\n .BLKB 1\n .space 1\n DB \"Hi\", 'A'", 5, {'H', 'i', 'A'}},  // reserved, not stored
      {" CPU SC/MP\n TITLE 'x'\n .LIST\n NOP", 0, {0x08}},
      {" NOP\n CPU SC/MP\n NOP", 1, {0x08, 0x08}},
      {" NOP\n END START\n NOP", 1, {0x08}},
      // Operand forms.
      {" LD (P1)\n ST @(P2)\n LD [P3]\n LD @[P1]\n LD 4[P2]", 1,
       {0xC1, 0x00, 0xCE, 0x00, 0xC3, 0x00, 0xC5, 0x00, 0xC2, 0x04}},
      {" LD #1\n AND #2\n OR #3\n XOR #4\n ADD #5\n CAD #6\n DAD #7", 1,
       {0xC4, 1, 0xD4, 2, 0xDC, 3, 0xE4, 4, 0xF4, 5, 0xFC, 6, 0xEC, 7}},
      {"A: NOP\n1$: JMP 1$\nB: NOP\n1$: JMP 1$", 1, {0x08, 0x90, 0xFE, 0x08, 0x90, 0xFE}},
      // Numbers, operators, the location, functions.
      {" DB 0x1F, $1F, 1FH, 0FFH, X'1F', X'1F, H'1F', %1010, 0b1010, B'1010', 'c'", 1,
       {0x1F, 0x1F, 0x1F, 0xFF, 0x1F, 0x1F, 0x1F, 10, 10, 10, 'c'}},
      {" DB !0, !5, 1+2*3, (1+2)*3, 7^2, ~0&0xF, 1<<3|1", 1, {1, 0, 7, 9, 5, 0xF, 9}},
      {" DB 1=1, 2==3, 2<>3, 2!=2, 1<2, 2<=1, 3>2, 2>=3, 1<<2>3", 1, {1, 0, 1, 0, 1, 0, 1, 0, 1}},
      {" ORG 0x10\n DB $, *, .", 0x10, {0x10, 0x10, 0x10}},
      {"X = 0x1234\n DB HIGH(X), LOW(X), H(X), L(X), L(ADDR(X)), H(ADDR(0x1000))", 1, {0x12, 0x34, 0x12, 0x34, 0x33, 0x1F}},
      {"H FUNCTION V, ((V)>>8)&0FFH\nTWICE FUNCTION V, V*2\n DB H(0x1234), TWICE(3)", 1, {0x12, 6}},
      // The whole 64K: jumps wrap within the instruction's own page.
      {" ORG 0xD500\nL: JMP L\n LD L", 0xD500, {0x90, 0xFE, 0xC0, 0xFD}},
      {" ORG 0x1000\n JMP 0x1FFF", 0x1000, {0x90, 0xFD}},
      // Macros, nested, with conditions inside and outside.
      {"DEBUG = 1\nPUT MACRO V\n LDI V\n ENDM\nTWO MACRO A,B\n PUT A\n IFNB B\n PUT B\n ELSE\n NOP\n ENDIF\n ENDM\n"
       " TWO 1,2\n TWO 3\n IF DEBUG\n HALT\n ELSE\n NOP\n ENDIF",
       1, {0xC4, 1, 0xC4, 2, 0xC4, 3, 0x08, 0x00}},
      {"M MACRO\nX: NOP\n ENDM\nL: M\n JMP L", 1, {0x08, 0x90, 0xFD}},
      {" IF 0\n IF 1\n NOP\n ENDIF\n ELSE\n HALT\n ENDIF", 1, {0x00}},
      // Includes, relative to the including file.
      {" INCLUDE \"lib/defs.s\"\n DB ONE, TWO", 1, {1, 2}},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = AssembleWithFiles(c.source);
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity == Severity::kError) ADD_FAILURE() << FormatDiagnostic(d);
    ASSERT_FALSE(a.code.empty());
    EXPECT_EQ(a.code.front().address, c.address);
    EXPECT_EQ(test::AllBytes(a), c.bytes);
  }
}

struct FaultCase {
  const char* source;
  const char* where;    // FILE:LINE:COL: severity: as printed
  const char* message;  // part of the message
};

TEST(AssemblerDialects, FaultsNameTheirFileLineAndOrigin) {
  const std::vector<FaultCase> cases = {
      {" LDP 5", "t.s:1:2: error:", "unknown mnemonic LDP; did you mean LDI?"},
      {" .BYTTE 5", "t.s:1:2: error:", "unknown directive .BYTTE; did you mean .BYTE?"},
      {"M MACRO\n FOO\n ENDM\n M", "t.s:2:2: error:", "unknown mnemonic FOO, in macro M called at t.s:4"},
      {" INCLUDE \"bad.s\"", "bad.s:2:2: error:", "unknown mnemonic FOO, included from t.s:1"},
      {" INCLUDE \"loop.s\"", "loop.s:1:10: error:", "loop.s includes itself"},
      {" INCLUDE \"none.s\"", "t.s:1:10: error:", "cannot include none.s: No such file"},
      {"M MACRO\n M\n ENDM\n M", "t.s:2:2: error:", "macro calls nested deeper than 256"},
      {" IF X\n NOP\n ENDIF\nX = 1", "t.s:1:5: error:", "X is not defined above this line"},
      {" IF 1\n NOP", "t.s:1:1: error:", "IF without ENDIF"},
      {" ENDIF", "t.s:1:2: error:", "ENDIF without IF"},
      {"M MACRO\n NOP", "t.s:1:1: error:", "MACRO without ENDM"},
      {" ORG A\n NOP\nA = . + 0x10", "t.s:3:1: error:", "the value of A differs between the passes"},
      {" ORG 0x1000\n JMP 0x0FFF", "t.s:2:6: error:", "outside this instruction's 4K page"},
      {"H FUNCTION V, V+1\n NOP", "t.s:1:1: error:", "H is a built-in function"},
      {"P1 = 2\n NOP", "t.s:1:1: error:", "P1 is a register name; it may stand only for 1"},
      {"X SET 1\nX EQU 2", "t.s:2:1: error:", "X is already defined on line 1"},
      {" LD 2(Q)", "t.s:1:7: error:", "\"Q\" is no pointer"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = AssembleWithFiles(c.source);
    ASSERT_GE(a.ErrorCount(), 1);
    const std::string text = FormatDiagnostic(a.diagnostics.front());
    EXPECT_EQ(text.rfind(c.where, 0), 0u) << text;
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
  }
}

TEST(AssemblerDialects, LineCodeCarriesItsOriginAndTheListingShowsExpansions) {
  const std::string source = "PUT MACRO V\n LDI V\n ENDM\n PUT 7\n INCLUDE \"lib/defs.s\"\n NOP\n";
  const Assembly a = AssembleWithFiles(source, "main.s");
  ASSERT_TRUE(a.Succeeded());
  ASSERT_EQ(a.code.size(), 2u);
  EXPECT_EQ(a.code[0].file, "main.s");
  EXPECT_EQ(a.code[0].line, 2);
  ASSERT_EQ(a.code[0].calls.size(), 1u);
  EXPECT_EQ(a.code[0].calls[0].line, 4);
  EXPECT_EQ(a.code[0].calls[0].macro, "PUT");
  EXPECT_EQ(a.code[0].text, "LDI 7");
  EXPECT_TRUE(a.code[1].calls.empty());
  EXPECT_EQ(a.code[1].line, 6);
  const std::string listing = ListingText(a, source, "main.s");
  EXPECT_NE(listing.find("; PUT 7\r\n@0001\r\nC4 ; 0001  + LDI 7\r\n07 ; 0002\r\n"), std::string::npos) << listing;
}

// Warnings stop at a hundred with a count; the bytes outside RAM are one
// warning for the whole assembly, naming each run.
TEST(AssemblerDialects, WarningsAreCappedAndOneSummaryTellsTheBytesOutsideRam) {
  const Assembly run = AssembleWithFiles(" ORG 0xA00\n DS 16\n ORG 0x2000\n DB 1,2,3\n ORG 0xA00\n DB 1");
  ASSERT_EQ(run.diagnostics.size(), 2u);  // the summary and the overlap at 0xA00
  EXPECT_EQ(run.diagnostics[0].message,
            "20 bytes will not load into the board, which has no RAM at 0xA00-0xA0F (the port on the board), "
            "0x2000-0x2002 (outside the board's 4K), 0xA00 (the port on the board)");

  std::string many;
  for (int i = 0; i < 300; ++i) many += " ORG 0xA00\n DB 0\n";
  const Assembly a = AssembleWithFiles(many);
  ASSERT_EQ(a.diagnostics.size(), static_cast<size_t>(kMaxWarnings) + 1);
  // One for the run outside RAM (the same address again continues it), one
  // for each of the 299 overlaps.
  EXPECT_EQ(a.diagnostics.back().message, std::to_string(300 - kMaxWarnings) + " more warnings");
}

// The shipped samples: one program in three dialects, the same bytes.
TEST(AssemblerDialects, TheThreeDialectSamplesGiveTheSameBytes) {
  std::vector<std::vector<uint8_t>> bytes;
  for (const char* name : {"SUM_MACRO.s", "SUM_NS.s", "SUM_BRACKET.s"}) {
    const std::string path = test::SourceDataDir() + "Samples/dialects/" + name;
    SCOPED_TRACE(path);
    const Assembly a = Assemble(test::ReadFile(path), path, test::ShippedTable(),
                                [](const std::string& include, std::string* text, std::string*) {
                                  *text = test::ReadFile(include);
                                  return true;
                                });
    ASSERT_TRUE(a.Succeeded()) << FormatDiagnostic(a.diagnostics.front());
    EXPECT_EQ(a.code.front().address, 0x001);
    bytes.push_back(test::AllBytes(a));
  }
  EXPECT_EQ(bytes[0].size(), 0x1Du);
  EXPECT_EQ(bytes[0], bytes[1]);
  EXPECT_EQ(bytes[0], bytes[2]);
}

}  // namespace
}  // namespace scmp
