// A breakpoint's condition: a small expression over the registers, memory
// and the breakpoint's hit count, read once when typed and evaluated each
// time the breakpoint's address is reached.
//
//   condition  := comparison { ("&&" | "||") comparison }   (left to right)
//   comparison := sum ("==" | "!=" | "<" | "<=" | ">" | ">=") sum
//   sum        := value { ("+" | "-") value }
//   value      := A | E | SR | P0..P3 | PC | hits | mem[sum] | number | (sum)
//
// Numbers are hexadecimal as everywhere in the Monitor ("5A", "0x100");
// "#" before a number makes it decimal ("hits == #10"). Register names win
// over hexadecimal numbers: write 0A for the number ten. Names are read
// in either case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"

namespace scmp {

// What a condition is evaluated against.
struct ConditionInputs {
  const MachineState& registers;
  const MemoryArray& memory;
  int64_t hits = 0;  // times the breakpoint has been reached, this time included
};

struct ConditionError {
  int column = 0;  // 1-based, in the text as typed
  std::string message;
};

class Condition {
 public:
  // The condition in `text`, or nullopt with `error` set. An empty text is
  // refused too: no condition is written as no Condition at all.
  static std::optional<Condition> Parse(std::string_view text, ConditionError* error);

  bool Holds(const ConditionInputs& inputs) const;
  const std::string& Text() const { return text_; }

  // One node of the expression in postfix order, so that evaluation is a
  // loop over a small stack.
  enum class Op : uint8_t {
    kNumber, kRegister, kHits, kMemory,
    kAdd, kSubtract,
    kEqual, kNotEqual, kLess, kLessEqual, kGreater, kGreaterEqual,
    kAnd, kOr,
  };
  struct Node {
    Op op;
    int64_t value = 0;  // the number, or the register's index (A, E, SR, P0..P3)
  };

 private:
  std::string text_;
  std::vector<Node> program_;
};

// "column 5: ..." for showing under the field.
std::string ConditionErrorText(const ConditionError& error);

}  // namespace scmp
