#include "trainer/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace scmp {
namespace {

TEST(ReadNumber, TakesTheLeadingNumberAndStopsAtTheFirstStranger) {
  EXPECT_EQ(ReadNumber("10000"), 10000.0);
  EXPECT_EQ(ReadNumber("1,5"), 1.0);
  EXPECT_EQ(ReadNumber("12abc"), 12.0);
  EXPECT_EQ(ReadNumber("1.2.3"), 1.2);
  EXPECT_EQ(ReadNumber("5-3"), 5.0);
  EXPECT_EQ(ReadNumber("3x10"), 3.0);
}

// The window writes numbers with commas between groups of three digits; they
// are read back as one number. Any other comma ends the number.
TEST(ReadNumber, CommasBetweenGroupsOfThreeDigits) {
  const std::pair<const char*, double> cases[] = {
      {"1,000", 1000},     {"1,000,000,000", 1e9}, {"12,345.5", 12345.5}, {"-1,000", -1000},
      {"1,5", 1},          {"1,0000", 1},          {"1,00", 1},           {"1,000,00", 1000},
      {",000", 0},         {"1,000E1", 10000},     {"1,,000", 1},         {"1.000,000", 1},
      {"1, 077-7", 1077},  {"1,0 7 7", 1077},      {"1, 0777", 1},  // blanks count for nothing
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ReadNumber(text), value) << text;
}

TEST(ReadNumber, NoNumberAtTheStartGivesZero) {
  EXPECT_EQ(ReadNumber(""), 0.0);
  EXPECT_EQ(ReadNumber("abc"), 0.0);
  EXPECT_EQ(ReadNumber("   "), 0.0);
  EXPECT_EQ(ReadNumber("-"), 0.0);
  EXPECT_EQ(ReadNumber("."), 0.0);
  EXPECT_EQ(ReadNumber("--5"), 0.0);
  EXPECT_EQ(ReadNumber("E5"), 0.0);
  EXPECT_EQ(ReadNumber("x5"), 0.0);
}

TEST(ReadNumber, BlanksAreSkippedAnywhere) {
  EXPECT_EQ(ReadNumber(" 2 5"), 25.0);
  EXPECT_EQ(ReadNumber("  - 7"), -7.0);
  EXPECT_EQ(ReadNumber("1 . 5"), 1.5);
  EXPECT_EQ(ReadNumber("\t42\t"), 42.0);
  EXPECT_EQ(ReadNumber("2 E 3"), 2000.0);
}

TEST(ReadNumber, SignsAndDecimalPoint) {
  EXPECT_EQ(ReadNumber("-5"), -5.0);
  EXPECT_EQ(ReadNumber("+5"), 5.0);
  EXPECT_EQ(ReadNumber(".5"), 0.5);
  EXPECT_EQ(ReadNumber("-.25"), -0.25);
  EXPECT_EQ(ReadNumber("2."), 2.0);
  EXPECT_EQ(ReadNumber("0.1"), 0.1);  // the nearest double, as a compiler reads it
}

TEST(ReadNumber, ExponentWithEOrDInEitherCase) {
  EXPECT_EQ(ReadNumber("1E3"), 1000.0);
  EXPECT_EQ(ReadNumber("1e3"), 1000.0);
  EXPECT_EQ(ReadNumber("1D3"), 1000.0);
  EXPECT_EQ(ReadNumber("1d3"), 1000.0);
  EXPECT_EQ(ReadNumber("25E-1"), 2.5);
  EXPECT_EQ(ReadNumber("1.5e+2"), 150.0);
  // An exponent mark without digits ends the number before it.
  EXPECT_EQ(ReadNumber("7E"), 7.0);
  EXPECT_EQ(ReadNumber("7E-"), 7.0);
  EXPECT_EQ(ReadNumber("7Ex"), 7.0);
  EXPECT_TRUE(std::isinf(ReadNumber("1E999")));
}

TEST(DisplayForm, BlankOrMinusAndNoLeadingOrTrailingZeros) {
  EXPECT_EQ(DisplayForm(10000), " 10000");
  EXPECT_EQ(DisplayForm(0), " 0");
  EXPECT_EQ(DisplayForm(-0.0), " 0");
  EXPECT_EQ(DisplayForm(0.5), " .5");
  EXPECT_EQ(DisplayForm(-0.25), "-.25");
  EXPECT_EQ(DisplayForm(-5), "-5");
  EXPECT_EQ(DisplayForm(2.5), " 2.5");
  EXPECT_EQ(DisplayForm(1000000000), " 1000000000");
  EXPECT_EQ(DisplayForm(123456789012345.0), " 123456789012345");
  EXPECT_EQ(DisplayForm(0.1), " .1");
}

TEST(DisplayForm, SingleShowsAtMostSevenSignificantDigits) {
  EXPECT_EQ(DisplayFormSingle(0.1f), " .1");
  EXPECT_EQ(DisplayFormSingle(1.0f), " 1");
  EXPECT_EQ(DisplayFormSingle(0.5f), " .5");
  EXPECT_EQ(DisplayFormSingle(2.5f), " 2.5");
  EXPECT_EQ(DisplayFormSingle(10.0f), " 10");
  EXPECT_EQ(DisplayFormSingle(0.3f), " .3");
  EXPECT_EQ(DisplayFormSingle(1.0f / 3.0f), " .3333333");
  EXPECT_EQ(DisplayFormSingle(-1.25f), "-1.25");
  // The double form of the same value shows its binary tail.
  EXPECT_NE(DisplayForm(static_cast<double>(0.3f)), " .3");
}

TEST(PauseCountFrom, RoundsHalfToEven) {
  EXPECT_EQ(PauseCountFrom(2.5), 2);
  EXPECT_EQ(PauseCountFrom(3.5), 4);
  EXPECT_EQ(PauseCountFrom(0.5), 0);
  EXPECT_EQ(PauseCountFrom(1.5), 2);
  EXPECT_EQ(PauseCountFrom(2.4), 2);
  EXPECT_EQ(PauseCountFrom(2.6), 3);
  EXPECT_EQ(PauseCountFrom(10000), 10000);
}

TEST(PauseCountFrom, ClampsIntoRange) {
  EXPECT_EQ(PauseCountFrom(-5), 0);
  EXPECT_EQ(PauseCountFrom(-0.4), 0);
  EXPECT_EQ(PauseCountFrom(2000000000.0), 1000000000);
  EXPECT_EQ(PauseCountFrom(1e300), 1000000000);
  EXPECT_EQ(PauseCountFrom(std::numeric_limits<double>::infinity()), 1000000000);
  EXPECT_EQ(PauseCountFrom(-std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(PauseCountFrom(999999999.5), 1000000000);
  EXPECT_EQ(PauseCountFrom(999999998.5), 999999998);
}

TEST(DelayFrom, ClampsInSinglePrecision) {
  EXPECT_EQ(DelayFrom(0), 0.1f);
  EXPECT_EQ(DelayFrom(-3), 0.1f);
  EXPECT_EQ(DelayFrom(0.05), 0.1f);
  EXPECT_EQ(DelayFrom(20), 10.0f);
  EXPECT_EQ(DelayFrom(1e300), 10.0f);
  EXPECT_EQ(DelayFrom(0.5), 0.5f);
  EXPECT_EQ(DelayFrom(2.5), 2.5f);
  // The bounds typed as text stay what they are.
  EXPECT_EQ(DelayFrom(ReadNumber("0.1")), 0.1f);
  EXPECT_EQ(DelayFrom(ReadNumber("10")), 10.0f);
  EXPECT_EQ(DisplayFormSingle(DelayFrom(ReadNumber("0.1"))), " .1");
  // A value just above 0.1 that rounds to the bound in single precision.
  EXPECT_EQ(DelayFrom(0.1000000001), 0.1f);
  EXPECT_EQ(DelayFrom(0.3), 0.3f);
}

TEST(NumberText, SettingsRoundTrip) {
  // What the settings window does with typical texts.
  EXPECT_EQ(DisplayForm(PauseCountFrom(ReadNumber("abc"))), " 0");
  EXPECT_EQ(DisplayForm(PauseCountFrom(ReadNumber("2000000000"))), " 1000000000");
  EXPECT_EQ(DisplayForm(PauseCountFrom(ReadNumber(" 1,000"))), " 1000");
  EXPECT_EQ(DisplayFormSingle(DelayFrom(ReadNumber("0.5"))), " .5");
  EXPECT_EQ(DisplayFormSingle(DelayFrom(ReadNumber("1,5"))), " 1");
  EXPECT_EQ(DisplayFormSingle(DelayFrom(ReadNumber("25e-1"))), " 2.5");
}

}  // namespace
}  // namespace scmp
