// Register symbols, as the macro assembler has them: a name that stands for
// a register of the processor, defined by NAME REG reg, or by NAME EQU reg,
// NAME = reg or NAME SET reg when the operand is a register (P0..P3, PC, E
// or another register symbol). Such a name stands wherever a pointer name or
// E does (XPAL P2, 3(P2), @E(P1)); it has no value, so an expression that
// uses it is an error. Names are compared without regard to case, as the
// pointer names are.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "asm/source_line.h"

namespace scmp::assembler {

// What a register name stands for (as RegisterNumber gives it): 0..3 a
// pointer, kRegisterE the extension register, kNoRegister no register.
constexpr int kRegisterE = -1;
constexpr int kNoRegister = -2;

// "P2", "E".
std::string RegisterName(int reg);

// The message for a built-in register name used as the name of a label or
// definition, or "": E never, P0..P3 and PC only when defined as their own
// number (NS sources write P2 = 2).
std::string BuiltInNameFault(std::string_view name, bool definition);
std::string BuiltInValueFault(std::string_view name, int64_t value);

class RegisterSymbols {
 public:
  enum class Outcome { kNotRegister, kDefined, kFailed };

  // Notes a definition of a built-in pointer name as a number (P2 = 2):
  // then NAME EQU P2 keeps giving the number, as it did before.
  void NoteNumericDefinition(const SourceLine& line);

  // Reads the definition `line` at stream position `at`. REG always defines
  // a register symbol; EQU, = and SET do when their operand is a register.
  Outcome Define(const SourceLine& line, int at, std::string* message, int* column);

  // The register `name` stands for on the line at `at`: a built-in name, or
  // the register symbol's definition in force there (its first one for a
  // line above it); kNoRegister for any other text.
  int Find(std::string_view name, int at) const;

  // True when `name` is a register symbol anywhere in the source.
  bool Defines(std::string_view name) const { return names_.count(Key(name)) != 0; }

  // "NAME stands for the register P2 and has no value in an expression".
  std::string ExpressionFault(std::string_view name) const;

 private:
  struct Definition {
    int at = 0;
    int line = 0;
    int reg = kNoRegister;
    bool set = false;
  };
  static std::string Key(std::string_view name);

  std::unordered_map<std::string, std::vector<Definition>> names_;
  std::unordered_set<std::string> numeric_builtins_;
};

}  // namespace scmp::assembler
