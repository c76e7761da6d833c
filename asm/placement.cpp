#include "asm/placement.h"

#include "core/hex.h"

namespace scmp::assembler {

namespace {

constexpr size_t kRunsNamed = 4;

std::string Address(int address) { return "0x" + Hex(static_cast<unsigned>(address), address > 0xFFF ? 4 : 3); }

}  // namespace

Placement::Placement() : ram_map_(std::make_unique<MemoryArray>()), owner_(0x10000, 0) { ram_map_->LayOutStartupMap(); }
Placement::~Placement() = default;

const char* Placement::KindAt(int a) const {
  if (a >= kMemorySize) return "outside the board's 4K";
  return ram_map_->kind[a] == kRam ? nullptr : ram_map_->kind[a] == kPort ? "the port on the board" : "absent memory on the board";
}

int Placement::Place(int address, int owner) {
  if (const char* kind = KindAt(address)) {
    ++outside_bytes_;
    // The same address again (an overlap) or the next one continues a run.
    if (!runs_.empty() && runs_.back().kind == kind && (address == runs_.back().last || address == runs_.back().last + 1))
      runs_.back().last = address;
    else
      runs_.push_back({address, address, kind});
  }
  const int before = owner_[address];
  owner_[address] = owner;
  return before == owner ? 0 : before;
}

std::string Placement::OutsideRamSummary() const {
  std::string text = std::to_string(outside_bytes_) + (outside_bytes_ == 1 ? " byte" : " bytes") +
                     " will not load into the board, which has no RAM at ";
  for (size_t i = 0; i < runs_.size() && i < kRunsNamed; ++i) {
    const Run& r = runs_[i];
    text += (i ? ", " : "") + Address(r.first) + (r.last != r.first ? "-" + Address(r.last) : "") + " (" + r.kind + ")";
  }
  if (runs_.size() > kRunsNamed) text += " and " + std::to_string(runs_.size() - kRunsNamed) + " more ranges";
  return text;
}

}  // namespace scmp::assembler
