#include "asm/register_symbol.h"

#include "asm/directive.h"
#include "asm/operand.h"
#include "core/file_reader.h"

namespace scmp::assembler {

std::string RegisterName(int reg) { return reg == kRegisterE ? "E" : "P" + std::to_string(reg); }

std::string BuiltInNameFault(std::string_view name, bool definition) {
  const int reg = RegisterNumber(name);
  if (reg == kRegisterE || (reg >= 0 && !definition))
    return std::string(name) + " is a register name and cannot be a label";
  return "";
}

std::string BuiltInValueFault(std::string_view name, int64_t value) {
  const int reg = RegisterNumber(name);
  if (reg >= 0 && value != reg) return std::string(name) + " is a register name; it may stand only for " + std::to_string(reg);
  return "";
}

std::string RegisterSymbols::Key(std::string_view name) { return UpperCase(name); }

void RegisterSymbols::NoteNumericDefinition(const SourceLine& line) {
  if (!line.equate || line.definition == Directive::kReg || RegisterNumber(line.label.text) < 0) return;
  const Piece operand = Trimmed(line.operand);
  if (RegisterNumber(operand.text) == kNoRegister) numeric_builtins_.insert(Key(line.label.text));
}

RegisterSymbols::Outcome RegisterSymbols::Define(const SourceLine& line, int at, std::string* message, int* column) {
  const bool reg_line = line.definition == Directive::kReg;
  if (!reg_line && line.definition != Directive::kEqu && line.definition != Directive::kSet) return Outcome::kNotRegister;
  const Piece operand = Trimmed(line.operand);
  int reg = Find(operand.text, at);
  if (reg != kNoRegister && numeric_builtins_.count(Key(operand.text))) reg = kNoRegister;
  if (!reg_line && (reg == kNoRegister || RegisterNumber(line.label.text) != kNoRegister)) return Outcome::kNotRegister;
  *column = line.label.column;
  if (RegisterNumber(line.label.text) != kNoRegister) {
    *message = std::string(line.label.text) + " is a register name already; REG gives a register another name";
    return Outcome::kFailed;
  }
  if (reg == kNoRegister) {
    *column = operand.column;
    *message = "REG needs a register: P0..P3, PC, E or a register symbol, not " +
               (operand.text.empty() ? std::string("nothing") : Quoted(operand.text, kQuotedTextLimit));
    return Outcome::kFailed;
  }
  const bool set = line.definition == Directive::kSet;
  std::vector<Definition>& definitions = names_[Key(line.label.text)];
  if (!definitions.empty() && !(set && definitions.back().set)) {
    *message = std::string(line.label.text) + " is already defined on line " + std::to_string(definitions.back().line) +
               (set || definitions.back().set ? " (only SET names may be given new values)" : "");
    return Outcome::kFailed;
  }
  definitions.push_back({at, line.number, reg, set});
  return Outcome::kDefined;
}

int RegisterSymbols::Find(std::string_view name, int at) const {
  if (const int reg = RegisterNumber(name); reg != kNoRegister) return reg;
  if (names_.empty()) return kNoRegister;
  const auto it = names_.find(Key(name));
  if (it == names_.end()) return kNoRegister;
  const Definition* in_force = &it->second.front();
  for (const Definition& d : it->second)
    if (d.at < at) in_force = &d;
  return in_force->reg;
}

std::string RegisterSymbols::ExpressionFault(std::string_view name) const {
  const std::string why = " and has no value: a register can stand only where a pointer or E is written";
  const auto it = names_.find(Key(name));
  if (it == names_.end()) return std::string(name) + " is a register" + why;
  return std::string(name) + " stands for the register " + RegisterName(it->second.front().reg) + why;
}

}  // namespace scmp::assembler
