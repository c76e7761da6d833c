// Numbers as the settings window reads and shows them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scmp {

// The leading number of a text: blanks are skipped anywhere, then an
// optional sign, digits, a full stop as decimal point and an exponent
// ("E" or "D", either case, with optional sign) are taken; reading stops at
// the first character that cannot continue the number. No number gives 0.
// In the whole part, a comma followed by exactly three digits separates
// groups of thousands. "1,000" gives 1000, "1,000,000,000" gives 1000000000,
// "1,5" gives 1, "1,0000" gives 1, "abc" gives 0, " 2 5" gives 25.
double ReadNumber(std::string_view text);

// The display form: a blank before zero and positive values, "-" before
// negative ones, no leading zero before the decimal point, no trailing
// zeros. 10000 -> " 10000", 0.5 -> " .5", -0.25 -> "-.25".
std::string DisplayForm(double value);
// The same for a single-precision value, with at most seven significant
// digits: 0.1f -> " .1", 2.5f -> " 2.5".
std::string DisplayFormSingle(float value);

// The pause count from a number read: rounded half to even, then brought
// into 0 .. 1000000000.
int32_t PauseCountFrom(double value);
// The delay from a number read, in single precision, brought into
// 0.1 .. 10.0.
float DelayFrom(double value);

}  // namespace scmp
