#include "trainer/number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace scmp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Turns the text of a %G conversion into the display form: a blank before
// non-negative values, no "0" before the decimal point. %G already drops
// trailing zeros and the bare decimal point.
std::string FromG(const char* g) {
  std::string body = g;
  bool negative = false;
  if (!body.empty() && body[0] == '-') {
    negative = true;
    body.erase(0, 1);
  }
  if (body.size() > 1 && body[0] == '0' && body[1] == '.') body.erase(0, 1);
  if (body == "0") negative = false;  // no "-0"
  return (negative ? "-" : " ") + body;
}

}  // namespace

double ReadNumber(std::string_view text) {
  // Gather the characters that form the leading number, blanks left out,
  // then let strtod do the conversion so that rounding is exact.
  std::string number;
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  auto take_digits = [&] {
    size_t taken = 0;
    for (;;) {
      skip_blanks();
      if (i >= text.size() || !IsDigit(text[i])) return taken;
      number += text[i++];
      ++taken;
    }
  };
  // A comma followed by exactly three digits separates groups of thousands,
  // as the window writes numbers ("1,000"); any other comma ends the number.
  // Blanks count for nothing here either, as everywhere in a number.
  auto thousands_comma = [&] {
    if (i >= text.size() || text[i] != ',') return false;
    int digits = 0;
    for (size_t j = i + 1; j < text.size(); ++j) {
      if (IsBlank(text[j])) continue;
      if (!IsDigit(text[j])) break;
      if (++digits > 3) return false;
    }
    return digits == 3;
  };
  auto take_grouped_digits = [&] {
    size_t taken = take_digits();
    while (taken > 0 && thousands_comma()) {
      ++i;  // the comma
      taken += take_digits();
    }
    return taken;
  };

  skip_blanks();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  size_t mantissa_digits = take_grouped_digits();
  skip_blanks();
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    mantissa_digits += take_digits();
  }
  if (mantissa_digits == 0) return 0.0;

  skip_blanks();
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    std::string exponent = "e";
    ++i;
    skip_blanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) exponent += text[i++];
    std::string mantissa = number;
    number += exponent;
    if (take_digits() == 0) number = mantissa;  // "1E" or "1E-": the mantissa alone
  }
  return std::strtod(number.c_str(), nullptr);
}

std::string DisplayForm(double value) {
  if (std::isnan(value)) return " NaN";
  if (std::isinf(value)) return value > 0 ? " Inf" : "-Inf";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  return FromG(buffer);
}

std::string DisplayFormSingle(float value) {
  if (std::isnan(value)) return " NaN";
  if (std::isinf(value)) return value > 0 ? " Inf" : "-Inf";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
  return FromG(buffer);
}

int32_t PauseCountFrom(double value) {
  constexpr double kMax = 1000000000.0;
  if (std::isnan(value)) return 0;
  if (value >= kMax) return static_cast<int32_t>(kMax);
  if (value <= 0.0) return 0;
  // The default rounding mode rounds a half to the even neighbour.
  return static_cast<int32_t>(std::nearbyint(value));
}

float DelayFrom(double value) {
  constexpr float kMin = 0.1f;
  constexpr float kMax = 10.0f;
  // Out of range values are settled in double first, so that no conversion
  // to single precision can overflow.
  if (std::isnan(value) || value < kMin) return kMin;
  if (value > kMax) return kMax;
  float delay = static_cast<float>(value);
  if (delay < kMin) return kMin;
  if (delay > kMax) return kMax;
  return delay;
}

}  // namespace scmp
