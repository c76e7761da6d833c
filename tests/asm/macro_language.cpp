// The macro assembler's macro language and control directives, each form
// beside the bytes it gives: parameters and arguments, labels of a macro's
// own, EXITM, REPT/IRP/IRPC/WHILE, ELSEIF, SWITCH/CASE, text comparisons,
// IFUSED/IFEXIST and INCLUDE's .inc; and what a fault in them says.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

// A source of the macro assembler's (its CPU line starts the count at 0).
Assembly AssembleAs(const std::string& body, const std::map<std::string, std::string>& files = {}) {
  return Assemble("        CPU SC/MP\n" + body, "t.s", test::ShippedTable(),
                  [&files](const std::string& path, std::string* text, std::string* error) {
                    const auto it = files.find(path);
                    if (it == files.end()) {
                      *error = "No such file or directory";
                      return false;
                    }
                    *text = it->second;
                    return true;
                  });
}

void ExpectBytes(const std::vector<test::BytesCase>& cases, const std::map<std::string, std::string>& files = {}) {
  test::ExpectBytes(cases, [&files](const std::string& source) { return AssembleAs(source, files); });
}

TEST(MacroLanguage, CallsBindTheirArgumentsAsTheMacroAssemblerDoes) {
  ExpectBytes({
      // An underscore ends a parameter's name: A_B joins two arguments.
      {"CAT MACRO A,B\nA_B EQU 7\n ENDM\n CAT X,Y\n DB X_Y", {7}},
      // Defaults fill empty and missing arguments; NAME=value sets one by name.
      {"M MACRO A=5,B\n DB A,B\n ENDM\n M ,2\n M 1,2\n M B=3,A=4", {5, 2, 1, 2, 4, 3}},
      {"M MACRO B,A=5\n DB B\n IFB A\n DB 9\n ENDIF\n ENDM\n M 1,A=", {1, 9}},
      // ARGCOUNT is never below the number of parameters.
      {"M MACRO A,B,C\n DB ARGCOUNT\n ENDM\n M\n M 1,2,3,4", {3, 4}},
      // Options in braces are no parameters.
      {"M MACRO {NOEXPAND},A,{GLOBALSYMBOLS}\n DB A\n ENDM\n M 6", {6}},
      // The manual's walk through a list: a text comparison, SHFT and .SHIFT.
      {"PL MACRO REG\n IF \"REG\"<>\"\"\n DB REG\n SHFT\n PL ALLARGS\n ENDIF\n ENDM\n PL 1,2,3", {1, 2, 3}},
      {"PL MACRO REG\n IF 'REG' != ''\n DB REG\n .SHIFT\n PL ALLARGS\n ENDIF\n ENDM\n PL 4,5", {4, 5}},
      {"M MACRO P\n IF UPSTRING(\"P\")=\"A\"\n DB 1\n ELSE\n DB 2\n ENDIF\n ENDM\n M a\n M b", {1, 2}},
      // Each call has labels of its own; EQU names stay global.
      {"M MACRO\n JMP SKIP\nSKIP NOP\nSEEN SET 3\n ENDM\n M\n M\n DB SEEN", {0x90, 0x00, 0x08, 0x90, 0x00, 0x08, 3}},
      {"SKIP NOP\nM MACRO\nSKIP JMP SKIP\n ENDM\n M\n JMP SKIP", {0x08, 0x90, 0xFE, 0x90, 0xFB}},
      {"M MACRO\nL NOP\n DB \"L\"\nHERE LABEL $\n ENDM\n M\n DB HERE", {0x08, 'L', 2}},
      // Inside quotes only a parameter written in capitals is replaced.
      {"M MACRO c\n DB \"c\", \"C\"\n ENDM\n M x", {'c', 'x'}},
      {"M MACRO {GLOBALSYMBOLS}\nHERE NOP\n ENDM\n M\n DB HERE", {0x08, 0}},
      {"M MACRO {INTLABEL}\n__LABEL__ NOP\n ENDM\nTHERE M\n DB THERE", {0x08, 0}},
      // EXITM ends the call and the conditions it opened.
      {"M MACRO A\n DB 1\n IF A\n EXITM\n ENDIF\n DB 2\n ENDM\n M 1\n M 0", {1, 1, 2}},
      // A macro named as a mnemonic is called; !LDI is the mnemonic.
      {"LDI MACRO X\n !LDI X+1\n ENDM\n LDI 5", {0xC4, 6}},
  });
}

TEST(MacroLanguage, BlocksRepeatTheirLinesWhereTheyStand) {
  ExpectBytes({
      {" REPT 3\n NOP\n ENDM", {0x08, 0x08, 0x08}},
      {" REPT 0\n NOP\n ENDM\n HALT", {0x00}},
      {" IRP X, 1, 2, 3\n DB X*2\n ENDM", {2, 4, 6}},
      {" IRPC C, \"AB\"\n DB 'C'\n ENDM", {'A', 'B'}},
      {"N SET 1\n WHILE N <= 4\n DB N\nN SET N*2\n ENDM", {1, 2, 4}},
      // Each repetition has labels of its own.
      {" REPT 2\nL NOP\n JMP L\n ENDM", {0x08, 0x90, 0xFD, 0x08, 0x90, 0xFD}},
      // The listing's own words change no byte.
      {" LISTING OFF\n MACEXP_DFT NOIF\n MACEXP ON\n NEWPAGE\n PRTINIT \"x\"\n OUTRADIX 10\n NOP", {0x08}},
      {" REPT 5\n DB 1\n EXITM\n ENDM", {1}},
      // Inside a macro, the block is taken after the call's substitution.
      {"M MACRO A,B\n IRP V, A, B\n DB V\n ENDM\n ENDM\n M 7, 8", {7, 8}},
  });
}

TEST(MacroLanguage, ConditionsChooseTheirBranch) {
  ExpectBytes(
      {
          {" IF 0\n DB 1\n ELSEIF 1\n DB 2\n ELSEIF 1\n DB 3\n ELSEIF\n DB 4\n ENDIF", {2}},
          {" IF 0\n DB 1\n ELSEIF 0\n DB 2\n ELSEIF\n DB 4\n ENDIF", {4}},
          {"M MACRO A,B\n IFB A,B\n DB 0\n ELSE\n DB 1\n ENDIF\n ENDM\n M\n M ,2", {0, 1}},
          {"V EQU 3\n SWITCH V\n CASE 1,2\n DB 1\n CASE 3,4\n DB 2\n ELSECASE\n DB 3\n ENDCASE", {2}},
          {"V EQU 9\n SWITCH V\n CASE 1,2\n DB 1\nL ELSECASE\n DB 3\n ENDCASE\n DB L", {3, 0}},
          {" SWITCH \"B\"\n CASE \"A\"\n DB 1\n CASE \"B\"\n DB 2\n ENDCASE", {2}},
          {"X EQU 1\n DB X\n IFUSED X\n DB 5\n ENDIF\n IFNUSED Y\n DB 6\n ENDIF", {1, 5, 6}},
          // The macro assembler's names are the same in any case.
          {"Emula EQU 2\n IFDEF EMULA\n IF emula = 2\n DB 7\n ENDIF\n ENDIF", {7}},
          {" IFEXIST \"defs.inc\"\n DB 1\n ENDIF\n IFNEXIST gone.s\n DB 2\n ENDIF\n IFEXIST defs\n DB 3\n ENDIF", {1, 2, 3}},
          // INCLUDE NAME reads NAME.inc when the name has no extension.
          {" INCLUDE defs\n DB SIZE", {4}},
      },
      {{"defs.inc", "SIZE EQU 4\n"}});
}

struct FaultCase {
  const char* source;
  const char* message;  // part of an error or warning
};

TEST(MacroLanguage, FaultsSayWhatToWrite) {
  const std::vector<FaultCase> cases = {
      {" IF 1\n ELSE\n ELSEIF 1\n ENDIF", "ELSEIF after the ELSE of the IF on line 2"},
      {" MAXNEST 2\nM MACRO N\n IF N > 0\n M N-1\n ENDIF\n ENDM\n M 3", "macro calls nested deeper than 2"},
      {" SWITCH 1\n ENDIF", "ENDIF inside the SWITCH on line 2: close it with ENDCASE first"},
      {" SWITCH 5\n CASE 1\n ENDCASE", "no CASE matches the SWITCH value, and there is no ELSECASE"},
      {" CASE 1", "CASE without SWITCH"},
      {" EXITM", "EXITM outside a macro"},
      {"M MACRO {FAST}\n ENDM", "unknown macro option {FAST}"},
      {"M MACRO A,B\n ENDM\n M A=1,2", "stands by position after one given by name"},
      {" WHILE 1\n ENDM", "has repeated its lines more than 100000 times"},
      {" REPT 2\n NOP", "REPT without ENDM"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = AssembleAs(c.source);
    std::string said;
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity != Severity::kNote) said += FormatDiagnostic(d) + "\n";
    EXPECT_NE(said.find(c.message), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace scmp
