// Speed of the assembler on a source the size of a Tiny BASIC interpreter:
// about 3,000 lines with 320 macro calls, conditions inside the macros and
// labels spread over several 4K pages; and on one of 8,000 lines with 600
// macro calls, whose data lines use the published programs' forms
// ('R'|80H, "\13\10"), which must assemble in under 0.5 s. The sources are
// made here, so that the figures do not depend on any published program.
//
//   bench_asm [ROUNDS]    (default 20)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "asm/assembler.h"
#include "core/table.h"

namespace {

std::string MadeSource(int routines, int total_lines) {
  std::string s =
      "        CPU     SC/MP\n"
      "P1      =       1\n"
      "P2      =       2\n"
      "P3      =       3\n"
      "EREG    =       -128\n"
      "; Calls a routine through P3; with a second argument, loads it first.\n"
      "CALL    MACRO   ROUTINE, ARG\n"
      "        IFNB    ARG\n"
      "        LDI     ARG\n"
      "        ENDIF\n"
      "        LDI     HIGH(ADDR(ROUTINE))\n"
      "        XPAH    P3\n"
      "        LDI     LOW(ADDR(ROUTINE))\n"
      "        XPAL    P3\n"
      "        XPPC    P3\n"
      "        ENDM\n"
      "        ORG     0x1000\n";
  int line = 17;
  for (int routine = 0; routine < routines; ++routine) {
    const std::string name = "R" + std::to_string(routine);
    if (routine > 0 && routine % 80 == 0) s += "        ORG     0x" + std::to_string(routine / 80 + 1) + "000\n";
    s += name + ":  LD      @1(P1)            ; next character\n";
    s += "        CALL    " + name + "X\n";
    s += "        CALL    " + name + "X, " + std::to_string(routine % 100) + "\n";
    s += "1$:     ST      EREG(P2)\n";
    s += "        JZ      1$\n";
    for (int i = 0; i < 6; ++i) s += "        LD      " + std::to_string(i) + "(P2)\n        ADD     @-1(P2)\n";
    s += name + "X: XAE\n        JMP     " + name + "\n";
    line += 18;
  }
  while (line < total_lines) {
    s += line % 2 ? "        DB      0x" + std::to_string(line % 90 + 10) + ", 'A', $1F, 1FH\n"
                  : "        DB      'R'|80H, \"\\13\\10\", 'N'!80H\n";
    ++line;
  }
  s += "        END\n";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
  scmp::InstructionTable table;
  std::string error;
  if (!table.Load(std::string(SCMP_SOURCE_DATA_DIR) + "SCMP.DEL", &error)) {
    std::fprintf(stderr, "bench_asm: %s\n", error.c_str());
    return 1;
  }
  struct Size {
    int routines, lines;
  };
  for (const Size size : {Size{160, 2500}, Size{300, 8000}}) {
    const std::string source = MadeSource(size.routines, size.lines);
    const auto start = std::chrono::steady_clock::now();
    size_t bytes = 0;
    for (int r = 0; r < rounds; ++r) {
      const scmp::Assembly a = scmp::Assemble(source, "made.s", table);
      if (!a.Succeeded()) {
        std::fprintf(stderr, "bench_asm: %s\n", scmp::FormatDiagnostic(a.diagnostics.front()).c_str());
        return 1;
      }
      bytes = 0;
      for (const scmp::LineCode& c : a.code) bytes += c.bytes.size();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
    int lines = 0;
    for (char c : source) lines += c == '\n';
    std::printf("assembler: %d lines, %d macro calls, %zu bytes: %.2f ms per assembly\n", lines, 2 * size.routines,
                bytes, ms);
  }
  return 0;
}
