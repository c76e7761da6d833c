// The two passes. Pass 1 takes every line apart, gives each label its
// address and each line its size; pass 2 evaluates the operands, looks the
// opcodes up in the instruction table and places the bytes. A line that
// failed once is not looked at again, so one fault gives one message.
#include "asm/assembler.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <set>

#include "asm/bare_word.h"
#include "asm/control_directive.h"
#include "asm/data_directive.h"
#include "asm/dialect.h"
#include "asm/directive.h"
#include "asm/expression.h"
#include "asm/instruction_encoding.h"
#include "asm/message_list.h"
#include "asm/opcode_map.h"
#include "asm/operand.h"
#include "asm/placement.h"
#include "asm/register_symbol.h"
#include "asm/source_line.h"
#include "asm/source_stage.h"
#include "asm/string_literal.h"
#include "asm/suggestion.h"
#include "asm/work_limits.h"
#include "core/file_reader.h"
#include "core/hex.h"

namespace scmp {

using namespace assembler;

namespace {

// Symbol definitions that lead the equate chain this deep are refused, so
// that no source can run the evaluator out of stack.
constexpr int kMaxSymbolDepth = 64;
constexpr int64_t kLastAddress = 0xFFFF;

std::string Upper(std::string_view text) { return UpperCase(text); }

std::string Address(int64_t address) { return "0x" + Hex(static_cast<unsigned>(address), address > 0xFFF ? 4 : 3); }

struct Statement {
  SourceLine source;
  int index = 0;  // in the stream
  int address = 0;
  int size = 0;
  int scope = 0;  // local labels 1$ belong to the stretch between two ordinary labels
  bool failed = false;
  bool high_first = false;  // DW and .DBYTE: the byte order where the line stands
  bool register_symbol = false;  // defines a register symbol: no value of its own
  Directive directive = Directive::kNone;
  Op op = Op::kNothing;  // instructions only
};

// What a statement keeps between the passes; its text is taken apart again
// in each pass, so that a line costs little more than its text.
struct Compact {
  int index = 0;
  int address = 0;
  int size = 0;
  int scope = 0;
  int line = 0;
  bool failed = false;
  bool equate = false;
  bool high_first = false;
  bool bare_word = false;  // a word alone in the first column: a label nothing may use
  bool register_symbol = false;
  Directive directive = Directive::kNone;
  Op op = Op::kNothing;
};

struct SymbolEntry {
  bool is_label = false;
  bool is_set = false;  // redefinable: takes its value where each SET line stands
  int line = 0;
  int statement = 0;
  int64_t value = 0;
  bool known = false;  // labels: placed; equates: evaluated
  // Equates.
  Piece expression;
  int64_t location = 0;
  int scope = 0;
  bool evaluating = false;
  bool failed = false;
  bool used = false;           // some expression or END read it
  bool used_in_pass1 = false;  // evaluated in the first pass: the second must agree
  int64_t pass1_value = 0;
};

struct Function {
  std::vector<std::string> params;
  std::string_view body;
};

class Assembler {
 public:
  Assembler(std::string_view source, const std::string& file, const InstructionTable& table, const IncludeReader& reader,
            const AssembleOptions& options)
      : source_(source), file_(file), map_(table), reader_(reader), options_(options) {}

  Assembly Run() {
    if (const size_t nul = source_.find('\0'); nul != std::string_view::npos) {
      const int line = 1 + static_cast<int>(std::count(source_.begin(), source_.begin() + nul, '\n'));
      result_.diagnostics.push_back({file_, line, 1, Severity::kError, "this is a binary file, not assembler source"});
      return std::move(result_);
    }
    order_ = OperatorOrderOf(source_);
    stream_ = RunSourceStage(source_, file_, reader_, options_.predefined);
    for (const StageMessage& m : stream_.messages) Report(m.severity, m.where, m.position, m.column, m.message);
    ReadLines();
    DefineRegisters();
    DefineSymbols();
    PlaceLines();
    EmitLines();
    WarnUnusedBareWords();
    CollectSymbols();
    Finish();
    return std::move(result_);
  }

 private:
  // ---- Diagnostics ---------------------------------------------------------
  bool Stopped() const { return messages_.Stopped(); }

  void Report(Severity severity, const StreamLine& where, size_t position, int column, std::string message) {
    messages_.Add(severity, where, position, column, std::move(message));
  }
  void Report(Severity severity, const Statement& s, int column, std::string message) {
    Report(severity, stream_.lines[s.index], s.index, column, std::move(message));
  }
  // The summaries only the whole assembly can give, then the messages in
  // the order of the lines.
  void Finish() {
    if (first_outside_ram_ >= 0) {
      const StreamLine& where = stream_.lines[first_outside_ram_];
      Report(Severity::kWarning, where, first_outside_ram_, 1, placement_.OutsideRamSummary());
    }
    // Only a program that assembles needs to hear where it starts.
    if (first_unplaced_ >= 0 && messages_.Errors() == 0) {
      const StreamLine& where = stream_.lines[first_unplaced_];
      Report(Severity::kNote, where, first_unplaced_, 1,
             "no ORG before the first byte: the code starts at 001, the board's convention; write ORG 0 for 000");
    }
    result_.diagnostics = messages_.Finish(file_, result_.last_line);
  }
  // An empty message marks a line that fails through a fault reported
  // elsewhere (a symbol whose definition failed).
  void Fail(Statement& s, int column, std::string message) {
    if (s.failed) return;
    s.failed = true;
    if (message.empty()) return;
    Report(Severity::kError, s, column, std::move(message));
  }
  void Warn(const Statement& s, int column, std::string message) { Report(Severity::kWarning, s, column, std::move(message)); }

  // ---- Pass 1 -------------------------------------------------------------
  void ReadLines() {
    result_.last_line = stream_.main_lines;
    statements_.reserve(stream_.lines.size());
    int scope = 0;
    for (size_t i = 0; i < stream_.lines.size(); ++i) {
      const SourceLine source = ParseSourceLine(stream_.lines[i].text, stream_.lines[i].line, IsMnemonicOrDirective);
      Compact c;
      c.index = static_cast<int>(i);
      c.line = source.number;
      c.equate = source.equate;
      c.bare_word = stream_.lines[i].link < 0 && IsBareWord(source);
      if (!source.equate && source.error.empty()) c.directive = DirectiveOf(source.operation.text);
      if (!source.label.text.empty() && !source.equate && !IsLocalLabel(source.label.text)) ++scope;
      c.scope = scope;
      statements_.push_back(c);
    }
  }

  // Calls `visit` with each statement, taken apart, up to `end` (skipping
  // those `wanted` refuses); the pass stops when `visit` returns false.
  template <class Wanted, class Visit>
  void Each(size_t end, Wanted wanted, Visit visit) {
    for (size_t i = 0; i < end && i < statements_.size(); ++i) {
      Compact& c = statements_[i];
      if (!wanted(c)) continue;
      Statement s;
      s.source = ParseSourceLine(stream_.lines[c.index].text, c.line, IsMnemonicOrDirective);
      s.index = c.index;
      s.address = c.address;
      s.size = c.size;
      s.scope = c.scope;
      s.failed = c.failed;
      s.high_first = c.high_first;
      s.register_symbol = c.register_symbol;
      s.directive = c.directive;
      s.op = c.op;
      const bool go_on = visit(s);
      c.address = s.address;
      c.size = s.size;
      c.failed = s.failed;
      c.high_first = s.high_first;
      c.register_symbol = s.register_symbol;
      c.op = s.op;
      if (!go_on) return;
    }
  }
  static bool All(const Compact&) { return true; }

  // The key of a symbol (SymbolKey: case as the dialect has it); a local
  // label carries its stretch.
  std::string Key(std::string_view name, int scope) const {
    std::string key = SymbolKey(name, order_);
    return IsLocalLabel(name) ? key + "@" + std::to_string(scope) : key;
  }

  // Register symbols first, in the order of the lines, so that a symbol may
  // name a register symbol defined above it.
  void DefineRegisters() {
    auto definitions = [](const Compact& c) { return c.equate; };
    Each(statements_.size(), definitions, [&](Statement& s) { return registers_.NoteNumericDefinition(s.source), true; });
    Each(statements_.size(), definitions, [&](Statement& s) {
      std::string message;
      int column = 0;
      const RegisterSymbols::Outcome outcome = registers_.Define(s.source, s.index, &message, &column);
      s.register_symbol = outcome != RegisterSymbols::Outcome::kNotRegister;
      if (outcome == RegisterSymbols::Outcome::kFailed) Fail(s, column, message);
      return true;
    });
  }

  void DefineSymbols() {
    Each(statements_.size(), All, [&](Statement& s) {
      const Piece& name = s.source.label;
      if (name.text.empty() || !s.source.error.empty() || s.register_symbol) return true;
      const std::string key = Key(name.text, s.scope);
      if (s.source.definition == Directive::kFunction) {
        DefineFunction(s);
        return true;
      }
      if (std::string fault = BuiltInNameFault(key, s.source.equate); !fault.empty()) return Fail(s, name.column, fault), true;
      if (registers_.Defines(key))
        return Fail(s, name.column, key + " is already a register symbol (REG); give this one another name"), true;
      const bool set = s.source.definition == Directive::kSet;
      if (auto it = symbols_.find(key); it != symbols_.end()) {
        if (set && it->second.is_set) return true;
        Fail(s, name.column, key + " is already defined on line " + std::to_string(it->second.line) +
                                 (it->second.is_set || set ? " (only SET names may be given new values)" : ""));
        return true;
      }
      SymbolEntry e;
      e.is_label = !s.source.equate;
      e.is_set = set;
      e.line = s.source.number;
      e.statement = s.index;
      e.expression = s.source.operand;
      e.scope = s.scope;
      symbols_.emplace(key, std::move(e));
      return true;
    });
  }

  void DefineFunction(Statement& s) {
    std::vector<Piece> parts = SplitOperands(s.source.operand);
    const std::string name(s.source.label.text);
    if (parts.size() < 2 || parts.back().text.empty())
      return Fail(s, s.source.operation.column, "FUNCTION needs arguments and a body: NAME FUNCTION ARG, expression");
    Function f;
    for (size_t i = 0; i + 1 < parts.size(); ++i) f.params.emplace_back(parts[i].text);
    f.body = parts.back().text;
    if (int64_t builtin; BuiltInFunction(name, 0, &builtin)) {
      // A definition of a built-in is allowed when it agrees with it.
      for (int64_t x : {0x0000, 0x1234, 0xABCD, 0x0FFF, 0x1000}) {
        int64_t mine = 0, theirs = 0;
        BuiltInFunction(name, x, &theirs);
        if (f.params.size() != 1 || !CallFunction(f, {x}, &mine, nullptr, 0) || mine != theirs)
          return Fail(s, s.source.label.column,
                      name + " is a built-in function and this definition gives other values (at " + Address(x) + ")");
      }
      return;
    }
    if (functions_.count(Upper(name))) return Fail(s, s.source.label.column, "the function " + name + " is already defined");
    functions_.emplace(Upper(name), std::move(f));
  }

  void PlaceLines() {
    first_pass_ = true;
    int64_t location = 0x001;  // the board starts programs at 0x001
    bool placed_any = false, origin_named = false, big_endian = false, dbyte_high = options_.dbyte_high_first;
    Each(statements_.size(), All, [&](Statement& s) {
      if (Stopped()) return false;
      scope_ = s.scope;
      location_ = location;
      s.address = static_cast<int>(location);
      if (!s.source.error.empty()) {
        Fail(s, s.source.error_column, s.source.error);
        return true;
      }
      if (!s.failed && !s.register_symbol && !s.source.label.text.empty() && s.source.definition != Directive::kFunction) {
        SymbolEntry& e = symbols_.at(Key(s.source.label.text, s.scope));
        if (e.is_label) {
          e.value = location;
          e.known = true;
        } else {
          e.location = location;
          if (e.is_set) AssignSet(s, e);
        }
      }
      if (s.failed || s.source.equate || s.source.operation.text.empty()) return true;
      if (s.directive == Directive::kEnd) {
        // END START names the start: a use of START.
        if (auto it = symbols_.find(Key(s.source.operand.text, s.scope)); it != symbols_.end()) it->second.used = true;
        return false;
      }
      if (s.directive == Directive::kOrg) {
        int64_t v;
        if (EvaluateIn(s, s.source.operand, 0, kLastAddress, "an address", &v)) location = v;
        origin_named = true;
        return true;
      }
      if (s.directive == Directive::kCpu && !placed_any && !origin_named) location = 0;  // the macro assembler's start
      if (IsMessage(s.directive)) return Say(s);
      if (s.directive == Directive::kBigEndian || s.directive == Directive::kDbyteOrder) {
        if (!SetByteOrder(s.directive, s.source.operand.text, &big_endian, &dbyte_high))
          Fail(s, s.source.operand.column, SwitchChoices(s.directive));
        return true;
      }
      s.high_first = s.directive == Directive::kWord ? big_endian : dbyte_high;
      s.size = SizeOf(s);
      if (s.size > 0 && !s.failed) {
        if (!placed_any && !origin_named && location == 0x001) first_unplaced_ = s.index;
        placed_any = true;
        if (s.op != Op::kNothing && (location & 0xFFF) + s.size - 1 > 0xFFF) {
          Fail(s, s.source.operation.column, "the instruction runs past the end of its 4K page at " +
                                                 Address(location | 0xFFF) +
                                                 " (the processor would fetch its next byte from the start of the page)");
        } else if (location + s.size - 1 > kLastAddress) {
          Fail(s, s.source.operation.column, "the code runs past the end of memory at 0xFFFF");
          s.size = 0;
        }
      }
      location += s.size;
      return true;
    });
  }

  // MESSAGE, WARNING, ERROR, FATAL: the text as a note, a warning or an
  // error; FATAL ends the assembly there. False to stop the pass.
  bool Say(Statement& s) {
    std::string text, error;
    int column = 0;
    const Evaluator value = [&](std::string_view e, int64_t* v, ExpressionFailure* why) { return Evaluate(e, s.address, v, why, 0); };
    if (!MessageText(s.source.operand, value, &text, &error, &column)) {
      Fail(s, column, error);
      return true;
    }
    if (text.empty()) text = std::string(s.source.operation.text) + " without a text";
    switch (s.directive) {
      case Directive::kMessage: Report(Severity::kNote, s, s.source.operation.column, text); return true;
      case Directive::kWarning: Warn(s, s.source.operation.column, text); return true;
      case Directive::kError: Fail(s, s.source.operation.column, text); return true;
      default:
        Fail(s, s.source.operation.column, text + " (FATAL: the assembly stops here)");
        fatal_at_ = static_cast<size_t>(s.index);  // statements stand in stream order
        return false;
    }
  }

  // SET names take their value where the line stands, in each pass.
  void AssignSet(Statement& s, SymbolEntry& e) {
    int64_t v;
    ExpressionFailure failure;
    if (Evaluate(s.source.operand.text, s.address, &v, &failure, 1)) {
      e.value = v;
      e.known = true;
    } else if (!first_pass_) {
      Fail(s, s.source.operand.column + static_cast<int>(failure.offset), failure.message);
    }
  }

  DataContext DataOn(Statement& s) {
    return {[this, &s](const Piece& piece, int64_t min, int64_t max, const std::string& what, int64_t* v) {
              return EvaluateIn(s, piece, min, max, what, v);
            },
            [this, &s](int column, std::string message) { Fail(s, column, std::move(message)); }};
  }

  InstructionContext InstructionOn(Statement& s) {
    InstructionContext c;
    c.map = &map_;
    c.macro_assembler = order_ == OperatorOrder::kMacroAssembler;
    c.evaluate = DataOn(s).evaluate;
    c.try_evaluate = [this](std::string_view text, int64_t* v) {
      ExpressionFailure failure;
      return Evaluate(text, location_, v, &failure, 0);
    };
    c.is_function = [this](std::string_view name) {
      int64_t probe;
      return BuiltInFunction(Upper(name), 0, &probe) || functions_.count(Upper(name)) != 0;
    };
    c.find_register = [this, &s](std::string_view name) { return registers_.Find(name, s.index); };
    c.fail = [this, &s](int column, std::string message) { Fail(s, column, std::move(message)); };
    c.warn = [this, &s](int column, std::string message) { Warn(s, column, std::move(message)); };
    return c;
  }

  int SizeOf(Statement& s) {
    const Piece& operand = s.source.operand;
    const Piece& operation = s.source.operation;
    switch (s.directive) {
      case Directive::kByte: {
        int count = 0;
        return ByteData(operand, DataOn(s), nullptr, &count) ? count : 0;
      }
      case Directive::kWord: case Directive::kDbyte: {
        if (operand.text.empty()) {
          Fail(s, operation.column, std::string(operation.text) + " needs at least one value");
          return 0;
        }
        int count = 0;
        return WordData(operand, false, DataOn(s), nullptr, &count) ? count : 0;
      }
      case Directive::kAscii: {
        std::string bytes, error;
        int column = 0;
        if (!ParseString(operand, &bytes, &error, &column)) {
          Fail(s, column, error);
          return 0;
        }
        return static_cast<int>(bytes.size());
      }
      case Directive::kSpace: {
        int64_t v;
        return EvaluateIn(s, operand, 0, 0x10000, "a byte count", &v) ? static_cast<int>(v) : 0;
      }
      case Directive::kEqu: case Directive::kSet: case Directive::kFunction: case Directive::kReg:
        Fail(s, operation.column, std::string(operation.text) + " needs a name: NAME " + std::string(operation.text) + " value");
        return 0;
      case Directive::kCpu: case Directive::kIgnored:
        if (noted_.insert(Upper(operation.text[0] == '.' ? operation.text.substr(1) : operation.text)).second)
          Report(Severity::kNote, s, operation.column, NoByteNote(s.directive, operation.text));
        return 0;
      case Directive::kNone: break;
      default:  // the source stage has taken the others
        return 0;
    }
    const std::string op = Upper(operation.text);
    if (op[0] == '.') {
      Fail(s, operation.column, UnknownWordMessage(operation.text));
      return 0;
    }
    bool two_bytes = false;
    s.op = OpcodeMap::OperationOf(op, &two_bytes);
    if (s.op == Op::kNothing) {
      Fail(s, operation.column, UnknownWordMessage(operation.text));
      return 0;
    }
    if (!map_.Has(s.op)) {
      Fail(s, operation.column, op + " is not in " + std::string(kTableName));
      return 0;
    }
    return two_bytes ? 2 : 1;
  }

  // ---- Expressions ----------------------------------------------------------
  LookupStatus Lookup(std::string_view name, int64_t* value, std::string* message, int depth) {
    auto it = symbols_.find(Key(name, scope_));
    if (it == symbols_.end() && (registers_.Defines(name) || RegisterNumber(name) != kNoRegister))
      return *message = registers_.ExpressionFault(name), LookupStatus::kFailed;
    if (it == symbols_.end()) return LookupStatus::kUndefined;
    SymbolEntry& e = it->second;
    e.used = true;
    if (e.known) {
      *value = e.value;
      return LookupStatus::kFound;
    }
    if (e.is_label || e.is_set) {  // pass 1, a label further down
      *message = std::string(name) + " is " + (e.is_set ? "set" : "defined") + " further down; the value is needed here already";
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
    const int outer_scope = scope_;
    scope_ = e.scope;
    const bool ok = Evaluate(e.expression.text, e.location, value, &failure, depth + 1);
    scope_ = outer_scope;
    e.evaluating = false;
    if (ok) {
      e.value = *value;
      e.known = true;
      if (first_pass_) {
        e.used_in_pass1 = true;
        e.pass1_value = *value;
      }
      return LookupStatus::kFound;
    }
    *message = failure.message;
    // Pass 1 may fail only because a label is not placed yet: try again in
    // pass 2.
    if (!first_pass_) e.failed = true;
    return LookupStatus::kFailed;
  }

  bool CallFunction(const Function& f, const std::vector<int64_t>& args, int64_t* value, std::string* message, int depth) {
    if (args.size() != f.params.size()) {
      if (message) *message = "the function takes " + std::to_string(f.params.size()) + " arguments";
      return false;
    }
    if (depth > kMaxSymbolDepth || (function_work_ += f.body.size() + kFunctionCallCost) > kMaxFunctionWork) {
      if (message) *message = FunctionLimitText(depth > kMaxSymbolDepth, kMaxSymbolDepth);
      return false;
    }
    ExpressionContext context;
    context.location = location_;
    context.order = order_;
    context.lookup = [&](std::string_view name, int64_t* v, std::string* m) {
      for (size_t i = 0; i < f.params.size(); ++i)
        if (f.params[i] == name) {
          *v = args[i];
          return LookupStatus::kFound;
        }
      return Lookup(name, v, m, depth + 1);
    };
    context.call = [this, depth](std::string_view name, const std::vector<int64_t>& a, int64_t* v, std::string* m) {
      return Call(name, a, v, m, depth + 1);
    };
    ExpressionFailure failure;
    if (EvaluateExpression(f.body, context, value, &failure)) return true;
    if (message) *message = failure.message;
    return false;
  }

  LookupStatus Call(std::string_view name, const std::vector<int64_t>& args, int64_t* value, std::string* message, int depth) {
    const auto it = functions_.find(Upper(name));
    if (it == functions_.end()) return LookupStatus::kUndefined;
    if (CallFunction(it->second, args, value, message, depth)) return LookupStatus::kFound;
    *message = std::string(name) + ": " + *message;
    return LookupStatus::kFailed;
  }

  bool Evaluate(std::string_view text, int64_t location, int64_t* value, ExpressionFailure* failure, int depth) {
    ExpressionContext context;
    context.location = location;
    context.order = order_;
    context.lookup = [this, depth](std::string_view name, int64_t* v, std::string* message) {
      return Lookup(name, v, message, depth);
    };
    context.call = [this, depth](std::string_view name, const std::vector<int64_t>& a, int64_t* v, std::string* m) {
      return Call(name, a, v, m, depth);
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
    // line and not where the constant is used. SET names take their values
    // on the way.
    const size_t end = EndOfAssembly();
    Each(end, [](const Compact& c) { return c.equate && !c.failed && !c.register_symbol; }, [&](Statement& s) {
      if (Stopped()) return false;
      if (s.failed || !s.source.equate || s.source.definition == Directive::kFunction) return true;
      scope_ = s.scope;
      location_ = s.address;
      SymbolEntry& e = symbols_.at(Key(s.source.label.text, s.scope));
      if (e.is_set) {
        AssignSet(s, e);
        return true;
      }
      int64_t v;
      std::string message;
      if (Lookup(s.source.label.text, &v, &message, 0) != LookupStatus::kFound) {
        Fail(s, s.source.operand.column, message);
        return true;
      }
      CheckDefinition(s, e, v);
      return true;
    });
    Each(end, [](const Compact& c) { return !c.failed && (c.equate || c.size > 0); }, [&](Statement& s) {
      if (Stopped()) return false;
      scope_ = s.scope;
      location_ = s.address;
      if (!s.failed && !s.register_symbol && s.source.equate && s.source.definition == Directive::kSet)
        AssignSet(s, symbols_.at(Key(s.source.label.text, s.scope)));
      if (s.failed || s.source.equate || s.size == 0) return true;
      const StreamLine& where = stream_.lines[s.index];
      LineCode code{s.source.number, s.address, {}, stream_.files[where.file], CallSitesOf(stream_, where.link), {}};
      if (!code.calls.empty()) code.text = std::string(Trimmed(Piece{where.text, 1}).text);
      code.data = s.op == Op::kNothing;
      const bool stored = code.data ? EncodeData(s, &code.bytes)
                                    : (EncodeInstruction(s.source, s.address, s.size, &s.op, InstructionOn(s), &code.bytes), true);
      if (s.failed) return true;
      CheckPlace(s, code);
      // Reserved space takes its addresses (and their checks) but stores no
      // byte: its cells stay unloaded in the HEX, the listing and the RAM.
      if (stored) result_.code.push_back(std::move(code));
      return true;
    });
  }

  size_t EndOfAssembly() const {
    for (size_t i = 0; i < statements_.size() && i < fatal_at_; ++i)
      if (statements_[i].directive == Directive::kEnd && !statements_[i].failed) return i;
    return std::min(statements_.size(), fatal_at_);
  }

  // A constant must keep the value the first pass used, and a register name
  // must stand for its register.
  void CheckDefinition(Statement& s, const SymbolEntry& e, int64_t v) {
    const std::string name(s.source.label.text);
    if (e.used_in_pass1 && e.pass1_value != v)
      return Fail(s, s.source.label.column,
                  "the value of " + name + " differs between the passes (" + Address(e.pass1_value) + " when first used, " +
                      Address(v) + " here): it depends on code placed after its use; define it before that use");
    if (std::string fault = BuiltInValueFault(name, v); !fault.empty()) Fail(s, s.source.label.column, fault);
  }

  // The bytes of a data line; false for reserved cells, whose bytes are
  // placeholders for CheckPlace and never stored.
  bool EncodeData(Statement& s, std::vector<uint8_t>* bytes) {
    const Piece& operand = s.source.operand;
    int count = 0;
    bool reserved = false;
    switch (s.directive) {
      case Directive::kAscii: {
        std::string text, error;
        int column = 0;
        ParseString(operand, &text, &error, &column);
        bytes->assign(text.begin(), text.end());
        return true;
      }
      case Directive::kSpace: bytes->assign(static_cast<size_t>(s.size), 0); return false;
      case Directive::kByte: ByteData(operand, DataOn(s), bytes, &count, &reserved); return !reserved;
      default: WordData(operand, s.high_first, DataOn(s), bytes, &count, &reserved); return !reserved;
    }
  }

  // A warning for bytes placed twice; the bytes the board cannot hold are
  // told once, in Finish.
  void CheckPlace(const Statement& s, const LineCode& code) {
    bool warned_overlap = false;
    for (size_t i = 0; i < code.bytes.size(); ++i) {
      const int a = code.address + static_cast<int>(i);
      const bool first_outside = !placement_.AnyOutsideRam();
      const int before = placement_.Place(a, s.index + 1);
      if (first_outside && placement_.AnyOutsideRam()) first_outside_ram_ = s.index;
      if (before != 0 && !warned_overlap) {
        warned_overlap = true;
        const Compact& first = statements_[before - 1];
        Warn(s, s.source.operation.column,
             "two .org regions overlap: " + Address(a) + " was already filled by line " + std::to_string(first.line) +
                 (stream_.lines[first.index].file != stream_.lines[s.index].file ? " of " + stream_.files[stream_.lines[first.index].file] : ""));
      }
    }
  }

  void WarnUnusedBareWords() {
    for (const Compact& c : statements_) {
      if (!c.bare_word || c.failed) continue;
      const SourceLine source = ParseSourceLine(stream_.lines[c.index].text, c.line, IsMnemonicOrDirective);
      const auto it = symbols_.find(Key(source.label.text, c.scope));
      if (it != symbols_.end() && !it->second.used && it->second.statement == c.index)
        Report(Severity::kWarning, stream_.lines[c.index], c.index, 1, BareWordWarning(source.label.text));
    }
  }

  void CollectSymbols() {
    const int end = static_cast<int>(EndOfAssembly());
    for (const auto& [name, e] : symbols_)
      if (e.known && e.statement < end && name.find('@') == std::string::npos)
        result_.symbols.push_back({name, e.value, e.line, e.is_label});
  }

  std::string_view source_;
  std::string file_;
  OpcodeMap map_;
  const IncludeReader& reader_;
  AssembleOptions options_;
  OperatorOrder order_ = OperatorOrder::kC;
  Stream stream_;
  Placement placement_;  // the statement (+1) that placed each byte, and the bytes outside RAM
  int first_outside_ram_ = -1;
  std::vector<Compact> statements_;
  std::map<std::string, SymbolEntry> symbols_;
  std::map<std::string, Function> functions_;
  RegisterSymbols registers_;
  std::set<std::string> noted_;
  MessageList messages_{stream_};
  int64_t location_ = 0;
  uint64_t function_work_ = 0;
  int scope_ = 0;
  bool first_pass_ = true;
  size_t fatal_at_ = SIZE_MAX;  // the statement of a FATAL: the assembly ends there
  int first_unplaced_ = -1;  // the line of the first byte when no ORG came before it
  Assembly result_;
};

}  // namespace

Assembly Assemble(std::string_view source, const std::string& file_name, const InstructionTable& table,
                  const IncludeReader& read_include, const AssembleOptions& options) {
  try {
    return Assembler(source, file_name, table, read_include, options).Run();
  } catch (const std::bad_alloc&) {
    Assembly failed;
    failed.diagnostics.push_back({file_name, 1, 1, Severity::kError, "out of memory while assembling this source"});
    return failed;
  }
}

}  // namespace scmp
