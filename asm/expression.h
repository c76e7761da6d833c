// Expressions of the assembler's source language: numbers in every form the
// SC/MP assemblers wrote them (0x1F $1F 1FH X'1F' H'1F' %1010 0b1010
// B'1010' 'c'), symbols and local labels (1$), ".", "$" and "*" for the
// current location, the functions H L HIGH LOW ADDR and those the source
// defines, the unary operators - + ~ ! and the binary ones * / % + - << >>
// < <= > >= = == != <> & ^ ! (exclusive or, as the macro assembler writes
// it) | && || !! (logical exclusive or), and parentheses. They bind in C's
// order, or in the macro assembler's, which also has ~~ (logical not),
// # (remainder), >< (bit mirror) and reads ^ as a power.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace scmp::assembler {

// Why a symbol gave no value.
enum class LookupStatus { kFound, kUndefined, kFailed };

// The order in which the binary operators bind, and what ^ means. C's order
// binds * / % tightest and the comparisons above | ^ &. The macro
// assembler's binds the bit operators tightest and the comparisons loosest,
// so that A == 0x80|79 means A == (0x80|79) and 1+2&3 means 1+(2&3).
enum class OperatorOrder { kC, kMacroAssembler };

struct ExpressionContext {
  int64_t location = 0;  // the value of "."
  // Gives a symbol's value; kFailed means the lookup has already said why
  // (in `message`).
  std::function<LookupStatus(std::string_view name, int64_t* value, std::string* message)> lookup;
  // Calls a function the source defined; kUndefined when it defined none
  // of that name. May be empty.
  std::function<LookupStatus(std::string_view name, const std::vector<int64_t>& args, int64_t* value,
                             std::string* message)>
      call;
  // False where no location is known (a condition before the passes).
  bool has_location = true;
  OperatorOrder order = OperatorOrder::kC;
};

// The built-in functions: H and HIGH give bits 8..15, L and LOW bits 0..7,
// ADDR(x) the pointer value from which XPPC lands on x (x - 1 within x's
// 4K page). False for another name.
bool BuiltInFunction(std::string_view name, int64_t argument, int64_t* value);

struct ExpressionFailure {
  size_t offset = 0;  // where in the text the fault lies
  std::string message;
};

// Nesting deeper than this is refused, so that a hostile source cannot run
// the parser out of stack.
constexpr int kMaxNesting = 32;

// Evaluates the whole of `text` as one expression.
bool EvaluateExpression(std::string_view text, const ExpressionContext& context, int64_t* value,
                        ExpressionFailure* failure);

// True for a character that may begin or continue a symbol name.
bool IsNameStart(char c);
bool IsNameChar(char c);

}  // namespace scmp::assembler
