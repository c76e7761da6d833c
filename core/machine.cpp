#include "core/machine.h"

namespace scmp {

void MemoryArray::LayOutStartupMap() {
  for (int a = 0; a < kMemorySize; ++a) {
    kind[a] = a < 0xA00 ? kRam : (a < 0xB00 ? kPort : kAbsent);
  }
}

}  // namespace scmp
