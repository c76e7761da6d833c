// What a load stored and what it dropped, and the lines that tell the user:
// "ECHO.s: 12 bytes, 001-00C", and one line per run of dropped bytes that
// share a reason, such as "BIG.hex: 16 bytes at 1000-100F dropped: outside
// the board's 4K".
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

namespace scmp {

// Why a byte found no RAM cell.
enum class DropReason { kOutside4K, kPort, kAbsent };

// "outside the board's 4K", "port", "absent memory".
const char* DropReasonText(DropReason reason);

// Consecutive dropped bytes with one reason. A listing keeps its address
// when it drops a byte, so a run may also repeat one address.
struct DroppedRange {
  long first = 0;
  long last = 0;
  int bytes = 0;
  DropReason reason = DropReason::kOutside4K;
};

// Counts a load's bytes as they are stored or dropped, keeping the dropped
// ones as ranges.
class ByteTally {
 public:
  void Stored(long address);
  void Dropped(long address, DropReason reason);
  // Drops `address` for the reason its kind gives (see machine.h's
  // AddressKind); addresses past 0xFFF are outside the board's 4K.
  void DroppedAt(long address, int16_t kind);

  int stored() const { return stored_; }
  int dropped() const { return dropped_; }
  long first() const { return first_; }  // lowest address stored, -1 when none
  long last() const { return last_; }    // highest address stored, -1 when none
  const std::vector<DroppedRange>& dropped_ranges() const { return ranges_; }
  // The cells 000..FFF stored: what the memory checks count as loaded.
  const std::bitset<4096>& stored_cells() const { return cells_; }

 private:
  int stored_ = 0;
  int dropped_ = 0;
  long first_ = -1;
  long last_ = -1;
  std::vector<DroppedRange> ranges_;
  std::bitset<4096> cells_;
};

// The one line a successful load reports, such as "ECHO.s: 12 bytes,
// 001-00C". `file_name` as it is to be shown (usually without its folder);
// `first` and `last` the lowest and highest address stored. Dropped bytes
// are counted after the range; a load that stored nothing says so.
std::string LoadReport(const std::string& file_name, int stored, int first, int last, int dropped = 0);

// The summary line for `tally`, then one line per dropped range:
// "NAME: 3 bytes at A00-A02 dropped: port".
std::vector<std::string> TallyReport(const std::string& file_name, const ByteTally& tally);

}  // namespace scmp
