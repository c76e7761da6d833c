// The snprintf/strtof forms that the WebAssembly build uses for a saved
// state's numbers, held to the library's to_chars/from_chars.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "trainer/float_text.h"

namespace scmp {
namespace {

TEST(FloatText, PortableTextIsTheShortestThatReadsBack) {
  std::vector<float> values = {0.1f, 0.5f, 1.0f, 1.1f, 2.5f, 3.3333333f, 9.999999f, 10.0f, 0.0f, -1.5f, 1e-5f, 123456.7f};
  // Every 1009th float in the delay's range 0.1..10, and random finite bit patterns.
  for (uint32_t bits = std::bit_cast<uint32_t>(0.1f); bits <= std::bit_cast<uint32_t>(10.0f); bits += 1009)
    values.push_back(std::bit_cast<float>(bits));
  std::mt19937 random(29);
  while (values.size() < 60000) {
    const float f = std::bit_cast<float>(static_cast<uint32_t>(random()));
    if (std::isfinite(f)) values.push_back(f);
  }
  for (float f : values) {
    const std::string text = FloatTextPortable(f);
    ASSERT_EQ(text, FloatText(f)) << "bits " << std::bit_cast<uint32_t>(f);
    ASSERT_EQ(ParseFloatPortable(text), f) << text;
  }
}

TEST(FloatText, PortableReaderTakesAndRefusesWhatTheLibraryDoes) {
  const char* texts[] = {"1.5", "0.1", "10", "2e-1", "1E+1", "-3", ".5", "1.", "0.30000001",
                         "+1", " 1", "1 ", "", "-", "e5", "1e", "1e-", "0x1p0", "inf", "nan", "1..2", "1,5", "--1"};
  for (const char* t : texts) {
    const auto library = ParseFloat(t);
    const auto portable = ParseFloatPortable(t);
    EXPECT_EQ(library.has_value(), portable.has_value()) << '"' << t << '"';
    if (library && portable) {
      EXPECT_EQ(*library, *portable) << t;
    }
  }
  EXPECT_FALSE(ParseFloatPortable("inf"));
  EXPECT_EQ(ParseFloatPortable("2.5"), 2.5f);
}

}  // namespace
}  // namespace scmp
