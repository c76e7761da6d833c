// The assembler on small sources, each beside the bytes it must give or the
// message it must report, grouped by what they exercise.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

struct BytesCase {
  const char* source;
  int address;  // of the first byte
  std::vector<uint8_t> bytes;
};

void ExpectBytes(const std::vector<BytesCase>& cases) {
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity != Severity::kNote) ADD_FAILURE() << FormatDiagnostic(d);
    ASSERT_FALSE(a.code.empty());
    EXPECT_EQ(a.code.front().address, c.address);
    EXPECT_EQ(test::AllBytes(a), c.bytes);
  }
}

TEST(AssemblerForms, EachOperandFormFindsItsOpcodeInTheTable) {
  ExpectBytes({
      {" HALT", 0x001, {0x00}},
      {" ldi 0x0A", 0x001, {0xC4, 0x0A}},
      {" XPAH P1\n XPAL pc\n XPPC 3", 0x001, {0x35, 0x30, 0x3F}},
      {" LD 5(P2)\n ld 0(p1)\n LD 2(1)", 0x001, {0xC2, 0x05, 0xC1, 0x00, 0xC1, 0x02}},
      {" LD @-1(P3)\n ST @127(P1)", 0x001, {0xC7, 0xFF, 0xCD, 0x7F}},
      {" JMP 4(P1)\n JNZ -128(P3)", 0x001, {0x91, 0x04, 0x9F, 0x80}},
      {" DLY 0xFF\n LDI -128\n ANI 255\n LDI #7", 0x001, {0x8F, 0xFF, 0xC4, 0x80, 0xD4, 0xFF, 0xC4, 0x07}},
  });
}

TEST(AssemblerForms, EFormsPlaceTheByte0x80) {
  ExpectBytes({
      {" ST E(P1)\n LD @E(P2)\n ADD e(PC)", 0x001, {0xC9, 0x80, 0xC6, 0x80, 0xF0, 0x80}},
  });
}

// The displacement byte of the instruction at 0x100 is at 0x101; a memory
// reference reaches 0x101 + d, a jump lands on 0x101 + d + 1.
TEST(AssemblerPcRelative, EdgesOfTheReachForJumpsAndMemoryReferences) {
  ExpectBytes({
      {" .org 0x100\n JMP 0x101+1+127", 0x100, {0x90, 0x7F}},
      {" .org 0x100\n JMP 0x101+1-128", 0x100, {0x90, 0x80}},
      {" .org 0x100\n LD 0x101+127", 0x100, {0xC0, 0x7F}},
      {" .org 0x100\n LD 0x101-127", 0x100, {0xC0, 0x81}},
      {" JMP .", 0x001, {0x90, 0xFE}},
      {" JMP 0xFFF", 0x001, {0x90, 0xFC}},  // the 12-bit wrap
      {" JMP L\nL: HALT", 0x001, {0x90, 0x00, 0x00}},
  });
}

TEST(AssemblerExpressions, NumbersOperatorsHighLowAndSymbols) {
  ExpectBytes({
      {" .byte $1F, X'1F', x'1f, 0b101, 31, 0x1f, 'A'", 0x001, {0x1F, 0x1F, 0x1F, 0x05, 0x1F, 0x1F, 0x41}},
      {" .byte 2+3*4, (2+3)*4, 7/2, 7%4, 6&3, 6|3, 6^3, ~0&0xFF, 1<<4, 0x80>>3, -1",
       0x001,
       {0x0E, 0x14, 0x03, 0x03, 0x02, 0x07, 0x05, 0xFF, 0x10, 0x10, 0xFF}},
      {"X = 0x9AB\n LDI H(X)\n LDI l(X)", 0x001, {0xC4, 0x09, 0xC4, 0xAB}},
      {" .byte A\nA = B+1\nB .equ 4", 0x001, {0x05}},
      {" .org 0x20\n .byte ., .+1", 0x020, {0x20, 0x21}},
  });
}

TEST(AssemblerDirectives, EachDirectivePlacesWhatItSays) {
  ExpectBytes({
      {" .db 0x10, 0x20", 0x001, {0x10, 0x20}},
      {" .dbyte 0x1234, -1", 0x001, {0x34, 0x12, 0xFF, 0xFF}},
      {" .ascii \"Hi;\\n\\\"\"", 0x001, {'H', 'i', ';', '\n', '"'}},
      {" .space 3\n .byte 9", 0x004, {9}},  // reserved space stores no byte
      {" .= 0x30\n .byte 1", 0x030, {0x01}},
      {" .byte 1\n .end\n .byte 2\n this is not read", 0x001, {0x01}},
  });
}

struct ErrorCase {
  std::string source;
  int line;
  std::string message;  // part of the message
};

TEST(AssemblerErrors, EachFaultIsReportedOnItsLine) {
  const std::vector<ErrorCase> cases = {
      {" FOO", 1, "unknown mnemonic FOO"},
      {" HALT\n ST #5", 2, "ST has no immediate form in SCMP.DEL"},
      {" LDI 1(P1)", 1, "LDI has no displacement form with P1 in SCMP.DEL"},
      {" HALT 1", 1, "HALT takes no operand"},
      {" XPAL 5", 1, "XPAL takes a pointer"},
      {" JMP E(P1)", 1, "E(Pn) is for memory references only"},
      {" LD -128(P1)", 1, "would be read as E"},
      {" .org 0x100\n LD 0x101-128", 2, "-128 bytes away, which the processor would read as E"},
      {" .org 0x100\n LD 0x101+128", 2, "128 bytes away"},
      {" .org 0x100\n JMP 0x101+1+128", 2, "128 bytes away"},
      {" .org 0x100\n JMP 0x101+1-129", 2, "-129 bytes away"},
      {" .byte X", 1, "undefined symbol X"},
      {"A: HALT\nA: HALT", 2, "A is already defined on line 1"},
      {"P1: HALT", 1, "register name"},
      {" LDI 256", 1, "out of range"},
      {" .byte -129", 1, "out of range"},
      {"A = B\nB = A+1\n .byte A", 1, "defined by itself"},
      {" .byte 1/0", 1, "division by zero"},
      {" .byte " + std::string(40, '(') + "1" + std::string(40, ')'), 1, "nested too deep"},
      {" HALT\n;" + std::string(1000, 'x'), 2, "too long"},
      {std::string(" HALT\n\0\x01", 8), 2, "binary file"},
      {" .org 0x10000", 1, "out of range"},
      {" .org L\nL: HALT", 1, "defined further down"},
      {" .org 0xFFF\n LDI 1", 2, "past the end of its 4K page"},
      {" .org 0x1FFF\n LDI 1\n NOP\n NOP", 2, "past the end of its 4K page at 0x1FFF"},
      {" .org 0xFFFF\n .byte 1, 2", 2, "past the end of memory at 0xFFFF"},
      {" .foo", 1, "unknown directive"},
      {" .ascii \"abc", 1, "no closing quote"},
      {" .byte 12z", 1, "is not a number"},
      {" LD @5", 1, "\"@\" needs a displacement"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.source.substr(0, 60));
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    ASSERT_EQ(a.ErrorCount(), 1) << (a.diagnostics.empty() ? "" : FormatDiagnostic(a.diagnostics[0]));
    EXPECT_EQ(a.diagnostics[0].line, c.line);
    EXPECT_NE(a.diagnostics[0].message.find(c.message), std::string::npos) << a.diagnostics[0].message;
  }
}

TEST(AssemblerErrors, DiagnosticsNameFileLineAndColumnAndStopAfterAHundred) {
  const Assembly one = Assemble("; x\n  JMP  E(P1)", "prog.s", test::ShippedTable());
  ASSERT_EQ(one.diagnostics.size(), 1u);
  EXPECT_EQ(FormatDiagnostic(one.diagnostics[0]), "prog.s:2:8: error: E(Pn) is for memory references only, not JMP");
  // Bytes of a file's name or of its text cannot write on a terminal.
  const Assembly odd = Assemble(" LDI 1\x1b\n", "a\x1b[2J.s", test::ShippedTable());
  ASSERT_FALSE(odd.diagnostics.empty());
  EXPECT_EQ(FormatDiagnostic(odd.diagnostics[0]).rfind("a\\x1B[2J.s:1:", 0), 0u) << FormatDiagnostic(odd.diagnostics[0]);
  EXPECT_EQ(FormatDiagnostic(odd.diagnostics[0]).find('\x1b'), std::string::npos);

  std::string many;
  for (int i = 0; i < 150; ++i) many += " FOO\n";
  const Assembly a = Assemble(many, "t.s", test::ShippedTable());
  EXPECT_EQ(a.ErrorCount(), kMaxErrors);
  EXPECT_EQ(a.diagnostics.back().severity, Severity::kWarning);

  // Faults found by different passes still come out by line.
  const Assembly mixed = Assemble(" LD 5(P4)\n FOO 3\n JMP nowhere\n", "t.s", test::ShippedTable());
  ASSERT_EQ(mixed.diagnostics.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(mixed.diagnostics[i].line, i + 1);
}

TEST(AssemblerWarnings, BytesOutsideRamAndOverlappingRegionsWarnButAssemble) {
  const struct {
    const char* source;
    const char* message;
  } cases[] = {
      {" .org 0xA00\n .byte 1", "1 byte will not load into the board, which has no RAM at 0xA00 (the port"},
      {" .org 0xB10\n HALT", "no RAM at 0xB10 (absent memory"},
      {" .org 0x10\n .byte 1, 2\n .org 0x11\n .byte 3", "two .org regions overlap: 0x011 was already filled by line 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    EXPECT_TRUE(a.Succeeded());
    ASSERT_EQ(a.diagnostics.size(), 1u);
    EXPECT_EQ(a.diagnostics[0].severity, Severity::kWarning);
    EXPECT_NE(a.diagnostics[0].message.find(c.message), std::string::npos) << a.diagnostics[0].message;
  }
}

// An edited instruction file changes the assembler: the opcode comes from
// the record, and a form the file lacks is reported.
TEST(AssemblerTable, OpcodesComeFromTheInstructionFile) {
  InstructionTable table = test::ShippedTable();
  std::swap(table.records[0xC4], table.records[0xC0]);  // LDI and LD 0(P0) trade places
  const Assembly a = Assemble(" LDI 5\n LD 3(PC)", "t.s", table);
  ASSERT_TRUE(a.Succeeded());
  EXPECT_EQ(test::AllBytes(a), (std::vector<uint8_t>{0xC0, 0x05, 0xC4, 0x03}));

  table.records[0xC9] = InstructionTable::RecordFromLine("");
  const Assembly b = Assemble(" ST 0(P1)", "t.s", table);
  ASSERT_EQ(b.ErrorCount(), 1);
  EXPECT_EQ(b.diagnostics[0].message, "ST has no displacement form with P1 in SCMP.DEL");
}

TEST(AssemblerSymbols, SymbolFileListsEverySymbolByName) {
  const Assembly a = Assemble("PORT = 0xA00\n .org 0x10\nLOOP: JMP LOOP", "t.s", test::ShippedTable());
  EXPECT_EQ(SymbolFileText(a), "LOOP = 0x0010\nPORT = 0x0A00\n");
}

}  // namespace
}  // namespace scmp
