#include "trainer/debugger.h"

namespace scmp {

const char* StopReasonText(StopReason reason) {
  switch (reason) {
    case StopReason::kNone: return "";
    case StopReason::kBreakpoint: return "Stopped at a breakpoint";
    case StopReason::kWatchpoint: return "Stopped after a write to a watched address";
    case StopReason::kHalt: return "Halted";
    case StopReason::kPause: return "Paused: the pause count was reached";
    case StopReason::kSingleStep: return "Single step";
    case StopReason::kAborted: return "Run aborted";
    case StopReason::kStepBack: return "Stepped back";
  }
  return "";
}

HistoryEntry History::Pop() {
  next_ = (next_ + kCapacity - 1) & (kCapacity - 1);
  --size_;
  return entries_[next_];
}

void Debugger::Set(AddressSet& set, int& count, int address, bool on) {
  if (static_cast<unsigned>(address) >= static_cast<unsigned>(kMemorySize) || set[address] == on) return;
  set[address] = on;
  count += on ? 1 : -1;
}

std::vector<int> Debugger::Addresses(const AddressSet& set) {
  std::vector<int> list;
  for (int a = 0; a < kMemorySize; ++a)
    if (set[a]) list.push_back(a);
  return list;
}

void Debugger::ClearBreakpoints() {
  breakpoints_ = {};
  break_count_ = 0;
}

void Debugger::ClearWatchpoints() {
  watchpoints_ = {};
  watch_count_ = 0;
}

void Debugger::SetRecording(bool on) {
  recording_ = on;
  if (!on) history_.Clear();
}

std::string Debugger::SymbolAt(int address) const {
  const auto it = symbols_.find(address);
  return it == symbols_.end() ? std::string() : it->second;
}

}  // namespace scmp
