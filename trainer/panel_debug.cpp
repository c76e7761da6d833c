// The panel model's debugging: the debug stepping path that runs instead of
// the speed path while breakpoints, watchpoints or the history are in use,
// Step Back, edits from the Monitor and save states.
#include <algorithm>

#include "core/hex.h"
#include "core/observed_step.h"
#include "trainer/checked_observer.h"
#include "trainer/panel_model.h"

namespace scmp {

// ---- The debug stepping path ---------------------------------------------------

void PanelModel::BeginLoop() {
  loop_start_steps_ = executed_steps_;
  debugger_.MarkRunStart(cpu_.memory);
  debugger_.SetStop(StopReason::kNone);
}

void PanelModel::NoteWhyLoopEnded() {
  if (debugger_.LastStop() != StopReason::kNone) return;  // a breakpoint or a watchpoint
  if (abort_)
    debugger_.SetStop(StopReason::kAborted);
  else if (cpu_.halt_requested)
    debugger_.SetStop(StopReason::kHalt);
  else if (paused_)
    debugger_.SetStop(StopReason::kPause);
  else if (single_step_mode_)
    debugger_.SetStop(StopReason::kSingleStep);
}

// True, and the loop ends as a pause ends it, when the next instruction's
// opcode stands at a breakpoint. Never before the loop's own first step, so
// that Step/Start moves on from a breakpoint. `uncounted` are steps done but
// not yet added to executed_steps_.
bool PanelModel::BreakpointAhead(uint32_t uncounted) {
  if (!run_mode_ || executed_steps_ + uncounted == loop_start_steps_) return false;
  const int address = NextOpcodeAddress(cpu_.state.P[0]);
  return debugger_.IsBreakpoint(address) && StopAtBreakpoint(address);
}

// Apart from BreakpointAhead, which runs before every step and so stays
// small enough to be inlined: the condition, if any, is evaluated only
// here, at the breakpoint.
bool PanelModel::StopAtBreakpoint(int address) {
  if (!debugger_.BreakpointStops(address, cpu_.state, cpu_.memory)) return false;
  paused_ = true;
  debugger_.SetStop(StopReason::kBreakpoint);
  return true;
}

// What the debug stepping path tells the debugger: breakpoints before a
// step, the history entry and watchpoints around it.
struct PanelModel::StepObserver {
  PanelModel& model;
  bool check_breakpoints;
  Fetched last{};

  bool StopBefore(const MachineState& registers, int opcode_address, uint32_t done) {
    // The address looked up here first, so that the call is made only at a
    // breakpoint.
    if (check_breakpoints && model.debugger_.IsBreakpoint(NextOpcodeAddress(registers.P[0])) &&
        model.BreakpointAhead(done))
      return true;
    Debugger& debugger = model.debugger_;
    HistoryEntry& entry = debugger.BeginEntry();
    if (debugger.Recording()) {
      entry.before = registers;
      entry.lights_before = model.Lights();
      entry.address = static_cast<int16_t>(opcode_address);
    }
    return false;
  }
  void BeforeWrite(int address, int16_t old_cell) { model.debugger_.BeforeWrite(address, old_cell); }
  bool StopAfter(const Fetched& fetched, uint32_t microcycles) {
    last = fetched;
    Debugger& debugger = model.debugger_;
    if (debugger.Recording()) {
      HistoryEntry& entry = debugger.Entry();
      entry.opcode = fetched.opcode;
      entry.operand = fetched.operand;
      entry.microcycles = microcycles;
      debugger.Steps().Commit();
    }
    if (!debugger.TakeWatchHit()) return false;
    model.paused_ = true;
    debugger.SetStop(StopReason::kWatchpoint);
    return true;
  }
  // View > Stop at a Check's Warning: the run ends as at a watchpoint.
  bool StopAtCheck(int address) {
    model.paused_ = true;
    model.debugger_.SetCheckStop(address);
    return true;
  }
  // The observed run, through the memory checks while they are on.
  uint32_t Run(uint32_t max_steps) {
    Debugger& debugger = model.debugger_;
    if (!debugger.Checking()) return model.cpu_.RunObserved(max_steps, *this);
    CheckedObserver<StepObserver> checked{*this, debugger.Checks(), model.cpu_.memory, debugger.StopsAtCheck()};
    return model.cpu_.RunObserved(max_steps, checked);
  }
};

// The speed path's chunk through the observed run.
void PanelModel::StepsDebug(uint32_t max_steps) {
  StepObserver observer{*this, true};
  in_fast_chunk_ = true;
  const uint32_t done = observer.Run(ChunkLimit(max_steps));
  in_fast_chunk_ = false;
  CountFastSteps(done);
  if (done > 0) {
    last_step_ = observer.last;
    last_step_valid_ = true;
  }
}

// One instruction of the one-at-a-time path, observed; the loop looks for
// breakpoints itself.
Fetched PanelModel::DebugStep() {
  StepObserver observer{*this, false};
  observer.Run(1);
  return observer.last;
}

PanelLights PanelModel::Lights() const {
  return PanelLights{led_state_, flag_led_state_, halt_led_, cpu_.halt_requested};
}

void PanelModel::RestoreLights(const PanelLights& lights) {
  led_state_ = lights.leds;
  flag_led_state_ = lights.flag_leds;
  halt_led_ = lights.halt_led;
  cpu_.halt_requested = lights.halt_requested;
  ++changes_;
}

// ---- Step Back and edits ----------------------------------------------------------

bool PanelModel::StepBack() {
  if (running_ || debugger_.Steps().Size() == 0) return false;
  debugger_.MarkRunStart(cpu_.memory);
  const HistoryEntry entry = debugger_.Steps().Pop();
  cpu_.state = entry.before;
  if (entry.write_address >= 0) cpu_.memory.data[entry.write_address] = entry.old_value;
  RestoreLights(entry.lights_before);
  cpu_.microcycles -= entry.microcycles;
  --executed_steps_;
  // The display shows the instruction that led to the state now restored,
  // when the history still holds it.
  if (debugger_.Steps().Size() > 0) {
    const HistoryEntry& newest = debugger_.Steps().Newest(0);
    const Fetched step{newest.opcode, newest.operand};
    ShowMachine(&step);
  } else {
    ShowMachine(nullptr);
  }
  // Stepping back past an RST keeps the counters since it at zero.
  steps_at_reset_ = std::min(steps_at_reset_, executed_steps_);
  microcycles_at_reset_ = std::min(microcycles_at_reset_, cpu_.microcycles);
  debugger_.SetStop(StopReason::kStepBack);
  return true;
}

bool PanelModel::SetBreakpoint(int address, bool on) {
  if (running_ || address < 0 || address >= kMemorySize) return false;
  debugger_.SetBreakpoint(address, on);
  ++changes_;
  return true;
}

bool PanelModel::SetWatchpoint(int address, bool on) {
  if (running_ || address < 0 || address >= kMemorySize) return false;
  debugger_.SetWatchpoint(address, on);
  ++changes_;
  return true;
}

bool PanelModel::EnableBreakpoint(int address, bool enabled) {
  if (running_) return false;
  debugger_.EnableBreakpoint(address, enabled);
  ++changes_;
  return true;
}

bool PanelModel::EnableWatchpoint(int address, bool enabled) {
  if (running_) return false;
  debugger_.EnableWatchpoint(address, enabled);
  ++changes_;
  return true;
}

bool PanelModel::SetBreakpointCondition(int address, std::string_view text, ConditionError* error) {
  if (running_) {
    if (error) *error = {1, "stop the program before changing a condition"};
    return false;
  }
  return debugger_.SetCondition(address, text, error);
}

std::string PanelModel::WatchSymbol(std::string_view name) {
  if (running_) return "Stop the program before setting a watchpoint.";
  std::string wanted(name.substr(0, std::min(name.find_last_not_of(" \t") + 1, name.size())));
  wanted.erase(0, std::min(wanted.find_first_not_of(" \t"), wanted.size()));
  if (wanted.empty()) return "Type a symbol's name or a hexadecimal address.";
  if (const ProgramSymbol* symbol = debugger_.Program().Find(wanted)) {
    if (symbol->value < 0 || symbol->value >= kMemorySize)
      return wanted + " is " + std::to_string(symbol->value) + ", not an address from 000 to FFF.";
    debugger_.SetWatchpoint(static_cast<int>(symbol->value), true, wanted);
    ++changes_;
    return "";
  }
  const auto address = ParseHex(wanted, 3);
  if (!address) return "No symbol " + wanted + " in the loaded program, and no address 000 to FFF.";
  debugger_.SetWatchpoint(static_cast<int>(*address), true);
  ++changes_;
  return "";
}

bool PanelModel::ClearBreakpointsAndWatchpoints() {
  if (running_) return false;
  debugger_.ClearBreakpoints();
  debugger_.ClearWatchpoints();
  ++changes_;
  return true;
}

bool PanelModel::StoreCell(int address, int value) {
  if (running_ || address < 0 || address >= kMemorySize || cpu_.memory.kind[address] != kRam) return false;
  cpu_.WriteMemory(address, static_cast<int16_t>(value & 0xFF));
  debugger_.Checks().MarkLoaded(address);
  ++changes_;
  return true;
}

int PanelModel::FillCells(int from, int to, int value) {
  if (running_) return -1;
  int stored = 0;
  for (int a = std::max(from, 0); a <= std::min(to, kMemorySize - 1); ++a) {
    if (cpu_.memory.kind[a] != kRam) continue;
    cpu_.WriteMemory(a, static_cast<int16_t>(value & 0xFF));
    debugger_.Checks().MarkLoaded(a);
    ++stored;
  }
  ++changes_;
  return stored;
}

bool PanelModel::SetRegisters(const MachineState& registers) {
  if (running_) return false;
  cpu_.state = registers;
  ShowMachine(nullptr);
  return true;
}

// ---- Save states ---------------------------------------------------------------------

SavedState PanelModel::CaptureState() const {
  SavedState s;
  s.registers = cpu_.state;
  s.microcycles = cpu_.microcycles;
  s.lights = Lights();
  s.memory = cpu_.memory;
  s.address_switches = address_switch_;
  s.data_switches = data_switch_;
  s.run_mode = run_mode_;
  s.single_step_mode = single_step_mode_;
  s.options = options_;
  s.breakpoints = debugger_.Breakpoints();
  s.watchpoints = debugger_.Watchpoints();
  return s;
}

bool PanelModel::ApplyState(const SavedState& s, std::string* error, bool keep_program) {
  if (running_) {
    if (error) *error = "A saved state cannot be loaded while a program runs.";
    return false;
  }
  // The one step that can fail comes first, so that a failure changes nothing.
  if (s.options.trace_on && !EnableTrace(data_dir_ + "TRACE.LOG", error)) return false;
  cpu_.state = s.registers;
  cpu_.microcycles = s.microcycles;
  cpu_.memory = s.memory;
  debugger_.Checks().StartProgram(std::bitset<kMemorySize>().set());  // a state holds every cell
  RestoreLights(s.lights);
  address_switch_ = s.address_switches;
  data_switch_ = s.data_switches;
  switch_byte_ = static_cast<int16_t>(SwitchData());
  run_mode_ = s.run_mode;
  SetSingleStepMode(s.single_step_mode);
  SetLabel(Label::kPause, single_step_mode_ ? "Manual Step" : "           ");
  options_ = s.options;
  SetSpeed(options_.speed_factor);
  SetTraceLimit(options_.trace_limit_mb);
  ShowOptionLabels();
  if (!keep_program) {
    ForgetProgram();  // clears the breakpoints and watchpoints too
    for (int a : s.breakpoints) debugger_.SetBreakpoint(a, true);
    for (int a : s.watchpoints) debugger_.SetWatchpoint(a, true);
  }
  debugger_.Steps().Clear();  // the history led to another state
  // The counters since RST start at the state, so that they count what ran
  // from it (a test's Show, a loaded state), not what ran before.
  steps_at_reset_ = executed_steps_;
  microcycles_at_reset_ = cpu_.microcycles;
  instruction_count_ = 0;
  paused_ = false;
  ShowMachine(nullptr);
  return true;
}

bool PanelModel::SaveState(const std::string& path, std::string* error) const {
  return SaveStateFile(CaptureState(), path, error);
}

bool PanelModel::LoadState(const std::string& path, std::string* error) {
  SavedState s;
  return LoadStateFile(path, &s, error) && ApplyState(s, error);
}

}  // namespace scmp
