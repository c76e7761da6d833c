// The two passes. Pass 1 takes every line apart, gives each label its
// address and each line its size; pass 2 evaluates the operands, looks the
// opcodes up in the instruction table and places the bytes. A line that
// failed once is not looked at again, so one fault gives one message.
#include "asm/assembler.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <memory>

#include "asm/expression.h"
#include "asm/opcode_map.h"
#include "asm/operand.h"
#include "asm/source_line.h"
#include "asm/string_literal.h"
#include "core/hex.h"

namespace scmp {

using namespace assembler;

std::string FormatDiagnostic(const Diagnostic& d) {
  return d.file + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " +
         (d.severity == Severity::kError ? "error: " : "warning: ") + d.message;
}

int Assembly::ErrorCount() const {
  return static_cast<int>(std::count_if(diagnostics.begin(), diagnostics.end(),
                                        [](const Diagnostic& d) { return d.severity == Severity::kError; }));
}

namespace {

// Symbol definitions that lead the equate chain this deep are refused, so
// that no source can run the evaluator out of stack.
constexpr int kMaxSymbolDepth = 64;

std::string Upper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsRegisterName(std::string_view name) {
  const std::string upper = Upper(name);
  return upper == "E" || upper == "PC" || upper == "P0" || upper == "P1" || upper == "P2" || upper == "P3";
}

std::string Address(int64_t address) { return "0x" + Hex(address, 3); }

struct Statement {
  SourceLine source;
  int address = 0;
  int size = 0;
  bool failed = false;
  Op op = Op::kNothing;  // instructions only
};

struct SymbolEntry {
  bool is_label = false;
  int line = 0;
  int64_t value = 0;
  bool known = false;  // labels: placed; equates: evaluated
  // Equates.
  Piece expression;
  int64_t location = 0;
  bool evaluating = false;
  bool failed = false;
};

class Assembler {
 public:
  Assembler(std::string_view source, const std::string& file, const InstructionTable& table)
      : source_(source), file_(file), map_(table) {
    ram_map_ = std::make_unique<MemoryArray>();
    ram_map_->LayOutStartupMap();
  }

  Assembly Run() {
    if (const size_t nul = source_.find('\0'); nul != std::string_view::npos) {
      const int line = 1 + static_cast<int>(std::count(source_.begin(), source_.begin() + nul, '\n'));
      Report(Severity::kError, line, 1, "this is a binary file, not assembler source");
      return std::move(result_);
    }
    ReadLines();
    DefineSymbols();
    PlaceLines();
    EmitLines();
    CollectSymbols();
    SortDiagnostics();
    return std::move(result_);
  }

 private:
  // ---- Diagnostics ---------------------------------------------------------
  bool Stopped() const { return errors_ >= kMaxErrors; }

  void Report(Severity severity, int line, int column, std::string message) {
    if (Stopped()) return;
    result_.diagnostics.push_back({file_, line, column, severity, std::move(message)});
    if (severity == Severity::kError && ++errors_ == kMaxErrors)
      result_.diagnostics.push_back({file_, line, column, Severity::kWarning,
                                     "too many errors; the rest of the file is not checked"});
  }
  // The passes find faults out of order; an editor wants them by position.
  // The note that the list was cut stays last.
  void SortDiagnostics() {
    auto& d = result_.diagnostics;
    const auto end = errors_ >= kMaxErrors ? d.end() - 1 : d.end();
    std::stable_sort(d.begin(), end, [](const Diagnostic& a, const Diagnostic& b) {
      return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
  }
  // An empty message marks a line that fails through a fault reported
  // elsewhere (a symbol whose definition failed).
  void Fail(Statement& s, int column, std::string message) {
    if (s.failed) return;
    s.failed = true;
    if (message.empty()) return;
    Report(Severity::kError, s.source.number, column, std::move(message));
  }
  void Warn(const Statement& s, int column, std::string message) {
    Report(Severity::kWarning, s.source.number, column, std::move(message));
  }

  // ---- Pass 1 -------------------------------------------------------------
  void ReadLines() {
    int number = 0;
    for (std::string_view text : SplitSourceLines(source_)) {
      Statement s;
      s.source = ParseSourceLine(text, ++number);
      statements_.push_back(std::move(s));
    }
  }

  void DefineSymbols() {
    for (Statement& s : statements_) {
      if (Upper(s.source.operation.text) == ".END" && !s.source.equate) break;
      const Piece& name = s.source.label;
      if (name.text.empty()) continue;
      const std::string key(name.text);
      if (IsRegisterName(key)) {
        Fail(s, name.column, key + " is a register name and cannot be a symbol");
        continue;
      }
      if (auto it = symbols_.find(key); it != symbols_.end()) {
        Fail(s, name.column, key + " is already defined on line " + std::to_string(it->second.line));
        continue;
      }
      SymbolEntry e;
      e.is_label = !s.source.equate;
      e.line = s.source.number;
      e.expression = s.source.operand;
      symbols_.emplace(key, std::move(e));
    }
  }

  void PlaceLines() {
    first_pass_ = true;
    int64_t location = 0x001;  // the board starts programs at 0x001
    for (Statement& s : statements_) {
      if (Stopped()) return;
      result_.last_line = s.source.number;
      if (!s.source.error.empty()) {
        Fail(s, s.source.error_column, s.source.error);
        continue;
      }
      if (!s.failed && !s.source.label.text.empty()) {
        SymbolEntry& e = symbols_.at(std::string(s.source.label.text));
        if (e.is_label) {
          e.value = location;
          e.known = true;
        } else {
          e.location = location;
        }
      }
      if (s.failed || s.source.equate || s.source.operation.text.empty()) continue;
      location_ = location;
      s.address = static_cast<int>(location);
      const std::string op = Upper(s.source.operation.text);
      if (op == ".END") break;
      if (op == ".ORG") {
        int64_t v;
        if (EvaluateIn(s, s.source.operand, 0, 0xFFF, "an address", &v)) location = v;
        continue;
      }
      s.size = SizeOf(s, op);
      if (location + s.size - 1 > 0xFFF && s.size > 0 && !s.failed) {
        Fail(s, s.source.operation.column, "the code runs past the end of memory at 0xFFF");
        s.size = 0;
      }
      location += s.size;
    }
  }

  int SizeOf(Statement& s, const std::string& op) {
    const Piece& operand = s.source.operand;
    if (op == ".BYTE" || op == ".DB" || op == ".DBYTE") {
      if (operand.text.empty()) {
        Fail(s, s.source.operation.column, op + " needs at least one value");
        return 0;
      }
      const int count = static_cast<int>(SplitOperands(operand).size());
      return op == ".DBYTE" ? 2 * count : count;
    }
    if (op == ".ASCII") {
      std::string bytes, error;
      int column = 0;
      if (!ParseString(operand, &bytes, &error, &column)) {
        Fail(s, column, error);
        return 0;
      }
      return static_cast<int>(bytes.size());
    }
    if (op == ".SPACE") {
      int64_t v;
      return EvaluateIn(s, operand, 0, 0x1000, "a byte count", &v) ? static_cast<int>(v) : 0;
    }
    if (op == ".EQU") {
      Fail(s, s.source.operation.column, ".equ needs a name: NAME .equ value");
      return 0;
    }
    if (op[0] == '.') {
      Fail(s, s.source.operation.column, "unknown directive " + std::string(s.source.operation.text));
      return 0;
    }
    bool two_bytes = false;
    s.op = OpcodeMap::OperationOf(op, &two_bytes);
    if (s.op == Op::kNothing) {
      Fail(s, s.source.operation.column, "unknown mnemonic " + std::string(s.source.operation.text));
      return 0;
    }
    if (!map_.Has(s.op)) {
      Fail(s, s.source.operation.column, op + " is not in " + std::string(kTableName));
      return 0;
    }
    return two_bytes ? 2 : 1;
  }

  // ---- Expressions ----------------------------------------------------------
  LookupStatus Lookup(std::string_view name, int64_t* value, std::string* message, int depth) {
    auto it = symbols_.find(std::string(name));
    if (it == symbols_.end()) return LookupStatus::kUndefined;
    SymbolEntry& e = it->second;
    if (e.known) {
      *value = e.value;
      return LookupStatus::kFound;
    }
    if (e.is_label) {  // pass 1, a label further down
      *message = std::string(name) + " is defined further down; the value is needed here already";
      return LookupStatus::kFailed;
    }
    if (e.failed) {  // reported on its own line already
      message->clear();
      return LookupStatus::kFailed;
    }
    if (e.evaluating) {
      *message = std::string(name) + " is defined by itself";
      return LookupStatus::kFailed;
    }
    if (depth > kMaxSymbolDepth) {
      *message = "symbols defined through more than " + std::to_string(kMaxSymbolDepth) + " others";
      return LookupStatus::kFailed;
    }
    e.evaluating = true;
    ExpressionFailure failure;
    const bool ok = Evaluate(e.expression.text, e.location, value, &failure, depth + 1);
    e.evaluating = false;
    if (ok) {
      e.value = *value;
      e.known = true;
      return LookupStatus::kFound;
    }
    *message = failure.message;
    // Pass 1 may fail only because a label is not placed yet: try again in
    // pass 2.
    if (!first_pass_) e.failed = true;
    return LookupStatus::kFailed;
  }

  bool Evaluate(std::string_view text, int64_t location, int64_t* value, ExpressionFailure* failure, int depth) {
    ExpressionContext context;
    context.location = location;
    context.lookup = [this, depth](std::string_view name, int64_t* v, std::string* message) {
      return Lookup(name, v, message, depth);
    };
    return EvaluateExpression(text, context, value, failure);
  }

  // Evaluates `piece` on the line of `s`; reports a failure or a value
  // outside min..max (naming it `what`).
  bool EvaluateIn(Statement& s, const Piece& piece, int64_t min, int64_t max, const std::string& what,
                  int64_t* value) {
    ExpressionFailure failure;
    if (!Evaluate(piece.text, location_, value, &failure, 0)) {
      Fail(s, piece.column + static_cast<int>(failure.offset), failure.message);
      return false;
    }
    if (*value < min || *value > max) {
      Fail(s, piece.column, "the value " + std::to_string(*value) + " is out of range for " + what + " (" +
                                std::to_string(min) + ".." + std::to_string(max) + ")");
      return false;
    }
    return true;
  }

  // ---- Pass 2 -------------------------------------------------------------
  void EmitLines() {
    first_pass_ = false;
    for (auto& [name, e] : symbols_)
      if (!e.is_label) e.known = false;
    // Constants first, so that a faulty definition is reported on its own
    // line and not where the constant is used.
    for (Statement& s : statements_) {
      if (Stopped() || s.source.number > result_.last_line) break;
      if (s.failed || !s.source.equate) continue;
      int64_t v;
      std::string message;
      if (Lookup(s.source.label.text, &v, &message, 0) != LookupStatus::kFound)
        Fail(s, s.source.operand.column, message);
    }
    for (Statement& s : statements_) {
      if (Stopped() || s.source.number > result_.last_line) return;
      if (s.failed || s.source.equate || s.size == 0) continue;
      location_ = s.address;
      LineCode code{s.source.number, s.address, {}};
      code.data = s.op == Op::kNothing;
      if (code.data) {
        EncodeData(s, &code.bytes);
      } else {
        EncodeInstruction(s, &code.bytes);
      }
      if (s.failed) continue;
      CheckPlace(s, code);
      result_.code.push_back(std::move(code));
    }
  }

  void EncodeData(Statement& s, std::vector<uint8_t>* bytes) {
    const std::string op = Upper(s.source.operation.text);
    const Piece& operand = s.source.operand;
    if (op == ".ASCII") {
      std::string text, error;
      int column = 0;
      ParseString(operand, &text, &error, &column);
      bytes->assign(text.begin(), text.end());
      return;
    }
    if (op == ".SPACE") {
      bytes->assign(static_cast<size_t>(s.size), 0);
      return;
    }
    const bool words = op == ".DBYTE";
    for (const Piece& part : SplitOperands(operand)) {
      int64_t v;
      if (!EvaluateIn(s, part, words ? -32768 : -128, words ? 65535 : 255, words ? "a .dbyte" : "a byte", &v))
        return;
      if (words) bytes->push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
      bytes->push_back(static_cast<uint8_t>(v & 0xFF));
    }
  }

  void EncodeInstruction(Statement& s, std::vector<uint8_t>* bytes) {
    const std::string name(OpName(s.op));
    Operand o;
    std::string error;
    int column = 0;
    if (!ParseOperand(s.source.operand, &o, &error, &column)) return Fail(s, column, error);
    const OperandKind kind = KindOf(s.op);
    const int operand_column = s.source.operand.column;
    const bool given = o.syntax != OperandSyntax::kNone;
    if (kind == OperandKind::kNone && given) return Fail(s, operand_column, name + " takes no operand");

    Form form = Form::kNone;
    uint8_t pointer = kNoPointer;
    int second = 0;
    bool pc_relative = false;
    int64_t target = 0;
    if (kind == OperandKind::kPointer && given) {
      const int p = o.syntax == OperandSyntax::kPointer      ? o.pointer
                    : o.syntax == OperandSyntax::kExpression ? PointerNumber(o.value.text)
                                                             : -1;
      if (p < 0) return Fail(s, operand_column, name + " takes a pointer: P0..P3, PC or 0..3");
      pointer = static_cast<uint8_t>(p);
    } else if (o.syntax == OperandSyntax::kPointer) {
      return Fail(s, operand_column, name + " takes no pointer alone; write disp(P" + std::to_string(o.pointer) + ")");
    } else if (o.syntax == OperandSyntax::kImmediate ||
               (o.syntax == OperandSyntax::kExpression && kind == OperandKind::kImmediate)) {
      form = Form::kImmediate;
      int64_t v;
      if (!EvaluateIn(s, o.value, -128, 255, "an immediate", &v)) return;
      second = static_cast<int>(v & 0xFF);
    } else if (o.syntax == OperandSyntax::kExpression) {
      form = Form::kDisplacement;
      pointer = 0;
      pc_relative = true;
      if (!EvaluateIn(s, o.value, 0, 0xFFF, "an address", &target)) return;
    } else if (o.syntax == OperandSyntax::kDisplacement || o.syntax == OperandSyntax::kAutoIndexed) {
      form = o.syntax == OperandSyntax::kDisplacement ? Form::kDisplacement : Form::kAutoIndexed;
      pointer = static_cast<uint8_t>(o.pointer);
      if (o.uses_e) {
        if (kind != OperandKind::kMemory)
          return Fail(s, o.value.column, "E(Pn) is for memory references only, not " + name);
        second = 0x80;
      } else {
        int64_t v;
        if (!EvaluateIn(s, o.value, -128, 127, "a displacement", &v)) return;
        if (v == -128 && kind == OperandKind::kMemory)
          return Fail(s, o.value.column,
                      "the displacement -128 would be read as E; write E(P" + std::to_string(o.pointer) + ") for E");
        second = static_cast<int>(v & 0xFF);
      }
    }

    const int opcode = map_.Find(s.op, form, pointer);
    if (opcode < 0) {
      if (!given && kind == OperandKind::kPointer)
        return Fail(s, s.source.operation.column, name + " needs a pointer: P0..P3, PC or 0..3");
      if (!given && kind != OperandKind::kNone)
        return Fail(s, s.source.operation.column, name + " needs an operand");
      return Fail(s, given ? operand_column : s.source.operation.column,
                  name + " has no " + FormName(form, pointer) + " in " + std::string(kTableName));
    }
    if (pc_relative && !RelativeDisplacement(s, kind, target, o.value.column, &second)) return;
    bytes->push_back(static_cast<uint8_t>(opcode));
    if (s.size == 2) bytes->push_back(static_cast<uint8_t>(second));
  }

  // The SC/MP adds 1 to P0 before each fetch: while a memory reference
  // runs, P0 holds the address of its displacement byte; a jump adds 1 to
  // its target as it lands.
  bool RelativeDisplacement(Statement& s, OperandKind kind, int64_t target, int column, int* second) {
    const int64_t displacement_byte = s.address + 1;
    int64_t d = (target - displacement_byte - (kind == OperandKind::kJump ? 1 : 0)) & 0xFFF;
    if (d >= 0x800) d -= 0x1000;
    const std::string where = "the target " + Address(target) + " is " + std::to_string(d) + " bytes away";
    if (d < -128 || d > 127) {
      Fail(s, column, where + "; a PC-relative operand reaches -128..127");
      return false;
    }
    if (d == -128 && kind == OperandKind::kMemory) {
      Fail(s, column, where + ", which the processor would read as E; a memory reference reaches -127..127");
      return false;
    }
    *second = static_cast<int>(d & 0xFF);
    return true;
  }

  // Warnings for bytes the board cannot hold and for bytes placed twice.
  void CheckPlace(const Statement& s, const LineCode& code) {
    bool warned_kind = false, warned_overlap = false;
    for (size_t i = 0; i < code.bytes.size(); ++i) {
      const int a = code.address + static_cast<int>(i);
      if (!warned_kind && ram_map_->kind[a] != kRam) {
        warned_kind = true;
        Warn(s, s.source.operation.column,
             Address(a) + " is not RAM (" + (ram_map_->kind[a] == kPort ? "the port" : "absent memory") +
                 " on the board): this byte will not load");
      }
      if (owner_[a] != 0 && owner_[a] != s.source.number && !warned_overlap) {
        warned_overlap = true;
        Warn(s, s.source.operation.column,
             "two .org regions overlap: " + Address(a) + " was already filled by line " + std::to_string(owner_[a]));
      }
      owner_[a] = s.source.number;
    }
  }

  void CollectSymbols() {
    for (const auto& [name, e] : symbols_)
      if (e.known && e.line <= result_.last_line) result_.symbols.push_back({name, e.value, e.line});
  }

  std::string_view source_;
  std::string file_;
  OpcodeMap map_;
  std::unique_ptr<MemoryArray> ram_map_;
  std::array<int, kMemorySize> owner_{};  // the line that placed each byte
  std::vector<Statement> statements_;
  std::map<std::string, SymbolEntry> symbols_;
  int64_t location_ = 0;
  bool first_pass_ = true;
  int errors_ = 0;
  Assembly result_;
};

}  // namespace

Assembly Assemble(std::string_view source, const std::string& file_name, const InstructionTable& table) {
  return Assembler(source, file_name, table).Run();
}

int StoreInRam(const Assembly& assembly, MemoryArray& memory) {
  int dropped = 0;
  for (const LineCode& code : assembly.code)
    for (size_t i = 0; i < code.bytes.size(); ++i) {
      const int a = code.address + static_cast<int>(i);
      if (a < kMemorySize && memory.kind[a] == kRam) memory.data[a] = code.bytes[i];
      else ++dropped;
    }
  return dropped;
}

std::string SymbolFileText(const Assembly& assembly) {
  std::string text;
  for (const Symbol& s : assembly.symbols) text += s.name + " = 0x" + Hex(s.value, 4) + "\n";
  return text;
}

}  // namespace scmp
