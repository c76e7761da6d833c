// The two adders. Both read and write the carry/link in SR.
#pragma once

#include <cstdint>

#include "core/machine.h"

namespace scmp {

// a + b + CY/L in binary. Sets CY/L from bit 8 of the sum and OV on
// two's-complement overflow; other SR bits stay.
inline int16_t BinaryAdd(int a, int b, int16_t& sr) {
  a &= 0xFF;
  b &= 0xFF;
  const int sum = a + b + ((sr & kCarryLink) ? 1 : 0);
  const int result = sum & 0xFF;
  int s = sr & ~(kCarryLink | kOverflow);
  if (sum & 0x100) s |= kCarryLink;
  if (~(a ^ b) & (a ^ result) & 0x80) s |= kOverflow;
  sr = static_cast<int16_t>(s);
  return static_cast<int16_t>(result);
}

// a + b + CY/L in decimal, two BCD digits each. Each digit sum above 9 is
// corrected by 10 once and carries; CY/L takes the carry out of the high
// digit. OV is not touched. Non-BCD digits keep the low 8 bits of the
// corrected high x 16 + low.
inline int16_t DecimalAdd(int a, int b, int16_t& sr) {
  int low = (a & 0x0F) + (b & 0x0F) + ((sr & kCarryLink) ? 1 : 0);
  int digit_carry = 0;
  if (low > 9) {
    low -= 10;
    digit_carry = 1;
  }
  int high = ((a >> 4) & 0x0F) + ((b >> 4) & 0x0F) + digit_carry;
  int s = sr & ~kCarryLink;
  if (high > 9) {
    high -= 10;
    s |= kCarryLink;
  }
  sr = static_cast<int16_t>(s);
  return static_cast<int16_t>((high * 16 + low) & 0xFF);
}

}  // namespace scmp
