// Where the assembled bytes land on the board: which lines fill a cell
// twice, and the bytes that fall where the board has no RAM (the port,
// absent memory, past its 4K), told in one summary for the whole assembly
// rather than one warning at every ORG.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/machine.h"

namespace scmp::assembler {

class Placement {
 public:
  Placement();
  ~Placement();

  // Notes that `owner` (a number above 0) placed the byte at `address`;
  // returns the owner that placed a byte there before, or 0.
  int Place(int address, int owner);

  // True once some byte fell where the board has no RAM.
  bool AnyOutsideRam() const { return !runs_.empty(); }
  // "N bytes will not load: the board has no RAM at 0xA00-0xA0F (the port
  // on the board), ..."; the first few runs, then how many more.
  std::string OutsideRamSummary() const;

 private:
  struct Run {
    int first = 0;
    int last = 0;
    const char* kind = nullptr;
  };
  const char* KindAt(int address) const;

  std::unique_ptr<MemoryArray> ram_map_;
  std::vector<int> owner_;
  std::vector<Run> runs_;
  long outside_bytes_ = 0;
};

}  // namespace scmp::assembler
