#include "files/load_report.h"

#include "core/hex.h"
#include "core/machine.h"

namespace scmp {

namespace {
std::string Bytes(long n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }
// Three digits inside the board's 4K, as many as it takes beyond it.
std::string Address(long a) { return Hex(static_cast<unsigned>(a), a < kMemorySize ? 3 : 0); }
}  // namespace

const char* DropReasonText(DropReason reason) {
  switch (reason) {
    case DropReason::kPort: return "port";
    case DropReason::kAbsent: return "absent memory";
    default: return "outside the board's 4K";
  }
}

void ByteTally::Stored(long address) {
  ++stored_;
  if (address >= 0 && address < kMemorySize) cells_.set(static_cast<size_t>(address));
  if (first_ < 0 || address < first_) first_ = address;
  if (address > last_) last_ = address;
}

void ByteTally::Dropped(long address, DropReason reason) {
  ++dropped_;
  if (!ranges_.empty()) {
    DroppedRange& r = ranges_.back();
    if (r.reason == reason && (address == r.last || address == r.last + 1)) {
      r.last = address;
      ++r.bytes;
      return;
    }
  }
  ranges_.push_back({address, address, 1, reason});
}

void ByteTally::DroppedAt(long address, int16_t kind) {
  if (address < 0 || address >= kMemorySize) Dropped(address, DropReason::kOutside4K);
  else Dropped(address, kind == kPort ? DropReason::kPort : DropReason::kAbsent);
}

std::string LoadReport(const std::string& file_name, int stored, int first, int last, int dropped) {
  std::string report = file_name + ": ";
  if (stored > 0)
    report += Bytes(stored) + ", " + Address(first) + "-" + Address(last);
  else
    report += "no bytes stored";
  if (dropped > 0) report += "; " + Bytes(dropped) + " dropped (no RAM there)";
  return report;
}

std::vector<std::string> TallyReport(const std::string& file_name, const ByteTally& tally) {
  std::vector<std::string> lines{LoadReport(file_name, tally.stored(), static_cast<int>(tally.first()),
                                            static_cast<int>(tally.last()), tally.dropped())};
  for (const DroppedRange& r : tally.dropped_ranges()) {
    std::string at = Address(r.first);
    if (r.last != r.first) at += "-" + Address(r.last);
    lines.push_back(file_name + ": " + Bytes(r.bytes) + " at " + at + " dropped: " + DropReasonText(r.reason));
  }
  return lines;
}

}  // namespace scmp
