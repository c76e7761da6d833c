// The fetch of instruction bytes, shared by the speed path (Processor::Run)
// and the debug stepping path (observed_step.h) so that both read alike.
#pragma once

#include "core/processor.h"

namespace scmp {

// P0 + 1, kept in 16 bits; above 4095 it starts again at 0. A P0 that XPAH
// left negative counts up towards 0 without wrapping.
inline int16_t NextPc(int16_t p0) {
  const auto next = static_cast<int16_t>(static_cast<uint16_t>(p0) + 1u);
  return next > 4095 ? int16_t{0} : next;
}

// Advances P0 and reads the byte there.
inline int Processor::FetchByte(int16_t& p0) const {
  const int pc = p0 + 1;
  if (static_cast<unsigned>(pc) < static_cast<unsigned>(kMemorySize)) {  // the usual case
    p0 = static_cast<int16_t>(pc);
    return memory.kind[pc] == kRam ? memory.data[pc] : ReadSlow(pc);
  }
  p0 = NextPc(p0);
  return ReadMemory(p0);
}

}  // namespace scmp
