// Expressions of the assembler's source language: numbers in every form the
// language knows, symbols, "." for the current location, H() and L(), the
// unary operators - + ~ and the binary ones * / % + - << >> & ^ | with C's
// precedence, and parentheses.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace scmp::assembler {

// Why a symbol gave no value.
enum class LookupStatus { kFound, kUndefined, kFailed };

struct ExpressionContext {
  int64_t location = 0;  // the value of "."
  // Gives a symbol's value; kFailed means the lookup has already said why
  // (in `message`).
  std::function<LookupStatus(std::string_view name, int64_t* value, std::string* message)> lookup;
};

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
