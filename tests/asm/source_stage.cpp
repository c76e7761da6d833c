// The source stage's macro language (variadic macros, labels on condition
// lines, -D), its work limits and the messages that lead to a first cause.
// The limits are checked by their messages; their cost is measured in
// bench/bench_asm_limits.cpp.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

using Files = std::map<std::string, std::string>;

Assembly AssembleWith(const std::string& source, const Files& files = {}, const std::vector<Predefined>& predefined = {},
                      const std::string& name = "t.s") {
  return Assemble(source, name, test::ShippedTable(),
                  [&files](const std::string& path, std::string* text, std::string* error) {
                    const auto it = files.find(path);
                    if (it == files.end()) {
                      *error = "No such file or directory";
                      return false;
                    }
                    *text = it->second;
                    return true;
                  },
                  AssembleOptions{false, predefined});
}

std::string Repeated(const std::string& line, size_t times) {
  std::string text;
  text.reserve(line.size() * times);
  for (size_t i = 0; i < times; ++i) text += line;
  return text;
}

struct MacroCase {
  std::string source;
  std::vector<uint8_t> bytes;
  std::vector<Predefined> predefined = {};
};

TEST(SourceStage, MacroLanguageLabelsOnConditionsAndPredefinedNamesGiveTheirBytes) {
  // The walk ends on an empty argument: ARGCOUNT is never below the number
  // of parameters, so it cannot tell the end of the list.
  const std::string walk = "DO MACRO OP\n IFNB OP\n DB OP\n SHIFT\n DO ALLARGS\n ENDIF\n ENDM\n";
  const std::vector<MacroCase> cases = {
      // SHIFT moves the arguments up; ALLARGS passes the rest on.
      {walk + " DO 1, 2, 3\n DO 4", {1, 2, 3, 4}},
      // More arguments than parameters; ARGCOUNT counts them all.
      {"CNT MACRO A,B\n DB ARGCOUNT, A, B\n ENDM\n CNT 7, 8, 9, 10\n CNT 3, 4", {4, 7, 8, 2, 3, 4}},
      {"TWO MACRO\n DB ALLARGS\n ENDM\n TWO 5, <6>, 7", {5, 6, 7}},
      // A directive's or a mnemonic's name as the first argument is a call.
      {"DO MACRO K, V\n DB V\n ENDM\nDO EQU, 5\n DO LDI, 6\nDO ORG, 7", {5, 6, 7}},
      // Labels on IF, IFDEF, ELSE and ENDIF lines are defined where they stand.
      {" NOP\nPTNUM IFDEF NOWHERE\n ENDIF\n LDI L(PTNUM)", {0x08, 0xC4, 0x02}},
      {"A: IF 0\n NOP\nB: ELSE\n NOP\nC: ENDIF\n DB A, B, C", {0x08, 1, 1, 2}},
      {" IF 0\nSKIPPED IF 1\n ENDIF\n ENDIF\n IFDEF SKIPPED\n NOP\n ENDIF\n HALT", {0x00}},
      // -D NAME[=VALUE]: IFDEF, IF and expressions see it.
      {" IFDEF EMULA\n DB N\n ELSE\n DB 0\n ENDIF\n IF N > 4\n DB 9\n ENDIF", {5, 9}, {{"EMULA", ""}, {"N", "4+1"}}},
      {" IFNDEF EMULA\n DB 7\n ENDIF\n DB EMULA, N", {1, 2}, {{"EMULA", ""}, {"N", "EMULA+1"}}},
  };
  for (const MacroCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = AssembleWith(c.source, {}, c.predefined);
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity == Severity::kError) ADD_FAILURE() << FormatDiagnostic(d);
    EXPECT_EQ(test::AllBytes(a), c.bytes);
  }
}

struct LimitCase {
  const char* what;
  std::string source;
  Files files;
  const char* where;    // FILE:LINE:COL: severity: of the first message
  const char* message;  // part of it
};

TEST(SourceStage, EachWorkLimitStopsWithAnErrorNamingItAndTheLine) {
  // A line that costs the passes little and the stream 1,000 bytes.
  const std::string wide = " NOP ;" + std::string(993, 'x') + "\n";
  const std::string f1 = "F1 FUNCTION X, X+1\n";
  std::string functions = f1;
  for (int level = 2; level <= 6; ++level) {
    const std::string inner = "F" + std::to_string(level - 1) + "(X)";
    std::string body = inner;
    for (int i = 1; i < 20; ++i) body += "+" + inner;
    functions += "F" + std::to_string(level) + " FUNCTION X, " + body + "\n";
  }
  const std::vector<LimitCase> cases = {
      {"one file under two spellings", " INCLUDE \"./x.s\"\n", {{"./x.s", " INCLUDE \".//x.s\"\n"}},
       "./x.s:1:10: error:", "././/x.s includes itself (an include cycle)"},
      {"included text", Repeated(" INCLUDE \"big.s\"\n", 3), {{"big.s", Repeated(" ;\n", 3 * 1024 * 1024)}},
       "t.s:2:1: error:", "would read more than 16 MB of included files in all (the limit for one assembly)"},
      {"lines handed on", "W MACRO\n" + wide + " ENDM\n" + Repeated(" W\n", 17000), {},
       "t.s:2:1: error:", "gives more than 16 MB of lines to assemble (the limit for one assembly)"},
      {"substitution", "W MACRO\n IF 0\n" + Repeated(wide, 60) + " ENDIF\n ENDM\n" + Repeated(" W\n", 1200), {},
       "t.s:", "macro calls have given more than 64 MB of lines (the limit for one assembly)"},
      {"FUNCTION work", functions + " LDI F6(1)&0xFF\n", {}, "t.s:7:6: error:",
       "FUNCTION calls have evaluated more than 8 million bytes of function bodies"},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Assembly a = AssembleWith(c.source, c.files);
    ASSERT_GE(a.ErrorCount(), 1);
    bool found = false;
    for (const Diagnostic& d : a.diagnostics) {
      const std::string text = FormatDiagnostic(d);
      if (text.find(c.message) == std::string::npos) continue;
      found = true;
      EXPECT_EQ(text.rfind(c.where, 0), 0u) << text;
    }
    EXPECT_TRUE(found) << FormatDiagnostic(a.diagnostics.front());
  }
}

TEST(SourceStage, MessagesShowTheFirstCauseOnceAndShort) {
  const struct {
    const char* source;
    const char* first;  // the first message, whole
    Severity severity;
  } cases[] = {
      // A runaway macro: the unknown word first, once, with its count.
      {"DO MACRO OP\n DB OP\n FROBNICATE\n DO ALLARGS\n ENDM\n DO 1, 2",
       "t.s:3:2: error: unknown mnemonic FROBNICATE (256 times), in macro DO called at t.s:6", Severity::kError},
      {" SHIFT", "t.s:1:2: error: SHIFT outside a macro: it moves a macro's arguments up one place", Severity::kError},
      {" INCLUDE \"end.s\"\n NOP",
       "end.s:3:1: warning: END in the included file end.s ends the whole assembly: the lines after the INCLUDE at t.s:1 "
       "are not assembled; remove this END, included from t.s:1",
       Severity::kWarning},
      {"M MACRO\n END\n ENDM\n M\n NOP",
       "t.s:2:1: warning: END in macro M ends the whole assembly: the lines after the call at t.s:4 are not assembled; "
       "remove this END, in macro M called at t.s:4",
       Severity::kWarning},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = AssembleWith(c.source, {{"end.s", " ORG 1\n NOP\n END\n"}});
    ASSERT_FALSE(a.diagnostics.empty());
    EXPECT_EQ(FormatDiagnostic(a.diagnostics.front()), c.first);
    EXPECT_EQ(a.diagnostics.front().severity, c.severity);
    for (const Diagnostic& d : a.diagnostics) EXPECT_LE(FormatDiagnostic(d).size(), 320u) << FormatDiagnostic(d);
  }
}

}  // namespace
}  // namespace scmp
