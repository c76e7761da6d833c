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
    case StopReason::kCheck: return "Stopped after a memory check's warning";
  }
  return "";
}

HistoryEntry History::Pop() {
  next_ = (next_ + kCapacity - 1) & (kCapacity - 1);
  --size_;
  return entries_[next_];
}

void Debugger::Mark(AddressSet& set, int& count, int address, bool on) {
  if (set[address] == on) return;
  set[address] = on;
  count += on ? 1 : -1;
}

void Debugger::SetBreakpoint(int address, bool on) {
  if (static_cast<unsigned>(address) >= static_cast<unsigned>(kMemorySize)) return;
  if (on)
    break_list_.try_emplace(address);
  else
    break_list_.erase(address);
  Mark(breakpoints_, break_count_, address, on);
}

void Debugger::SetWatchpoint(int address, bool on, std::string symbol) {
  if (static_cast<unsigned>(address) >= static_cast<unsigned>(kMemorySize)) return;
  if (on)
    watch_list_[address].symbol = std::move(symbol);
  else
    watch_list_.erase(address);
  Mark(watchpoints_, watch_count_, address, on);
}

void Debugger::EnableBreakpoint(int address, bool enabled) {
  const auto it = break_list_.find(address);
  if (it == break_list_.end()) return;
  it->second.enabled = enabled;
  Mark(breakpoints_, break_count_, address, enabled);
}

void Debugger::EnableWatchpoint(int address, bool enabled) {
  const auto it = watch_list_.find(address);
  if (it == watch_list_.end()) return;
  it->second.enabled = enabled;
  Mark(watchpoints_, watch_count_, address, enabled);
}

bool Debugger::SetCondition(int address, std::string_view text, ConditionError* error) {
  const auto it = break_list_.find(address);
  if (it == break_list_.end()) {
    if (error) *error = {1, "there is no breakpoint at this address"};
    return false;
  }
  if (text.find_first_not_of(" \t") == std::string_view::npos) {
    it->second.condition.reset();
    return true;
  }
  std::optional<Condition> condition = Condition::Parse(text, error);
  if (!condition) return false;
  it->second.condition = std::move(condition);
  return true;
}

void Debugger::ClearBreakpoints() {
  breakpoints_ = {};
  break_list_.clear();
  break_count_ = 0;
}

void Debugger::ClearWatchpoints() {
  watchpoints_ = {};
  watch_list_.clear();
  watch_count_ = 0;
}

void Debugger::ResetHits() {
  for (auto& entry : break_list_) entry.second.hits = 0;
  for (auto& entry : watch_list_) entry.second.hits = 0;
}

bool Debugger::BreakpointStops(int address, const MachineState& registers, const MemoryArray& memory) {
  Breakpoint& b = break_list_[address];
  ++b.hits;
  if (b.condition && !b.condition->Holds({registers, memory, b.hits})) return false;
  stop_address_ = address;
  return true;
}

void Debugger::CountWatchHit() { ++watch_list_[stop_address_].hits; }

std::string Debugger::StopSummary() const {
  const char* what = last_stop_ == StopReason::kBreakpoint   ? "Break "
                     : last_stop_ == StopReason::kWatchpoint ? "Watch "
                     : last_stop_ == StopReason::kCheck      ? "Check "
                                                             : nullptr;
  if (!what) return "";
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text = what;
  for (int shift = 8; shift >= 0; shift -= 4) text += kDigits[(stop_address_ >> shift) & 0xF];
  return text;
}

void Debugger::SetRecording(bool on) {
  recording_ = on;
  if (!on) history_.Clear();
}

void Debugger::SetProgram(ProgramInfo program) {
  if (!program.source_path.empty() && program.source_path == program_.source_path) {
    KeepAcrossReassembly(program);
  } else {
    ClearBreakpoints();
    ClearWatchpoints();
  }
  program_ = std::move(program);
  ++program_generation_;
  labels_.clear();
  for (const ProgramSymbol& s : program_.symbols)
    if (s.kind != SymbolKind::kConstant) labels_.emplace(static_cast<int>(s.value), s.name);
}

// A breakpoint moves to the first instruction of the source line it stood
// on (the same text nearest its old line number, since lines may have been
// added or removed above it); a watchpoint set by a symbol's name moves with
// the symbol. Those with no line or symbol, or whose line is gone, stay
// where they were.
void Debugger::KeepAcrossReassembly(const ProgramInfo& next) {
  std::map<int, Breakpoint> breaks = std::move(break_list_);
  std::map<int, Watchpoint> watches = std::move(watch_list_);
  ClearBreakpoints();
  ClearWatchpoints();
  for (auto& [address, b] : breaks) {
    const int line = program_.LineAt(address);
    const int moved = line > 0 ? next.CodeAddressOfLine(next.NearestLine(program_.SourceLine(line), line)) : -1;
    const int at = moved >= 0 ? moved : address;
    if (break_list_.count(at)) continue;
    break_list_[at] = std::move(b);
    Mark(breakpoints_, break_count_, at, break_list_[at].enabled);
  }
  for (auto& [address, w] : watches) {
    const ProgramSymbol* symbol = w.symbol.empty() ? nullptr : next.Find(w.symbol);
    const bool inside = symbol && symbol->value >= 0 && symbol->value < kMemorySize;
    const int at = inside ? static_cast<int>(symbol->value) : address;
    if (watch_list_.count(at)) continue;
    watch_list_[at] = std::move(w);
    Mark(watchpoints_, watch_count_, at, watch_list_[at].enabled);
  }
}

std::string Debugger::SymbolAt(int address) const {
  const auto it = labels_.find(address);
  return it == labels_.end() ? std::string() : it->second;
}

}  // namespace scmp
