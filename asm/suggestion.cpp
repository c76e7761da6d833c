#include "asm/suggestion.h"

#include <unordered_map>

#include "asm/directive.h"

namespace scmp::assembler {

namespace {

struct Habit {
  const char* word;       // as another processor spells it
  const char* scmp;       // the SC/MP's instruction
  const char* hint;       // one line on how the SC/MP does it
};

constexpr Habit kHabits[] = {
    {"INC", "ILD", "ILD adds 1 to a byte in memory and loads the result into A"},
    {"DEC", "DLD", "DLD takes 1 from a byte in memory and loads the result into A"},
    {"BNE", "JNZ", "JNZ jumps when A is not zero"},
    {"BEQ", "JZ", "JZ jumps when A is zero"},
    {"BRA", "JMP", "JMP always jumps"},
    {"JR", "JMP", "JMP always jumps"},
    {"STO", "ST", "ST stores A"},
    {"STA", "ST", "ST stores A"},
    {"LDA", "LD", "LD loads A"},
    {"CALL", "XPPC",
     "the SC/MP calls a routine by putting its address less one in a pointer and exchanging it with P0: "
     "LDI H(ADDR(R)) / XPAH P3 / LDI L(ADDR(R)) / XPAL P3 / XPPC P3"},
    {"JSR", "XPPC",
     "the SC/MP calls a routine by putting its address less one in a pointer and exchanging it with P0: "
     "LDI H(ADDR(R)) / XPAH P3 / LDI L(ADDR(R)) / XPAL P3 / XPPC P3"},
    {"RET", "XPPC", "a routine returns with XPPC of the pointer that called it (XPPC P3)"},
    {"RTS", "XPPC", "a routine returns with XPPC of the pointer that called it (XPPC P3)"},
};

// Directives that only the macro assembler's own test files use.
constexpr const char* kTestOnly[] = {"EXPECT", "ENDEXPECT"};

// The macro assembler's directives that change how numbers read; scmp-asm
// keeps one reading, and says which, rather than guess another.
struct Notation {
  const char* word;
  const char* instead;
};
constexpr Notation kNotations[] = {
    {"INTSYNTAX", "scmp-asm reads every notation (0x1F $1F 1FH X'1F' 17O 1010B) and cannot switch one off; "
                  "a leading 0 is octal after a CPU line: write a hex number as 0x1F or 1FH, then remove the line"},
    {"RADIX", "scmp-asm reads a number without a mark as decimal: mark the others (0x1F, 1FH, 17O, 1010B), "
              "then remove the line"},
};

}  // namespace

std::string UnknownWordMessage(std::string_view word) {
  const bool dotted = !word.empty() && word[0] == '.';
  const std::string upper = UpperCase(dotted ? word.substr(1) : word);
  const std::string kind = dotted ? "unknown directive " : "unknown mnemonic ";
  for (const char* t : kTestOnly)
    if (upper == t)
      return kind + std::string(word) + ": " + t +
             " belongs to the macro assembler's own test files, not to programs; remove the line";
  for (const Notation& n : kNotations)
    if (upper == n.word) return kind + std::string(word) + ": " + n.instead;
  if (!dotted)
    for (const Habit& h : kHabits)
      if (upper == h.word)
        return kind + std::string(word) + "; did you mean " + h.scmp + "? (" + h.hint + ")";
  // A macro or a repeated block can repeat a few unknown words on hundreds
  // of thousands of lines: each word's nearest word is looked for once (the
  // answer depends on the word alone), in a memo that is emptied when it
  // grows large so that it stays small.
  thread_local std::unordered_map<std::string, std::string> nearest;
  auto it = nearest.find(std::string(word));
  if (it == nearest.end()) {
    if (nearest.size() >= 4096) nearest.clear();
    it = nearest.emplace(std::string(word), NearestWord(word)).first;
  }
  const std::string& near = it->second;
  return kind + std::string(word) + (near.empty() ? "" : "; did you mean " + near + "?");
}

}  // namespace scmp::assembler
