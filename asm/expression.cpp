#include "asm/expression.h"

#include <cctype>
#include <limits>
#include <optional>

#include "asm/directive.h"
#include "asm/string_literal.h"
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
    const int64_t v = Expression();
    SkipBlanks();
    if (!failed_ && pos_ < text_.size()) Fail(pos_, Unexpected());
    if (failed_) {
      if (failure) *failure = failure_;
      return false;
    }
    *value = v;
    return true;
  }

 private:
  // What stands where the expression should have ended. A word gets its
  // own message: DUP (3 dup (1)) repeats values in DB and DW only.
  std::string Unexpected() const {
    size_t end = pos_;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    const std::string word = UpperCase(text_.substr(pos_, end - pos_));
    if (word == "DUP")
      return "DUP repeats values only in DB and DW (N DUP (values)); write the values out here";
    if (!word.empty() && pos_ > 0 && (text_[pos_ - 1] == ' ' || text_[pos_ - 1] == '\t'))
      return "unexpected " + Quoted(text_.substr(pos_, end - pos_), kQuotedTextLimit) +
             " after the expression: an operator or a comma is missing";
    return "unexpected " + Quoted(text_.substr(pos_, 1));
  }


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

  // The binary operators, longest first so that "<<" is not read as "<".
  enum class Binary { kOrElse, kXorElse, kAndAlso, kOr, kXor, kAnd, kEqual, kNotEqual, kLess, kLessEqual, kGreater,
                      kGreaterEqual, kShiftLeft, kShiftRight, kMirror, kAdd, kSubtract, kMultiply, kDivide, kRemainder,
                      kPower };
  struct BinaryToken {
    std::string_view text;
    Binary op;
    bool macro_only;  // only the macro assembler's sources have it
  };
  static constexpr BinaryToken kBinaryTokens[] = {
      {"||", Binary::kOrElse, false},     {"!!", Binary::kXorElse, false},    {"&&", Binary::kAndAlso, false},
      {"<<", Binary::kShiftLeft, false},  {">>", Binary::kShiftRight, false}, {"><", Binary::kMirror, true},
      {"<=", Binary::kLessEqual, false},  {">=", Binary::kGreaterEqual, false},
      {"==", Binary::kEqual, false},      {"!=", Binary::kNotEqual, false},   {"<>", Binary::kNotEqual, false},
      {"=", Binary::kEqual, false},       {"<", Binary::kLess, false},        {">", Binary::kGreater, false},
      {"|", Binary::kOr, false},          {"^", Binary::kXor, false},         {"!", Binary::kXor, false},
      {"&", Binary::kAnd, false},         {"+", Binary::kAdd, false},         {"-", Binary::kSubtract, false},
      {"*", Binary::kMultiply, false},    {"/", Binary::kDivide, false},      {"%", Binary::kRemainder, false},
      {"#", Binary::kRemainder, true},
  };

  bool MacroOrder() const { return context_.order == OperatorOrder::kMacroAssembler; }

  // How tightly each operator binds, higher tighter. C's order puts the
  // comparisons above | ^ & and the arithmetic above them all. The macro
  // assembler's ranks turn that round: the comparisons loosest, then the
  // logical operators, + -, * / #, the power ^, and the bit operators ! | &
  // >< << >> tightest, so that 1+2&3 is 1+(2&3) and IF A == 0x80|79 compares
  // A with 0xCF.
  int LevelOf(Binary op) const {
    if (MacroOrder()) {
      switch (op) {
        case Binary::kEqual: case Binary::kNotEqual: case Binary::kLess: case Binary::kLessEqual:
        case Binary::kGreater: case Binary::kGreaterEqual: return 1;
        case Binary::kXorElse: return 2;
        case Binary::kOrElse: return 3;
        case Binary::kAndAlso: return 4;
        case Binary::kAdd: case Binary::kSubtract: return 5;
        case Binary::kMultiply: case Binary::kDivide: case Binary::kRemainder: return 6;
        case Binary::kPower: return 7;
        case Binary::kXor: return 8;
        case Binary::kOr: return 9;
        case Binary::kAnd: return 10;
        case Binary::kMirror: return 11;
        case Binary::kShiftLeft: case Binary::kShiftRight: return 12;
      }
      return 0;
    }
    switch (op) {
      case Binary::kOrElse: case Binary::kXorElse: return 1;
      case Binary::kAndAlso: return 2;
      case Binary::kOr: return 3;
      case Binary::kXor: return 4;
      case Binary::kAnd: return 5;
      case Binary::kEqual: case Binary::kNotEqual: return 6;
      case Binary::kLess: case Binary::kLessEqual: case Binary::kGreater: case Binary::kGreaterEqual: return 7;
      case Binary::kShiftLeft: case Binary::kShiftRight: case Binary::kMirror: return 8;
      case Binary::kAdd: case Binary::kSubtract: return 9;
      case Binary::kMultiply: case Binary::kDivide: case Binary::kRemainder: case Binary::kPower: return 10;
    }
    return 0;
  }

  // The operator at pos_, if any. The macro assembler's ^ is a power, not
  // an exclusive or (its exclusive or is !).
  std::optional<Binary> PeekBinary() {
    SkipBlanks();
    for (const BinaryToken& t : kBinaryTokens) {
      if (text_.substr(pos_, t.text.size()) != t.text) continue;
      if (t.macro_only && !MacroOrder()) {
        Fail(pos_, Quoted(t.text) + " is an operator of the macro assembler's sources, those with a CPU line" +
                       (t.op == Binary::kRemainder ? "; write % for the remainder" : ""));
        return std::nullopt;
      }
      peeked_size_ = t.text.size();
      return t.op == Binary::kXor && t.text == "^" && MacroOrder() ? Binary::kPower : t.op;
    }
    return std::nullopt;
  }

  // Precedence climbing: operators of `min_level` and tighter, left to right.
  int64_t Expression(int min_level = 1) {
    int64_t v = Unary();
    while (!failed_) {
      const std::optional<Binary> op = PeekBinary();
      if (!op || LevelOf(*op) < min_level) break;
      const size_t at = pos_;
      pos_ += peeked_size_;
      const int64_t right = Expression(LevelOf(*op) + 1);
      if (failed_) break;
      v = Apply(*op, v, right, at);
    }
    return v;
  }

  // Comparisons and the logical operators give 1 or 0, as conditions
  // (IF X = 1) want them. The checked arithmetic keeps a hostile source
  // clear of undefined behaviour.
  int64_t Apply(Binary op, int64_t a, int64_t b, size_t at) {
    int64_t r = 0;
    switch (op) {
      case Binary::kOrElse: return (a != 0 || b != 0) ? 1 : 0;
      case Binary::kXorElse: return (a != 0) != (b != 0) ? 1 : 0;
      case Binary::kAndAlso: return (a != 0 && b != 0) ? 1 : 0;
      case Binary::kOr: return a | b;
      case Binary::kXor: return a ^ b;
      case Binary::kAnd: return a & b;
      case Binary::kEqual: return a == b;
      case Binary::kNotEqual: return a != b;
      case Binary::kLess: return a < b;
      case Binary::kLessEqual: return a <= b;
      case Binary::kGreater: return a > b;
      case Binary::kGreaterEqual: return a >= b;
      case Binary::kShiftLeft: case Binary::kShiftRight:
        if (b < 0 || b > 31) return Fail(at, "a shift count must be 0..31");
        if (op == Binary::kShiftRight) return a >> b;
        return Checked(a > (std::numeric_limits<int64_t>::max() >> b) || a < (std::numeric_limits<int64_t>::min() >> b),
                       a * (int64_t{1} << b), at);
      case Binary::kAdd: case Binary::kSubtract: case Binary::kMultiply: {
        const bool overflow = op == Binary::kAdd        ? __builtin_add_overflow(a, b, &r)
                              : op == Binary::kSubtract ? __builtin_sub_overflow(a, b, &r)
                                                        : __builtin_mul_overflow(a, b, &r);
        return Checked(overflow, r, at);
      }
      case Binary::kMirror: return Mirrored(a, b, at);
      case Binary::kPower: return Power(a, b, at);
      case Binary::kDivide: case Binary::kRemainder:
        if (b == 0) return Fail(at, "division by zero");
        if (a == std::numeric_limits<int64_t>::min() && b == -1) return Fail(at, "the value is too large");
        return op == Binary::kDivide ? a / b : a % b;
    }
    return 0;
  }

  // a >< b: the lowest b bits of a in reverse order, the bits above them
  // as they were.
  int64_t Mirrored(int64_t a, int64_t b, size_t at) {
    if (b < 1 || b > 32) return Fail(at, "a bit mirror (><) turns 1..32 bits");
    int64_t reversed = 0;
    for (int64_t bit = 0; bit < b; ++bit)
      if (a & (int64_t{1} << bit)) reversed |= int64_t{1} << (b - 1 - bit);
    return (a & ~((int64_t{1} << b) - 1)) | reversed;
  }

  // a ^ b in the macro assembler's sources: a to the power b, checked so
  // that a large exponent fails instead of wrapping.
  int64_t Power(int64_t a, int64_t b, size_t at) {
    if (b < 0) return Fail(at, "a power (^) needs an exponent of 0 or more; for an exclusive or write !");
    if (a == 0 || a == 1) return b == 0 ? 1 : a;
    if (a == -1) return b % 2 == 0 ? 1 : -1;
    int64_t result = 1;  // |a| >= 2 overflows within 63 steps, so the loop is short
    for (int64_t i = 0; i < b; ++i)
      if (__builtin_mul_overflow(result, a, &result)) return Fail(at, "the value is too large");
    return result;
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
    } else if (MacroOrder() && Accept("~~")) {
      v = Unary() == 0 ? 1 : 0;  // the macro assembler's logical not
    } else if (Accept("~")) {
      v = ~Unary();
    } else {
      v = Primary();
    }
    --depth_;
    return v;
  }

  int64_t Parenthesised() {
    const int64_t v = Expression();
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
    if (c == '\'' || c == '"') return CharacterConstant();
    if (c >= '0' && c <= '9') return Number();
    const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
    // The Motorola prefixes: $1F, %1010, @17.
    if ((c == '$' && IsDigitOf(next, 16)) || (c == '%' && IsDigitOf(next, 2)) || (c == '@' && IsDigitOf(next, 8))) {
      ++pos_;
      return Digits(c == '$' ? 16 : c == '%' ? 2 : 8, pos_ - 1);
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
    // The IBM forms: X'1F' H'1F' O'17' B'1010', and A'AB', the same as 'AB'.
    if (next == '\'' && SameLetter(c, 'A')) {
      ++pos_;
      return CharacterConstant();
    }
    if (next == '\'' && (SameLetter(c, 'X') || SameLetter(c, 'H') || SameLetter(c, 'O') || SameLetter(c, 'B'))) {
      const size_t at = pos_;
      pos_ += 2;
      const int64_t v = Digits(SameLetter(c, 'B') ? 2 : SameLetter(c, 'O') ? 8 : 16, at);
      if (pos_ < text_.size() && text_[pos_] == '\'') ++pos_;  // the closing quote may be left out
      return v;
    }
    if (IsNameStart(c)) return NameOrFunction();
    return Fail(pos_, "unexpected " + Quoted(std::string_view(&c, 1)));
  }

  // A character constant in single or double quotes, the same to the
  // macro assembler: 'A' is 0x41, a text of up to 4 characters is their
  // codes high byte first ('AB' is 0x4142), and "" is 0, so that a macro's
  // IF "ARG" <> "" asks whether ARG was given. Escapes as in strings: '\\' is a
  // backslash, '\13' a carriage return; a lone '\' is the backslash itself.
  int64_t CharacterConstant() {
    const size_t at = pos_;
    std::string chars, error;
    size_t end = 0, error_at = 0;
    if (!DecodeQuoted(text_, at, &chars, &end, &error, &error_at)) return Fail(error_at, error);
    if (chars.size() > 4)
      return Fail(at, "a text of more than 4 characters is no number; as a data operand of its own it gives its bytes");
    int64_t v = 0;
    for (const char c : chars) v = v << 8 | static_cast<uint8_t>(c);
    pos_ = end;
    return v;
  }

  // 31; the Intel suffixes 1FH, 17O, 17Q, 1010B; the C prefixes 0x1F and
  // 0b11111; or a local label 1$. A leading 0 makes a number octal in the
  // macro assembler's notation for the SC/MP (C's: 017 is 15), decimal in
  // the other dialects, whose sources write 010 for ten.
  int64_t Number() {
    const size_t at = pos_;
    size_t end = pos_;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    const std::string_view token = text_.substr(at, end - at);
    if (end < text_.size() && text_[end] == '$' && token.find_first_not_of("0123456789") == std::string_view::npos) {
      pos_ = end + 1;
      return Symbol(text_.substr(at, end + 1 - at), at);
    }
    if (const int base = SuffixBase(token); base > 0) {
      int64_t v = 0;
      for (; pos_ + 1 < end; ++pos_) {
        v = v * base + HexDigit(text_[pos_]);
        if (v > 0xFFFFFFFFLL) return Fail(at, "the number is too large");
      }
      ++pos_;  // the suffix
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
      if (context_.order == OperatorOrder::kMacroAssembler && next >= '0' && next <= '9') {
        if (const size_t bad = token.find_first_of("89"); bad != std::string_view::npos && bad == token.find_first_not_of("01234567"))
          return Fail(at, Quoted(token, kQuotedTextLimit) +
                              " is no octal number: after a CPU line a leading 0 makes a number octal, as the macro "
                              "assembler reads it (digits 0..7); write it without the 0 for decimal");
        return Digits(8, at);
      }
    }
    return Digits(10, at);
  }

  // The base an Intel suffix gives `token` (1FH, 17O, 17Q, 1010B) when all
  // its other characters are digits of that base; 0 for any other token.
  static int SuffixBase(std::string_view token) {
    if (token.size() < 2) return 0;
    const char suffix = static_cast<char>(std::toupper(static_cast<unsigned char>(token.back())));
    const int base = suffix == 'H' ? 16 : suffix == 'O' || suffix == 'Q' ? 8 : suffix == 'B' ? 2 : 0;
    for (const char c : token.substr(0, token.size() - 1))
      if (!IsDigitOf(c, base)) return 0;
    return base;
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
      std::vector<int64_t> args{Expression()};
      while (!failed_ && Accept(",")) args.push_back(Expression());
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
  size_t peeked_size_ = 0;  // the length of the operator PeekBinary found
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
