#include "grader/moment.h"

#include "core/hex.h"

namespace scmp::grader {

std::string TimeText(uint64_t microcycles) {
  const char* unit = "us";
  uint64_t scale = 1;
  if (microcycles >= 1000000) {
    unit = "s";
    scale = 1000000;
  } else if (microcycles >= 1000) {
    unit = "ms";
    scale = 1000;
  }
  std::string text = std::to_string(microcycles / scale);
  // Three decimals at most: 1.2345 s is shown as 1.234 s.
  uint64_t fraction = (microcycles % scale) * 1000 / scale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction + 1000).substr(1);
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + " " + unit;
}

std::string MomentText(const Moment& moment) {
  std::string text = TimeText(moment.microcycle);
  if (moment.address >= 0)
    text += " (instruction " + std::to_string(moment.instruction) + ", at " +
            Hex(static_cast<unsigned>(moment.address), 3) + ")";
  return text;
}

}  // namespace scmp::grader
