#include "trainer/condition.h"

#include <array>
#include <cctype>

#include "asm/directive.h"

namespace scmp {

namespace {

using assembler::SameWord;

using Op = Condition::Op;
using Node = Condition::Node;

constexpr int kMaxDepth = 32;  // nested brackets and mem[...]

struct Register {
  std::string_view name;
  int index;
};
constexpr std::array<Register, 8> kRegisters = {{
    {"A", 0}, {"E", 1}, {"SR", 2}, {"P0", 3}, {"PC", 3}, {"P1", 4}, {"P2", 5}, {"P3", 6}}};

struct Operator {
  std::string_view text;
  Op op;
};
// Two-character operators before their one-character prefixes.
constexpr std::array<Operator, 6> kComparisons = {{
    {"==", Op::kEqual}, {"!=", Op::kNotEqual}, {"<=", Op::kLessEqual},
    {">=", Op::kGreaterEqual}, {"<", Op::kLess}, {">", Op::kGreater}}};

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Recursive descent straight into postfix nodes.
class Parser {
 public:
  Parser(std::string_view text, std::vector<Node>& out) : text_(text), out_(out) {}

  bool Run(ConditionError* error) {
    SkipBlanks();
    if (pos_ == text_.size()) {
      Fail("type a condition such as A == 5A, or clear the field");
      return Report(error);
    }
    if (!Condition()) return Report(error);
    SkipBlanks();
    if (pos_ != text_.size()) {
      Fail("unexpected '" + std::string(1, text_[pos_]) + "'; join comparisons with && or ||");
      return Report(error);
    }
    return true;
  }

 private:
  bool Report(ConditionError* error) {
    if (error) *error = error_;
    return false;
  }
  bool Fail(std::string message) {
    if (error_.message.empty()) error_ = {static_cast<int>(pos_) + 1, std::move(message)};
    return false;
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Take(std::string_view token) {
    SkipBlanks();
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }

  bool Condition() {
    if (!Comparison()) return false;
    for (;;) {
      if (Take("&&")) {
        if (!Comparison()) return false;
        out_.push_back({Op::kAnd});
      } else if (Take("||")) {
        if (!Comparison()) return false;
        out_.push_back({Op::kOr});
      } else {
        return true;
      }
    }
  }

  bool Comparison() {
    if (!Sum()) return false;
    SkipBlanks();
    for (const Operator& o : kComparisons) {
      if (!Take(o.text)) continue;
      if (!Sum()) return false;
      out_.push_back({o.op});
      return true;
    }
    if (pos_ < text_.size() && text_[pos_] == '=') return Fail("'=' sets nothing here: compare with ==");
    return Fail("expected a comparison: ==, !=, <, <=, > or >=");
  }

  bool Sum() {
    if (!Value()) return false;
    for (;;) {
      if (Take("+")) {
        if (!Value()) return false;
        out_.push_back({Op::kAdd});
      } else if (Take("-")) {
        if (!Value()) return false;
        out_.push_back({Op::kSubtract});
      } else {
        return true;
      }
    }
  }

  bool Value() {
    SkipBlanks();
    if (pos_ == text_.size()) return Fail("the condition ends too early: a value is missing");
    if (++depth_ > kMaxDepth) return Fail("brackets nested too deeply");
    const bool ok = Bracketed() || ValueInside();
    --depth_;
    return ok;
  }

  bool Bracketed() {
    if (text_[pos_] != '(') return false;
    ++pos_;
    if (!Sum()) return false;
    if (!Take(")")) return Fail("expected ')'");
    return true;
  }

  bool ValueInside() {
    if (!error_.message.empty()) return false;  // a bracket already failed
    if (text_[pos_] == '#') return Decimal();
    const size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    const std::string_view word = text_.substr(start, pos_ - start);
    if (word.empty()) {
      pos_ = start;
      return Fail("expected a register, hits, mem[address] or a number");
    }
    for (const Register& r : kRegisters)
      if (SameWord(word, r.name)) return Emit({Op::kRegister, r.index});
    if (SameWord(word, "hits")) return Emit({Op::kHits});
    if (SameWord(word, "mem")) {
      if (!Take("[")) return Fail("expected '[' after mem, as in mem[100]");
      if (!Sum()) return false;
      if (!Take("]")) return Fail("expected ']'");
      return Emit({Op::kMemory});
    }
    return HexNumber(word, start);
  }

  bool HexNumber(std::string_view word, size_t start) {
    std::string_view digits = word;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.remove_prefix(2);
    int64_t value = 0;
    for (char c : digits) {
      if (!std::isxdigit(static_cast<unsigned char>(c)) || value > 0xFFFFFF) {
        pos_ = start;
        return Fail("'" + std::string(word) + "' is no register, no hits, no mem[...] and no hexadecimal number");
      }
      value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    return Emit({Op::kNumber, value});
  }

  bool Decimal() {
    const size_t start = ++pos_;
    int64_t value = 0;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_])) && value < 100000000)
      value = value * 10 + (text_[pos_++] - '0');
    if (pos_ == start || (pos_ < text_.size() && IsWordChar(text_[pos_]))) {
      pos_ = start;
      return Fail("expected decimal digits after '#'");
    }
    return Emit({Op::kNumber, value});
  }

  bool Emit(Node node) {
    out_.push_back(node);
    return true;
  }

  std::string_view text_;
  std::vector<Node>& out_;
  size_t pos_ = 0;
  int depth_ = 0;
  ConditionError error_;
};

int64_t RegisterValue(const MachineState& s, int64_t index) {
  switch (index) {
    case 0: return s.A & 0xFF;
    case 1: return s.E & 0xFF;
    case 2: return s.SR & 0xFF;
    default: return s.P[index - 3] & 0xFFFF;
  }
}

}  // namespace

std::optional<Condition> Condition::Parse(std::string_view text, ConditionError* error) {
  Condition condition;
  if (!Parser(text, condition.program_).Run(error)) return std::nullopt;
  condition.text_ = std::string(text);
  return condition;
}

bool Condition::Holds(const ConditionInputs& in) const {
  std::array<int64_t, 2 * kMaxDepth + 8> stack{};
  size_t top = 0;
  for (const Node& n : program_) {
    int64_t b = 0;
    switch (n.op) {
      case Op::kNumber: stack[top++] = n.value; continue;
      case Op::kRegister: stack[top++] = RegisterValue(in.registers, n.value); continue;
      case Op::kHits: stack[top++] = in.hits; continue;
      case Op::kMemory: stack[top - 1] = in.memory.data[stack[top - 1] & (kMemorySize - 1)] & 0xFF; continue;
      default: b = stack[--top]; break;
    }
    int64_t& a = stack[top - 1];
    switch (n.op) {
      case Op::kAdd: a += b; break;
      case Op::kSubtract: a -= b; break;
      case Op::kEqual: a = a == b; break;
      case Op::kNotEqual: a = a != b; break;
      case Op::kLess: a = a < b; break;
      case Op::kLessEqual: a = a <= b; break;
      case Op::kGreater: a = a > b; break;
      case Op::kGreaterEqual: a = a >= b; break;
      case Op::kAnd: a = a && b; break;
      case Op::kOr: a = a || b; break;
      default: break;
    }
  }
  return top > 0 && stack[top - 1] != 0;
}

std::string ConditionErrorText(const ConditionError& error) {
  return "column " + std::to_string(error.column) + ": " + error.message;
}

}  // namespace scmp
