// The forms of published SC/MP programs that once gave wrong bytes or
// stopped the assembly, each beside its bytes; and the messages that must
// name the first cause.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

// An operand is a text only when the whole operand is one string; else it
// is an expression and gives one byte, in every directive.
TEST(PublishedForms, ACharacterJoinedByAnOperatorIsOneByte) {
  test::ExpectBytes({
      {" .BYTE 'R'+X'80'", {0xD2}},
      {" DB 'R'|0x80", {0xD2}},
      {" FCB 'R'|80H, 'A'+1, 'AB', \"CD\", 'E'", {0xD2, 'B', 'A', 'B', 'C', 'D', 'E'}},
      {" DB 'a;b', 'c,d', X'1F, 'Z'", {'a', ';', 'b', 'c', ',', 'd', 0x1F, 'Z'}},
      {" LDI 'R'|0x80\n LDI 'A'+X'20'", {0xC4, 0xD2, 0xC4, 'a'}},
      {" DB\n NOP", {0x08}},  // an empty DB gives no bytes
  });
}

// Escapes as the macro assembler writes them: decimal numbers, \\ alone.
TEST(PublishedForms, StringEscapesGiveTheirBytes) {
  test::ExpectBytes({
      {" DB \"\\13\\10\"", {13, 10}},
      {" DB '\\\\', \"\\x41\\t\", '\\'', \"\\0\"", {'\\', 0x41, 9, '\'', 0}},
      {" LDI '\\\\'\n LDI '\\13'\n LDI '\\'", {0xC4, '\\', 0xC4, 13, 0xC4, '\\'}},
      {" .ASCII \"a\\255\"", {'a', 255}},
  });
}

// DW low byte first unless BIGENDIAN ON; .DBYTE low byte first as the
// published object code has it, high first after DBYTEORDER HIGH or with
// the option.
TEST(PublishedForms, WordsTakeTheByteOrderTheSourceChose) {
  test::ExpectBytes({
      {" DW 0x1234\n BIGENDIAN ON\n DW 0x1234\n BIGENDIAN OFF\n DW 0x1234", {0x34, 0x12, 0x12, 0x34, 0x34, 0x12}},
      {" .DBYTE 0x1234\n DBYTEORDER HIGH\n .DBYTE 0x1234\n .DBYTEORDER LOW\n .DBYTE 0x1234",
       {0x34, 0x12, 0x12, 0x34, 0x34, 0x12}},
  });
  AssembleOptions high;
  high.dbyte_high_first = true;
  test::ExpectBytes({{" .DBYTE 0x1234, 5\n DW 0x1234", {0x12, 0x34, 0x00, 0x05, 0x34, 0x12}}}, high);
}

// disp(Pn) only when the parentheses hold a pointer; a function before
// them, or an instruction that takes an immediate, makes it an expression.
TEST(PublishedForms, ImmediatesWithFunctionsAreExpressions) {
  test::ExpectBytes({
      {"START = 0x10\nENDS = 0x30\n CAI L(ENDS)-L(START)", {0xFC, 0x20}},
      {"X = 0x1234\n LDI -L(X)\n LDI 1+H(X)\n ANI L(X)", {0xC4, 0xCC, 0xC4, 0x13, 0xD4, 0x34}},
      {"TWICE FUNCTION V, V*2\nN = 3\n LDI 1+TWICE(N)", {0xC4, 7}},
      {"PTR = 2\n LD 3(PTR)\n ST @-1(P1)", {0xC2, 3, 0xCD, 0xFF}},
      {"X = 0x30\nY = 0x10\n LD L(X)-L(Y)", {0xC0, 0x1E}},  // PC-relative to 0x020
  });
}

// The operators: ! is exclusive or between two values, && || are logical;
// after a CPU line the comparisons bind looser than | & ^, in the passes
// and in conditions alike.
TEST(PublishedForms, OperatorsBindAsTheDialectSays) {
  test::ExpectBytes({
      {" DB 5!3, !0, 2 && 3, 0 || 0, 1 < 2 && 3 > 4, 6 ! 3 & 1", {6, 1, 1, 0, 0, 7}},
      {" DB 0xCF == 0x80|79, 7 & 3 == 3", {79, 1}},                   // C's order
      {" CPU SC/MP\n DB 0xCF == 0x80|79, 7 & 3 == 3, ~~0, ~~5, 1 !! 1, 0 !! 3", {1, 1, 1, 0, 0, 1}},  // the macro assembler's
      {"A = 0xCF\n IF A != 0x80|79\n DB 1\n ELSE\n DB 2\n ENDIF", {1}},
      {" CPU SC/MP\nA = 0xCF\n IF A != 0x80|79\n DB 1\n ELSE\n DB 2\n ENDIF", {2}},
      // The macro assembler's ranks: bit operators before * /, those before + -,
      // then the logical ones, the comparisons last; ^ is a power, # a
      // remainder, >< mirrors the lowest bits.
      {" CPU SC/MP\n DB 1+1&1, 2*3|1, 1 + 1 << 1, 2 ! 2 | 2, 2 == 2 && 2, 2^3, 3^0, -2^3, 7#3, 0xF1 >< 4, 1 >< 8",
       {2, 6, 3, 0, 0, 8, 1, 0xF8, 1, 0xF8, 0x80}},
      {" DB 1+1&1, 2*3|1, 1 + 1 << 1, 2 ! 2 | 2, 2 == 2 && 2, 2^3, 7%3", {0, 7, 4, 2, 1, 1, 1}},  // C's
  });
}

// DB and DW repeat with N DUP (values), N DUP value repeating just that one
// value; "?" reserves a cell without storing a byte.
TEST(PublishedForms, RepeatsAndReservedCells) {
  test::ExpectBytes({
      {" DB 3 dup (1,2)", {1, 2, 1, 2, 1, 2}},
      {" DB 2 DUP 7, 9", {7, 7, 9}},
      {" DB 2 dup (\"ab\", 2 dup (0)), 0 dup (5)", {'a', 'b', 0, 0, 'a', 'b', 0, 0}},
      {" DW 2 dup (0x1234)", {0x34, 0x12, 0x34, 0x12}},
      {"DUP = 3\n DB DUP, 'DUP'", {3, 'D', 'U', 'P'}},  // no repeat without a count before it
      {" DB ?, ?\nX: DB 5\n DB L(X)", {5, 3}},
      {" DW 2 dup (?)\nX: DB L(X)", {5}},
  });
}

// The macro assembler's names: a macro hides a directive of its name, its
// symbols ignore case (National's keep it), and an indented mnemonic stays
// an instruction whatever word follows.
TEST(PublishedForms, NamesAsTheMacroAssemblerReadsThem) {
  test::ExpectBytes({
      {" CPU SC/MP\nMESSAGE MACRO A,B\n DB A\n DB B|0x80\n ENDM\n MESSAGE \"AB\",'C'\n !MESSAGE \"x\"", {'A', 'B', 0xC3}},
      {" CPU SC/MP\nLoop: NOP\n JMP LOOP\n JMP loop", {0x08, 0x90, 0xFD, 0x90, 0xFB}},
      {"LABEL = 5\n LDI LABEL", {0xC4, 5}},
  });
}

struct MessageCase {
  const char* source;
  Severity severity;
  const char* message;  // part of the first diagnostic of that severity
};

TEST(PublishedForms, MessagesNameTheFirstCause) {
  const std::vector<MessageCase> cases = {
      {" LDI 3 dup (1)", Severity::kError, "DUP repeats values only in DB and DW"},
      {"Loop: NOP\n JMP LOOP", Severity::kError, "undefined symbol LOOP"},
      {"R MACRO\n R\n R\n ENDM\n R", Severity::kError, "(does R call itself without end?); the assembly stops here"},
      {" CPU SC/MP\nDB MACRO\n NOP\n ENDM", Severity::kWarning, "the macro DB hides the directive of that name (write !DB"},
      {" DB 1, ?", Severity::kError, "a line either reserves cells (?) or stores values, not both"},
      {" DB 70000 dup (0)", Severity::kError, "out of range for a DUP count"},
      {" DB 300 dup (300 dup (1))", Severity::kError, "more than 65536 values in one line"},
      {" CPU SC/MP\n DB 1 >< 0", Severity::kError, "a bit mirror (><) turns 1..32 bits"},
      {" CPU SC/MP\n DB 2 ^ -1", Severity::kError, "an exponent of 0 or more; for an exclusive or write !"},
      {" CPU SC/MP\n DW 2 ^ 64", Severity::kError, "the value is too large"},
      {" DB 1 >< 2", Severity::kError, "\"><\" is an operator of the macro assembler's sources, those with a CPU line"},
      {" DB 7 # 2", Severity::kError, "write % for the remainder"},
      {" expect 1350\n NOP", Severity::kError, "EXPECT belongs to the macro assembler's own test files"},
      {" DB \"\\08\"", Severity::kError, "\"\\08\": an escape that starts with 0 is octal"},
      {" DB 'R'|", Severity::kError, "an expression is incomplete"},
      {" DB 'ABC", Severity::kError, "the text has no closing quote"},
      {" DB 'ABCDE'+1", Severity::kError, "a text of more than 4 characters is no number"},
      {" LDI L(X)-L(Y)", Severity::kError, "undefined symbol X"},
      {" LD 200(P1)", Severity::kError, "out of range for a displacement (-127..127; -128 is E)"},
      {" JMP 200(P1)", Severity::kError, "out of range for a displacement (-128..127)"},
      {" ORG 0x100\n LD 0x300", Severity::kError, "a PC-relative memory reference reaches -127..127; -128 is E"},
      {" ERROR \"no room for \", \"the table\"\n NOP", Severity::kError, "no room for the table"},
      {" FATAL \"stop\"\n FOO", Severity::kError, "stop (FATAL: the assembly stops here)"},
      {" WARNING \"check the port\"\n NOP", Severity::kWarning, "check the port"},
      {" MESSAGE \"hello\"\n ORG 0\n NOP", Severity::kNote, "hello"},
      // \{expr} in a message's text is the value in hexadecimal digits.
      {" ORG 0x10\nX NOP\n MESSAGE \"X is at \\{X}, \\{X+0x20}h\\r\"", Severity::kNote, "X is at 10, 30h\r"},
      {" MESSAGE \"\\{NOWHERE}\"", Severity::kError, "undefined symbol NOWHERE"},
      {" BIGENDIAN MAYBE", Severity::kError, "BIGENDIAN takes ON or OFF"},
      {"rp\n LDI 1", Severity::kWarning, "rp alone in column 1 is a label that nothing uses"},
      {" NOP", Severity::kNote, "the code starts at 001, the board's convention; write ORG 0 for 000"},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = Assemble(c.source, "t.s", test::ShippedTable());
    const Diagnostic* first = nullptr;
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity == c.severity && !first) first = &d;
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first->message.find(c.message), std::string::npos) << first->message;
    if (c.severity == Severity::kError) continue;
    EXPECT_TRUE(a.Succeeded());
  }
  // FATAL stops there: the faults before it are reported, the unknown FOO
  // after it is not.
  EXPECT_EQ(Assemble(" LD 200(P1)\n FATAL \"stop\"\n FOO", "t.s", test::ShippedTable()).ErrorCount(), 2);
}

// Nothing is said where nothing is wrong: a used bare word, an ORG, an
// END that names the start.
TEST(PublishedForms, QuietWhereNothingIsWrong) {
  for (const char* source : {" ORG 1\nLOOP\n NOP\n JMP LOOP", " ORG 1\nSTART\n NOP\n END START", " ORG 0\nX: NOP\n DB 'A'|0x80",
                             " ORG 1\nERROR\n NOP\n JMP ERROR"}) {
    SCOPED_TRACE(source);
    const Assembly a = Assemble(source, "t.s", test::ShippedTable());
    for (const Diagnostic& d : a.diagnostics) ADD_FAILURE() << FormatDiagnostic(d);
  }
}

// Learners of other processors get the SC/MP's instruction, not the
// nearest spelling.
TEST(PublishedForms, OtherProcessorsMnemonicsSuggestTheScmpWay) {
  const std::vector<std::pair<const char*, const char*>> habits = {
      {"INC", "ILD"}, {"DEC", "DLD"}, {"BNE", "JNZ"}, {"BEQ", "JZ"},  {"BRA", "JMP"},
      {"STO", "ST"},  {"STA", "ST"},  {"LDA", "LD"},  {"CALL", "XPPC"}, {"JSR", "XPPC"},
  };
  for (const auto& [word, scmp] : habits) {
    SCOPED_TRACE(word);
    const Assembly a = Assemble(std::string(" ") + word + " 1", "t.s", test::ShippedTable());
    ASSERT_EQ(a.ErrorCount(), 1);
    const std::string& message = a.diagnostics[0].message;
    EXPECT_EQ(message.rfind(std::string("unknown mnemonic ") + word + "; did you mean " + scmp + "? (", 0), 0u) << message;
  }
}

// The dialect sample that uses these forms: its variadic macro stores the
// keyword table, -D WITH_LIST adds a word, and the count's cell is reserved.
TEST(PublishedForms, TheWordsSampleAssemblesItsTable) {
  const std::string path = test::SourceDataDir() + "Samples/dialects/WORDS_AS.s";
  const std::vector<uint8_t> run = {'R', 'U', 'N' | 0x80, 'N', 'E', 'W' ^ 0x80};
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T' | 0x80};
  const std::vector<uint8_t> end = {'E', 'N', 'D' | 0x80, 0, 13, 10};
  for (const bool with_list : {false, true}) {
    SCOPED_TRACE(with_list ? "-D WITH_LIST" : "no -D");
    AssembleOptions options;
    if (with_list) options.predefined.push_back({"WITH_LIST", "1"});
    const Assembly a = Assemble(test::ReadFile(path), path, test::ShippedTable(), {}, options);
    ASSERT_TRUE(a.Succeeded()) << FormatDiagnostic(a.diagnostics.front());
    std::vector<uint8_t> table = run;
    if (with_list) table.insert(table.end(), list.begin(), list.end());
    table.insert(table.end(), end.begin(), end.end());
    const std::vector<uint8_t> bytes = test::AllBytes(a);
    const auto at = std::search(bytes.begin(), bytes.end(), table.begin(), table.end());
    ASSERT_NE(at, bytes.end());
    const int table_address = 1 + static_cast<int>(at - bytes.begin());
    // After the table: its address, high byte first (BIGENDIAN ON), and no
    // byte for the reserved COUNT cell.
    EXPECT_EQ(std::vector<uint8_t>(at + static_cast<long>(table.size()), bytes.end()),
              (std::vector<uint8_t>{static_cast<uint8_t>(table_address >> 8), static_cast<uint8_t>(table_address & 0xFF)}));
  }
}

}  // namespace
}  // namespace scmp
