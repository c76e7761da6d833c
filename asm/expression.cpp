#include "asm/expression.h"

#include <cctype>
#include <limits>

#include "core/file_reader.h"

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

bool IsDigitOf(char c, int base) {
  const int d = HexDigit(c);
  return d >= 0 && d < base;
}

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
    if (!failed_ && pos_ < text_.size()) Fail(pos_, "unexpected " + Quoted(std::string_view(&text_[pos_], 1)));
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
    int64_t v = Equality();
    while (!failed_) {
      SkipBlanks();
      if (text_.substr(pos_, 2) == "&&" || !Accept("&")) break;
      v &= Equality();
    }
    return v;
  }
  // Comparisons give 1 or 0, as conditions (IF X = 1) want them.
  int64_t Equality() {
    int64_t v = Relational();
    while (!failed_) {
      if (Accept("==") || Accept("=")) v = v == Relational();
      else if (Accept("!=") || Accept("<>")) v = v != Relational();
      else break;
    }
    return v;
  }
  int64_t Relational() {
    int64_t v = Shift();
    while (!failed_) {
      SkipBlanks();
      if (text_.substr(pos_, 2) == "<>") break;
      if (Accept("<=")) v = v <= Shift();
      else if (Accept(">=")) v = v >= Shift();
      else if (text_.substr(pos_, 2) != "<<" && Accept("<")) v = v < Shift();
      else if (text_.substr(pos_, 2) != ">>" && Accept(">")) v = v > Shift();
      else break;
    }
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
    const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
    if (c == '$' && IsDigitOf(next, 16)) {
      ++pos_;
      return Digits(16, pos_ - 1);
    }
    if (c == '%' && IsDigitOf(next, 2)) {
      ++pos_;
      return Digits(2, pos_ - 1);
    }
    if ((c == '.' && !IsNameChar(next)) || c == '$' || c == '*') {
      ++pos_;
      if (!context_.has_location) return Fail(pos_ - 1, "the location is not known here");
      return context_.location;
    }
    if (c == '!') {
      ++pos_;
      return Unary() == 0 ? 1 : 0;
    }
    if (next == '\'' && (SameLetter(c, 'X') || SameLetter(c, 'H') || SameLetter(c, 'B'))) {
      const size_t at = pos_;
      pos_ += 2;
      const int64_t v = Digits(SameLetter(c, 'B') ? 2 : 16, at);
      if (pos_ < text_.size() && text_[pos_] == '\'') ++pos_;  // the closing quote may be left out
      return v;
    }
    if (IsNameStart(c)) return NameOrFunction();
    return Fail(pos_, "unexpected " + Quoted(std::string_view(&c, 1)));
  }

  int64_t CharacterConstant() {
    const size_t at = pos_;
    if (pos_ + 2 >= text_.size() || text_[pos_ + 2] != '\'')
      return Fail(at, "a character constant is one character between single quotes");
    const int64_t v = static_cast<unsigned char>(text_[pos_ + 1]);
    pos_ += 3;
    return v;
  }

  // 31, 0x1F, 1FH, 0b11111, or a local label 1$.
  int64_t Number() {
    const size_t at = pos_;
    size_t end = pos_;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    const std::string_view token = text_.substr(at, end - at);
    if (end < text_.size() && text_[end] == '$' && token.find_first_not_of("0123456789") == std::string_view::npos) {
      pos_ = end + 1;
      return Symbol(text_.substr(at, end + 1 - at), at);
    }
    if (token.size() >= 2 && SameLetter(token.back(), 'H') &&
        token.substr(0, token.size() - 1).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos) {
      int64_t v = 0;
      for (; pos_ + 1 < end; ++pos_) {
        v = v * 16 + HexDigit(text_[pos_]);
        if (v > 0xFFFFFFFFLL) return Fail(at, "the number is too large");
      }
      ++pos_;  // the H
      return v;
    }
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
      return Fail(at, Quoted(text_.substr(at, pos_ + 1 - at), kQuotedTextLimit) + " is not a number");
    return v;
  }

  int64_t NameOrFunction() {
    const size_t at = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    const std::string_view name = text_.substr(at, pos_ - at);
    const size_t after_name = pos_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '(') {
      ++pos_;
      if (++depth_ > kMaxNesting) return Fail(pos_, "parentheses nested too deep");
      std::vector<int64_t> args{Or()};
      while (!failed_ && Accept(",")) args.push_back(Or());
      if (!failed_ && !Accept(")")) return Fail(pos_, "\")\" is missing");
      --depth_;
      if (failed_) return 0;
      int64_t v = 0;
      if (args.size() == 1 && BuiltInFunction(name, args[0], &v)) return v;
      std::string message;
      switch (context_.call ? context_.call(name, args, &v, &message) : LookupStatus::kUndefined) {
        case LookupStatus::kFound: return v;
        case LookupStatus::kUndefined: return Fail(at, "unknown function " + std::string(name));
        case LookupStatus::kFailed: return Fail(at, message);
      }
      return 0;
    }
    pos_ = after_name;
    return Symbol(name, at);
  }

  int64_t Symbol(std::string_view name, size_t at) {
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

bool BuiltInFunction(std::string_view name, int64_t x, int64_t* value) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "H" || upper == "HIGH") *value = (x >> 8) & 0xFF;
  else if (upper == "L" || upper == "LOW") *value = x & 0xFF;
  else if (upper == "ADDR") *value = (x & ~int64_t{0xFFF}) | ((x - 1) & 0xFFF);
  else return false;
  return true;
}

bool EvaluateExpression(std::string_view text, const ExpressionContext& context, int64_t* value,
                        ExpressionFailure* failure) {
  return Parser(text, context).Run(value, failure);
}

}  // namespace scmp::assembler
