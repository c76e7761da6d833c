// Register symbols (NAME REG reg, NAME EQU reg) and the displacement -128,
// as the macro assembler's SC/MP sources write them.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

// The first diagnostic of `severity`, or nullptr.
const Diagnostic* First(const Assembly& a, Severity severity) {
  for (const Diagnostic& d : a.diagnostics)
    if (d.severity == severity) return &d;
  return nullptr;
}

using test::BytesCase;

// A register symbol stands wherever a pointer name or E does, in either
// dialect, in any case; SET gives it a new register from its line on.
TEST(RegisterSymbols, StandWhereAPointerOrEDoes) {
  const std::vector<BytesCase> cases = {
      {" CPU SC/MP\nptr0 reg p0\nereg reg e\nptr2 equ p2\npcnt equ pc\n xpah ptr2\n xppc PTR2\n xpal ptr0\n"
       " st @ereg(2)\n ld ereg(ptr2)\n or @-20(Ptr2)\n ld 3(pcnt)",
       {0x36, 0x3E, 0x30, 0xCE, 0x80, 0xC2, 0x80, 0xDE, 0xEC, 0xC0, 0x03}},
      {" ORG 0\nP = P3\nQ: REG P\n ld @e(q)\nR SET P1\n xppc r\nR SET q\n xppc r",
       {0xC7, 0x80, 0x3D, 0x3F}},
      {" ORG 0\n xppc later\nlater reg p1", {0x3D}},     // used above its definition
      {" ORG 0\nP2 = 2\nPTR = P2\n ldi PTR\n ld 1(PTR)", {0xC4, 0x02, 0xC2, 0x01}},  // NS style: numbers
      {" ORG 0\nEREG = -128\n ld EREG(P1)\n xpah 2\n and 10(1)", {0xC1, 0x80, 0x36, 0xD1, 0x0A}},
  };
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    EXPECT_EQ(First(a, Severity::kError), nullptr) << FormatDiagnostic(*First(a, Severity::kError));
    EXPECT_EQ(First(a, Severity::kWarning), nullptr) << FormatDiagnostic(*First(a, Severity::kWarning));
    EXPECT_EQ(test::AllBytes(a), c.bytes);
  }
}

// A register has no value: arithmetic on it, E as a pointer, REG of a
// number, a second definition, a register name as a label.
TEST(RegisterSymbols, MisuseIsAnErrorOnItsLine) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"ptr2 reg p2\n ldi ptr2+1", "t.s:2:6: error: ptr2 stands for the register P2 and has no value"},
      {" ldi 1+pc", "t.s:1:8: error: pc is a register and has no value"},
      {"ereg reg e\n ld 3(ereg)", "t.s:2:7: error: \"ereg\" stands for E, which is no pointer"},
      {"x reg 5", "t.s:1:7: error: REG needs a register: P0..P3, PC, E or a register symbol, not \"5\""},
      {" reg p1", "t.s:1:2: error: reg needs a name"},
      {"x reg p1\nx reg p2", "t.s:2:1: error: x is already defined on line 1"},
      {"x reg p1\nX = 5", "t.s:2:1: error: X is already a register symbol"},
      {"p1 reg p2", "t.s:1:1: error: p1 is a register name already"},
      {"e equ p2", "t.s:1:1: error: e is a register name and cannot be a label"},
  };
  for (const auto& [source, message] : cases) {
    SCOPED_TRACE(source);
    const Assembly a = Assemble(source, "t.s", test::ShippedTable());
    const Diagnostic* error = First(a, Severity::kError);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(FormatDiagnostic(*error).rfind(message, 0), 0u) << FormatDiagnostic(*error);
  }
}

struct MinusCase {
  const char* source;
  std::vector<uint8_t> bytes;  // empty: the line fails
  const char* message;         // part of the warning, or of the error
};

// The byte 0x80 means E with every pointer. After a CPU line the macro
// assembler's byte is kept with a warning; elsewhere it is an error.
TEST(RegisterSymbols, MinusOneTwentyEightKeepsTheMacroAssemblersByteWithAWarning) {
  const std::vector<MinusCase> cases = {
      {" CPU SC/MP\n ld -128(pc)", {0xC0, 0x80}, "uses E, not -128 (the macro assembler emits 0x80 here); write E(PC)"},
      {" CPU SC/MP\n st @-128(p2)", {0xCE, 0x80}, "uses E, not -128 (the macro assembler emits 0x80 here); write E(P2)"},
      {" CPU SC/MP\n ORG 0x100\n ld $-127", {0xC0, 0x80}, "the target 0x081 is -128 bytes away: the processor reads"},
      {" ld -128(pc)", {}, "the displacement -128 would be read as E; write E(P0)"},
      {" ORG 0x100\n ld .-127", {}, "-128 bytes away, which the processor would read as E"},
      {" CPU SC/MP\n ld -129(p1)", {}, "out of range for a displacement (-127..127; -128 is E)"},
      {" CPU SC/MP\n ORG 0x100\n ld $-128", {}, "a PC-relative memory reference reaches -127..127; -128 is E"},
  };
  for (const MinusCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    const Diagnostic* said = First(a, c.bytes.empty() ? Severity::kError : Severity::kWarning);
    ASSERT_NE(said, nullptr);
    EXPECT_NE(said->message.find(c.message), std::string::npos) << said->message;
    EXPECT_EQ(a.Succeeded(), !c.bytes.empty());
    if (!c.bytes.empty()) {
      EXPECT_EQ(test::AllBytes(a), c.bytes);
    }
  }
  // Jumps reach -128 in both dialects without a word.
  for (const char* source : {" ORG 0\n jmp -128(pc)", " CPU SC/MP\n jmp -128(p1)"}) {
    const Assembly a = Assemble(source, "t.s", test::ShippedTable());
    EXPECT_TRUE(a.Succeeded() && First(a, Severity::kWarning) == nullptr) << source;
  }
}

}  // namespace
}  // namespace scmp
