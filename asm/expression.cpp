#include "asm/expression.h"

#include <cctype>
#include <limits>

namespace scmp::assembler {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool SameLetter(char c, char upper) { return std::toupper(static_cast<unsigned char>(c)) == upper; }

// A recursive-descent parser that evaluates as it goes. The first failure
// stops it; later calls return at once.
class Parser {
 public:
  Parser(std::string_view text, const ExpressionContext& context) : text_(text), context_(context) {}

  bool Run(int64_t* value, ExpressionFailure* failure) {
    SkipBlanks();
    if (pos_ == text_.size()) Fail(pos_, "an expression is missing");
    const int64_t v = Or();
    SkipBlanks();
    if (!failed_ && pos_ < text_.size()) Fail(pos_, "unexpected \"" + std::string(1, text_[pos_]) + "\"");
    if (failed_) {
      if (failure) *failure = failure_;
      return false;
    }
    *value = v;
    return true;
  }

 private:
  using Binary = int64_t (Parser::*)();

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
  }
  bool Accept(std::string_view op) {
    SkipBlanks();
    if (text_.substr(pos_, op.size()) != op) return false;
    pos_ += op.size();
    return true;
  }
  int64_t Fail(size_t offset, std::string message) {
    if (!failed_) {
      failed_ = true;
      failure_ = {offset, std::move(message)};
    }
    return 0;
  }

  // The checked arithmetic keeps a hostile source clear of undefined
  // behaviour.
  int64_t Checked(bool overflow, int64_t result, size_t at) {
    return overflow ? Fail(at, "the value is too large") : result;
  }

  int64_t Or() {
    int64_t v = Xor();
    while (!failed_) {
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == '|') {
        ++pos_;
        v |= Xor();
      } else {
        break;
      }
    }
    return v;
  }
  int64_t Xor() {
    int64_t v = And();
    while (!failed_ && Accept("^")) v ^= And();
    return v;
  }
  int64_t And() {
    int64_t v = Shift();
    while (!failed_ && Accept("&")) v &= Shift();
    return v;
  }
  int64_t Shift() {
    int64_t v = Sum();
    while (!failed_) {
      const size_t at = pos_;
      const bool left = Accept("<<");
      if (!left && !Accept(">>")) break;
      const int64_t count = Sum();
      if (failed_) break;
      if (count < 0 || count > 31) return Fail(at, "a shift count must be 0..31");
      if (left) v = Checked(v > (std::numeric_limits<int64_t>::max() >> count) ||
                                v < (std::numeric_limits<int64_t>::min() >> count),
                            v * (int64_t{1} << count), at);
      else v >>= count;
    }
    return v;
  }
  int64_t Sum() {
    int64_t v = Product();
    while (!failed_) {
      SkipBlanks();
      const size_t at = pos_;
      if (Accept("+")) {
        int64_t r;
        const int64_t b = Product();
        const bool overflow = __builtin_add_overflow(v, b, &r);
        v = Checked(overflow, r, at);
      } else if (Accept("-")) {
        int64_t r;
        const int64_t b = Product();
        const bool overflow = __builtin_sub_overflow(v, b, &r);
        v = Checked(overflow, r, at);
      } else {
        break;
      }
    }
    return v;
  }
  int64_t Product() {
    int64_t v = Unary();
    while (!failed_) {
      SkipBlanks();
      const size_t at = pos_;
      if (Accept("*")) {
        int64_t r;
        const int64_t b = Unary();
        const bool overflow = __builtin_mul_overflow(v, b, &r);
        v = Checked(overflow, r, at);
      } else if (Accept("/") || Accept("%")) {
        const bool divide = text_[pos_ - 1] == '/';
        const int64_t b = Unary();
        if (failed_) break;
        if (b == 0) return Fail(at, "division by zero");
        if (v == std::numeric_limits<int64_t>::min() && b == -1) return Fail(at, "the value is too large");
        v = divide ? v / b : v % b;
      } else {
        break;
      }
    }
    return v;
  }
  int64_t Unary() {
    if (++depth_ > kMaxNesting) return Fail(pos_, "parentheses nested too deep");
    int64_t v;
    const size_t at = pos_;
    if (Accept("-")) {
      const int64_t b = Unary();
      v = Checked(b == std::numeric_limits<int64_t>::min(), -b, at);
    } else if (Accept("+")) {
      v = Unary();
    } else if (Accept("~")) {
      v = ~Unary();
    } else {
      v = Primary();
    }
    --depth_;
    return v;
  }

  int64_t Parenthesised() {
    const int64_t v = Or();
    SkipBlanks();
    if (failed_) return 0;
    if (!Accept(")")) return Fail(pos_, "\")\" is missing");
    return v;
  }

  int64_t Primary() {
    SkipBlanks();
    if (pos_ >= text_.size()) return Fail(pos_, "an expression is incomplete");
    const char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      return Parenthesised();
    }
    if (c == '\'') return CharacterConstant();
    if (c >= '0' && c <= '9') return Number();
    if (c == '$') {
      ++pos_;
      return Digits(16, pos_ - 1);
    }
    if (c == '.' && (pos_ + 1 >= text_.size() || !IsNameChar(text_[pos_ + 1]))) {
      ++pos_;
      return context_.location;
    }
    if ((c == 'X' || c == 'x') && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
      const size_t at = pos_;
      pos_ += 2;
      const int64_t v = Digits(16, at);
      if (pos_ < text_.size() && text_[pos_] == '\'') ++pos_;  // the closing quote may be left out
      return v;
    }
    if (IsNameStart(c)) return NameOrFunction();
    return Fail(pos_, "unexpected \"" + std::string(1, c) + "\"");
  }

  int64_t CharacterConstant() {
    const size_t at = pos_;
    if (pos_ + 2 >= text_.size() || text_[pos_ + 2] != '\'')
      return Fail(at, "a character constant is one character between single quotes");
    const int64_t v = static_cast<unsigned char>(text_[pos_ + 1]);
    pos_ += 3;
    return v;
  }

  int64_t Number() {
    const size_t at = pos_;
    if (text_[pos_] == '0' && pos_ + 1 < text_.size()) {
      const char next = text_[pos_ + 1];
      if (SameLetter(next, 'X')) {
        pos_ += 2;
        return Digits(16, at);
      }
      if (SameLetter(next, 'B') && pos_ + 2 < text_.size() && (text_[pos_ + 2] == '0' || text_[pos_ + 2] == '1')) {
        pos_ += 2;
        return Digits(2, at);
      }
    }
    return Digits(10, at);
  }

  // Digits of `base` from pos_; a letter or digit that does not belong ends
  // the number with an error rather than silently.
  int64_t Digits(int base, size_t at) {
    int64_t v = 0;
    size_t count = 0;
    while (pos_ < text_.size()) {
      const int d = HexDigit(text_[pos_]);
      if (d < 0 || d >= base) break;
      v = v * base + d;
      if (v > 0xFFFFFFFFLL) return Fail(at, "the number is too large");
      ++pos_;
      ++count;
    }
    if (count == 0 || (pos_ < text_.size() && IsNameChar(text_[pos_])))
      return Fail(at, "\"" + std::string(text_.substr(at, pos_ + 1 - at)) + "\" is not a number");
    return v;
  }

  int64_t NameOrFunction() {
    const size_t at = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    const std::string_view name = text_.substr(at, pos_ - at);
    if (name.size() == 1 && (SameLetter(name[0], 'H') || SameLetter(name[0], 'L'))) {
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == '(') {
        ++pos_;
        if (++depth_ > kMaxNesting) return Fail(pos_, "parentheses nested too deep");
        const int64_t v = Parenthesised();
        --depth_;
        return SameLetter(name[0], 'H') ? (v >> 8) & 0xFF : v & 0xFF;
      }
    }
    int64_t v = 0;
    std::string message;
    switch (context_.lookup ? context_.lookup(name, &v, &message) : LookupStatus::kUndefined) {
      case LookupStatus::kFound: return v;
      case LookupStatus::kUndefined: return Fail(at, "undefined symbol " + std::string(name));
      case LookupStatus::kFailed: return Fail(at, message);
    }
    return 0;
  }

  std::string_view text_;
  const ExpressionContext& context_;
  size_t pos_ = 0;
  int depth_ = 0;
  bool failed_ = false;
  ExpressionFailure failure_;
};

}  // namespace

bool EvaluateExpression(std::string_view text, const ExpressionContext& context, int64_t* value,
                        ExpressionFailure* failure) {
  return Parser(text, context).Run(value, failure);
}

}  // namespace scmp::assembler
