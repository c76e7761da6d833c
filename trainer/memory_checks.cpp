#include "trainer/memory_checks.h"

#include <utility>

#include "core/hex.h"
#include "trainer/line_map.h"

namespace scmp {

namespace {

std::string At(int address) { return Hex(static_cast<unsigned>(address), 3); }

}  // namespace

std::string CheckText(const CheckWarning& w) {
  const std::string by = " (instruction at " + At(w.instruction) + ")";
  switch (w.kind) {
    case CheckKind::kUninitialised:
      return "uninitialised: read " + At(w.address) + ", never loaded nor written since RST" + by;
    case CheckKind::kEmptyMemory:
      return "ran into empty memory at " + At(w.address);
    case CheckKind::kRanWritten:
      return "self-modifying: ran " + At(w.address) + ", which the program wrote";
    case CheckKind::kWroteProgram:
      return "self-modifying: wrote over " + At(w.address) + ", which has run as program" + by;
    case CheckKind::kOutsideWrite:
      return "wrote to " + At(w.address) + ", outside RAM and the port" + by;
  }
  return {};
}

std::string CheckMessage(const CheckWarning& warning, const LineMap& lines) {
  const SourcePlace place = lines.PlaceOf(warning.instruction);
  const std::string where = place.line > 0 ? place.file + ":" + std::to_string(place.line) + ": " : "";
  return where + "warning: " + CheckText(warning);
}

bool IsSelfModifying(CheckKind kind) { return kind == CheckKind::kRanWritten || kind == CheckKind::kWroteProgram; }

// One pass over the cells: the grader starts every test with it.
void MemoryChecks::StartProgram(const std::bitset<kMemorySize>& loaded) {
  for (int a = 0; a < kMemorySize; ++a) marks_[a] = loaded[static_cast<size_t>(a)] ? kLoadedMark : 0;
  ForgetWarnings();
}

void MemoryChecks::MarkLoaded(int address) {
  if (static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize)) marks_[address] |= kLoadedMark;
}

void MemoryChecks::MarkLoaded(const std::bitset<kMemorySize>& cells) {
  for (int a = 0; a < kMemorySize; ++a)
    if (cells[static_cast<size_t>(a)]) marks_[a] |= kLoadedMark;
}

void MemoryChecks::Reset() {
  for (uint8_t& m : marks_) m &= static_cast<uint8_t>(~kWrittenSinceResetMark);
}

void MemoryChecks::ForgetWarnings() {
  warned_.fill(0);
  warnings_.clear();
  taken_ = 0;
  ++generation_;
}

void MemoryChecks::Read(int address, const MemoryArray& memory) {
  if (static_cast<unsigned>(address) >= static_cast<unsigned>(kMemorySize) || memory.kind[address] != kRam) return;
  if (!(marks_[address] & (kLoadedMark | kWrittenSinceResetMark))) Warn(CheckKind::kUninitialised, address);
}

// Once per address and kind; the two self-modifying kinds count as one.
void MemoryChecks::Warn(CheckKind kind, int address) {
  const CheckKind family = IsSelfModifying(kind) ? CheckKind::kWroteProgram : kind;
  const auto bit = static_cast<uint8_t>(1u << static_cast<unsigned>(family));
  if (warned_[address] & bit) return;
  warned_[address] |= bit;
  warnings_.push_back({kind, address, instruction_});
}

std::vector<CheckWarning> MemoryChecks::TakeNew() {
  std::vector<CheckWarning> fresh(warnings_.begin() + static_cast<std::ptrdiff_t>(taken_), warnings_.end());
  taken_ = warnings_.size();
  return fresh;
}

}  // namespace scmp
