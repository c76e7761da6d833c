#include "trainer/float_text.h"

#include <cctype>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace scmp {

namespace {

// `digits` (no point) with the decimal exponent `exponent` of the first
// one, written without an exponent: "0.00125", "12.5"; a whole number as
// its exact value, as to_chars writes it ("125561752", not "125561750").
std::string FixedForm(float value, const std::string& digits, int exponent) {
  if (exponent < 0) return "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  const auto whole = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= whole) {
    char exact[64];
    std::snprintf(exact, sizeof exact, "%.0f", std::fabs(static_cast<double>(value)));
    return exact;
  }
  return digits.substr(0, whole) + "." + digits.substr(whole);
}

}  // namespace

std::string FloatTextPortable(float value) {
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  // The fewest significant digits that read back as the same float...
  char sci[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(sci, sizeof sci, "%.*e", digits - 1, static_cast<double>(value));
    if (std::strtof(sci, nullptr) == value) break;
  }
  // ... written as to_chars writes them: with or without an exponent,
  // whichever is shorter, without it on a tie.
  const std::string text(sci);
  const bool negative = text[0] == '-';
  const size_t e = text.find('e');
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i)
    if (text[i] != '.') digits += text[i];
  const std::string fixed = (negative ? "-" : "") + FixedForm(value, digits, std::atoi(text.c_str() + e + 1));
  return fixed.size() <= text.size() ? fixed : text;
}

namespace {

// Only the characters of a plain decimal number: strtof takes more (spaces,
// '+', "0x"), and both take "inf" and "nan", which no saved number is.
bool PlainDecimal(std::string_view text) {
  if (text.empty() || text.size() > 64) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool after_e = i > 0 && (text[i - 1] == 'e' || text[i - 1] == 'E');
    const bool sign_ok = (c == '-' && (i == 0 || after_e)) || (c == '+' && after_e);
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == 'e' || c == 'E' || sign_ok)) return false;
  }
  return true;
}

}  // namespace

std::optional<float> ParseFloatPortable(std::string_view text) {
  if (!PlainDecimal(text)) return std::nullopt;
  const std::string z(text);
  char* end = nullptr;
  const float v = std::strtof(z.c_str(), &end);
  if (end != z.c_str() + z.size()) return std::nullopt;
  return v;
}

#if defined(__cpp_lib_to_chars)

std::string FloatText(float value) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
  return std::string(buf, end);
}

std::optional<float> ParseFloat(std::string_view text) {
  if (!PlainDecimal(text)) return std::nullopt;
  float v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

#else

std::string FloatText(float value) { return FloatTextPortable(value); }
std::optional<float> ParseFloat(std::string_view text) { return ParseFloatPortable(text); }

#endif

}  // namespace scmp
