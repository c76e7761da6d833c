// The panel model's debugging: the debug stepping path that runs instead of
// the speed path while breakpoints, watchpoints or the history are in use,
// Step Back, edits from the Monitor and save states.
#include "core/observed_step.h"
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
  if (!run_mode_ || executed_steps_ + uncounted == loop_start_steps_ ||
      !debugger_.IsBreakpoint(NextOpcodeAddress(cpu_.state.P[0])))
    return false;
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
    if (check_breakpoints && model.BreakpointAhead(done)) return true;
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
};

// The speed path's chunk through the observed run.
void PanelModel::StepsDebug(uint32_t max_steps) {
  StepObserver observer{*this, true};
  const uint32_t done = cpu_.RunObserved(ChunkLimit(max_steps), observer);
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
  cpu_.RunObserved(1, observer);
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

bool PanelModel::StoreCell(int address, int value) {
  if (running_ || address < 0 || address >= kMemorySize || cpu_.memory.kind[address] != kRam) return false;
  cpu_.WriteMemory(address, static_cast<int16_t>(value & 0xFF));
  ++changes_;
  return true;
}

bool PanelModel::SetRegisters(const MachineState& registers) {
  if (running_) return false;
  cpu_.state = registers;
  ++changes_;
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

bool PanelModel::ApplyState(const SavedState& s, std::string* error) {
  if (running_) {
    if (error) *error = "A saved state cannot be loaded while a program runs.";
    return false;
  }
  // The one step that can fail comes first, so that a failure changes nothing.
  if (s.options.trace_on && !EnableTrace(data_dir_ + "TRACE.LOG", error)) return false;
  cpu_.state = s.registers;
  cpu_.microcycles = s.microcycles;
  cpu_.memory = s.memory;
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
  debugger_.ClearBreakpoints();
  debugger_.ClearWatchpoints();
  for (int a : s.breakpoints) debugger_.SetBreakpoint(a, true);
  for (int a : s.watchpoints) debugger_.SetWatchpoint(a, true);
  debugger_.Steps().Clear();  // the history led to another state
  instruction_count_ = 0;
  paused_ = false;
  return true;
}

bool PanelModel::SaveState(const std::string& path, std::string* error) const {
  return SaveStateFile(CaptureState(), path, error);
}

bool PanelModel::LoadState(const std::string& path, std::string* error) {
  SavedState s;
  if (!LoadStateFile(path, &s, error) || !ApplyState(s, error)) return false;
  lines_ = LineMap();
  return true;
}

}  // namespace scmp
