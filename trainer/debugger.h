// The debugging state beside the panel model: breakpoints, watchpoints, the
// history of executed instructions with what it takes to undo each one, the
// memory as it stood when the last run or step began, the loaded program's
// symbols and line map, and why the last run stopped. Plain data; the panel model's debug stepping
// path fills it and the Monitor window draws it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/machine.h"
#include "trainer/condition.h"
#include "trainer/memory_checks.h"
#include "trainer/program_info.h"

namespace scmp {

// Why the last run or step ended.
enum class StopReason {
  kNone,        // nothing has run yet
  kBreakpoint,  // before the instruction at a breakpoint
  kWatchpoint,  // after an instruction wrote a watched address
  kHalt,        // HALT, an undefined opcode or the HLT button
  kPause,       // the pause count was reached
  kSingleStep,  // one step in single-step mode, or SST pressed during a run
  kAborted,     // the window was closed during the run
  kStepBack,    // Step Back undid an instruction
  kCheck,       // after an instruction a memory check warned about
};
const char* StopReasonText(StopReason reason);

// What the panel shows that an instruction can change besides registers
// and memory.
struct PanelLights {
  std::array<bool, 8> leds{};
  std::array<bool, 3> flag_leds{};
  bool halt_led = false;
  bool halt_requested = false;

  bool operator==(const PanelLights&) const = default;
};

// One executed instruction: where it was, what it was, and everything it
// may have changed as it was before. An instruction writes at most one
// memory cell.
struct HistoryEntry {
  MachineState before;
  PanelLights lights_before;
  int16_t address = 0;         // of the opcode
  int16_t opcode = 0;
  int16_t operand = -1;        // -1 for a one-byte instruction
  int16_t write_address = -1;  // the cell written, or -1
  int16_t old_value = 0;       // its data before the write
  uint32_t microcycles = 0;    // the instruction's own
};

// The last kCapacity entries, oldest overwritten first.
class History {
 public:
  static constexpr size_t kCapacity = 65536;

  History() : entries_(kCapacity) {}
  size_t Size() const { return size_; }
  // The entry the next step fills in place; Commit makes it the newest.
  HistoryEntry& Slot() { return entries_[next_]; }
  void Commit() {
    next_ = (next_ + 1) & (kCapacity - 1);
    if (size_ < kCapacity) ++size_;
  }
  // The newest entry, removed. Only when Size() > 0.
  HistoryEntry Pop();
  // Entry `age` back: 0 is the newest. Only when age < Size().
  const HistoryEntry& Newest(size_t age) const { return entries_[(next_ + kCapacity - 1 - age) & (kCapacity - 1)]; }
  void Clear() { size_ = 0; }

 private:
  std::vector<HistoryEntry> entries_;
  size_t next_ = 0;
  size_t size_ = 0;
};

// A breakpoint in the Monitor's list: it stops only while enabled and, with
// a condition, only when the condition holds as its address is reached.
struct Breakpoint {
  bool enabled = true;
  std::optional<Condition> condition;
  int64_t hits = 0;  // times reached while enabled
};

// A watchpoint; `symbol` is the name it was set by, if any, so that it
// follows the symbol when the program is assembled again.
struct Watchpoint {
  bool enabled = true;
  std::string symbol;
  int64_t hits = 0;  // writes seen while enabled
};

class Debugger {
 public:
  // ---- Breakpoints and watchpoints: addresses 0..4095 --------------------------
  // True where an enabled breakpoint (watchpoint) stands.
  bool IsBreakpoint(int address) const {
    return static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize) && breakpoints_[address];
  }
  bool IsWatchpoint(int address) const {
    return static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize) && watchpoints_[address];
  }
  // Adds an enabled one, or removes it.
  void SetBreakpoint(int address, bool on);
  void SetWatchpoint(int address, bool on, std::string symbol = {});
  void EnableBreakpoint(int address, bool enabled);
  void EnableWatchpoint(int address, bool enabled);
  // An empty text removes the condition; a bad one changes nothing and
  // says what is wrong and where.
  bool SetCondition(int address, std::string_view text, ConditionError* error);
  // Every listed one, enabled or not, by address.
  const std::map<int, Breakpoint>& BreakpointList() const { return break_list_; }
  const std::map<int, Watchpoint>& WatchpointList() const { return watch_list_; }
  std::vector<int> Breakpoints() const { return Keys(break_list_); }
  std::vector<int> Watchpoints() const { return Keys(watch_list_); }
  void ClearBreakpoints();
  void ClearWatchpoints();
  // RST: every breakpoint and watchpoint counts its hits afresh.
  void ResetHits();

  // Called when the next instruction's opcode stands at an enabled
  // breakpoint: counts the hit and tells whether to stop there.
  bool BreakpointStops(int address, const MachineState& registers, const MemoryArray& memory);

  // True when runs have to take the debug stepping path.
  bool Active() const { return break_count_ > 0 || watch_count_ > 0 || recording_ || checking_; }

  // ---- Memory checks ---------------------------------------------------------------
  // While on, runs take the debug stepping path and every step feeds the
  // checks; with `stop` a run ends after a step that gave a new warning.
  void SetChecking(bool on, bool stop = false) {
    checking_ = on;
    stop_at_check_ = on && stop;
  }
  bool Checking() const { return checking_; }
  bool StopsAtCheck() const { return stop_at_check_; }
  MemoryChecks& Checks() { return checks_; }
  const MemoryChecks& Checks() const { return checks_; }

  // ---- History -------------------------------------------------------------------
  // Turning recording off drops the history: steps run without it could not
  // be undone.
  void SetRecording(bool on);
  bool Recording() const { return recording_; }
  History& Steps() { return history_; }
  const History& Steps() const { return history_; }

  // ---- The step being observed (Processor::RunObserved) --------------------------------
  // The entry the step fills: the history's next slot when recording, else
  // a scratch one.
  HistoryEntry& BeginEntry() {
    current_ = recording_ ? &history_.Slot() : &scratch_;
    current_->write_address = -1;
    return *current_;
  }
  // Called by the bus before a write: notes the old cell for the history and
  // whether a watched address was hit.
  void BeforeWrite(int address, int16_t old_cell) {
    current_->write_address = static_cast<int16_t>(address);
    current_->old_value = old_cell;
    if (watchpoints_[address]) {
      watch_hit_ = true;
      stop_address_ = address;
    }
  }
  HistoryEntry& Entry() { return *current_; }
  // True once after a step that wrote a watched address; counts the hit.
  // Inline: the debug stepping path asks after every step.
  bool TakeWatchHit() {
    if (!watch_hit_) return false;
    watch_hit_ = false;
    CountWatchHit();
    return true;
  }

  // ---- Runs ------------------------------------------------------------------------------
  StopReason LastStop() const { return last_stop_; }
  void SetStop(StopReason reason) { last_stop_ = reason; }
  // A run ended after a step that a memory check warned about at `address`.
  void SetCheckStop(int address) {
    last_stop_ = StopReason::kCheck;
    stop_address_ = address;
  }
  // The breakpoint or watched address of the last stop at one.
  int StopAddress() const { return stop_address_; }
  // "Break 02A" or "Watch 100" after such a stop, else "".
  std::string StopSummary() const;
  // The data cells as the last run or step began, for telling which it changed.
  void MarkRunStart(const MemoryArray& memory) { memory_at_start_ = memory.data; }
  bool CellChanged(const MemoryArray& memory, int address) const {
    return memory.data[address] != memory_at_start_[address];
  }

  // ---- The loaded program ------------------------------------------------------------------
  // Replaces what is known of the program. Breakpoints and watchpoints are
  // kept when `program` is the same source assembled again (moved with their
  // source lines and symbols) and cleared for any other program.
  void SetProgram(ProgramInfo program);
  const ProgramInfo& Program() const { return program_; }
  // Goes up with every SetProgram, for views that rebuild per program.
  uint64_t ProgramGeneration() const { return program_generation_; }
  // The label at `address`, or empty. Constants name no address.
  std::string SymbolAt(int address) const;

 private:
  using AddressSet = std::array<bool, kMemorySize>;
  template <typename Map>
  static std::vector<int> Keys(const Map& map) {
    std::vector<int> keys;
    for (const auto& entry : map) keys.push_back(entry.first);
    return keys;
  }
  void Mark(AddressSet& set, int& count, int address, bool on);
  void CountWatchHit();
  void KeepAcrossReassembly(const ProgramInfo& next);

  AddressSet breakpoints_{};
  AddressSet watchpoints_{};
  std::map<int, Breakpoint> break_list_;
  std::map<int, Watchpoint> watch_list_;
  int break_count_ = 0;
  int watch_count_ = 0;
  bool recording_ = false;
  bool checking_ = false;
  bool stop_at_check_ = false;
  MemoryChecks checks_;
  History history_;
  HistoryEntry scratch_;
  HistoryEntry* current_ = &scratch_;
  bool watch_hit_ = false;
  int stop_address_ = 0;
  StopReason last_stop_ = StopReason::kNone;
  std::array<int16_t, kMemorySize> memory_at_start_{};
  ProgramInfo program_;
  uint64_t program_generation_ = 0;
  std::map<int, std::string> labels_;  // by address, the first label there
};

}  // namespace scmp
