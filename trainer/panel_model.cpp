#include "trainer/panel_model.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/hex.h"
#include "files/intel_hex.h"
#include "files/listing.h"
#include "files/load_report.h"
#include "files/memory_image.h"
#include "files/source_file.h"
#include "trainer/number_text.h"

namespace scmp {

namespace {

using Clock = std::chrono::steady_clock;

// Steps run in one go on the fast path before the loop looks at the clock.
constexpr uint32_t kFastChunk = 1u << 16;
// Steps of the one-at-a-time path between looks at the clock.
constexpr uint32_t kSlowChunk = 64;
// The window is pumped at least this often during a loop.
constexpr auto kPumpInterval = std::chrono::milliseconds(10);
// One counted step of DLY's busy wait: about the real chip's time at a
// 1 MHz microcycle.
constexpr double kDelayStepSeconds = 50e-9;
// The longest instruction but DLY, in microcycles (DAD): a paced slice runs
// at most its microcycles left / this + 1 steps at a time.
constexpr uint64_t kLongestStepMicrocycles = 23;

constexpr int kLedPort = 0xA00;


// The report of an assembly about to be stored: the bytes that land in RAM
// and their range, and those that find no RAM.
std::string AssemblyReport(const std::string& path, const Assembly& assembly, const MemoryArray& memory) {
  return TallyReport(FileName(path), TallyOf(assembly.code, memory)).front();
}

template <size_t N>
std::string FieldString(const std::array<char, N>& field) {
  return std::string(field.data(), N);
}

}  // namespace

PanelModel::PanelModel() : cpu_(*this) {
  wait_hook_ = [](double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  };
}

PanelModel::~PanelModel() = default;

bool PanelModel::StartUp(const std::string& data_dir, std::string* error) {
  for (int i = 0; i < 12; ++i) switch_weight_[i] = static_cast<int16_t>(1 << i);
  // Every switch shows its off shape; the switch states are off already.
  ++changes_;
  data_dir_ = data_dir;
  InstructionTable table;
  std::string warning;
  if (!table.Load(data_dir_ + "SCMP.DEL", error, &warning)) return false;
  if (!warning.empty()) notices_.push_back(warning);
  cpu_.SetTable(table);
  cpu_.memory.LayOutStartupMap();
  SetSingleStepMode(true);
  options_.pause_count = 10000;
  options_.fast_mode = true;
  SetLabel(Label::kSpeed, "Fast");
  SetLabel(Label::kPause, "Manual Step");
  options_.trace_on = false;
  SetLabel(Label::kTrace, "Trace off");
  options_.delay_seconds = 1.0f;
  SetLabel(Label::kDelay, "No Delay");
  SetSpeed(0);
  return true;
}

// ---- Lamps and labels -------------------------------------------------------

bool PanelModel::LampOn(Lamp lamp, int index) const {
  switch (lamp) {
    case Lamp::kAddressSwitch: return address_switch_.at(index);
    case Lamp::kDataSwitch: return data_switch_.at(index);
    case Lamp::kLed: return led_state_.at(index);
    case Lamp::kFlagLed: return flag_led_state_.at(index);
    case Lamp::kHaltLed: return halt_led_;
    case Lamp::kSingleStepLed: return single_step_mode_;
    case Lamp::kRunLed: return run_mode_;
  }
  return false;
}

std::string PanelModel::LabelText(Label label) const {
  if (label == Label::kCycles && cycles_is_number_) {
    const int32_t n = cycles_number_;
    return n < 0 ? "-" + std::to_string(-static_cast<int64_t>(n)) : " " + std::to_string(n);
  }
  return labels_[static_cast<int>(label)];
}

void PanelModel::SetLitLamp(int slot, bool on, uint64_t now) {
  bool& state = slot < 8 ? led_state_[slot] : flag_led_state_[slot - 8];
  if (state == on) return;
  if (state)
    lit_microcycles_[slot] += now - lit_since_[slot];
  else
    lit_since_[slot] = now;
  state = on;
}

void PanelModel::SampleLampShares() {
  const uint64_t now = cpu_.microcycles;
  const uint64_t span = now - sample_start_;
  for (int slot = 0; slot < kShadedLamps; ++slot) {
    const bool on = slot < 8 ? led_state_[slot] : flag_led_state_[slot - 8];
    if (on) {
      lit_microcycles_[slot] += now - lit_since_[slot];
      lit_since_[slot] = now;
    }
    lit_share_[slot] = span > 0 ? static_cast<double>(lit_microcycles_[slot]) / static_cast<double>(span) : on;
    lit_microcycles_[slot] = 0;
  }
  sample_start_ = now;
}

double PanelModel::LampShare(Lamp lamp, int index) const {
  if (lamp == Lamp::kLed) return lit_share_.at(index);
  if (lamp == Lamp::kFlagLed) return lit_share_.at(8 + index);
  return LampOn(lamp, index) ? 1.0 : 0.0;
}

void PanelModel::SetLabel(Label label, std::string text) {
  if (label == Label::kCycles) cycles_is_number_ = false;
  labels_[static_cast<int>(label)] = std::move(text);
  ++changes_;
}

void PanelModel::SetHaltLed(bool on) {
  halt_led_ = on;
  ++changes_;
}

void PanelModel::SetSingleStepMode(bool on) {
  single_step_mode_ = on;
  ++changes_;
}

int PanelModel::SwitchAddress() const {
  int a = 0;
  for (int i = 0; i < 12; ++i)
    if (address_switch_[i]) a += switch_weight_[i];
  return a;
}

int PanelModel::SwitchData() const {
  int d = 0;
  for (int i = 0; i < 8; ++i)
    if (data_switch_[i]) d += switch_weight_[i];
  return d;
}

// ---- Board: what the processor sees of the panel ------------------------------

int16_t PanelModel::ReadDataSwitches() const { return switch_byte_; }

void PanelModel::DriveLeds(int16_t value) {
  const uint64_t now = cpu_.microcycles;
  int v = value;
  for (int i = 0; i < 8; ++i) {
    SetLitLamp(i, v % 2 == 1, now);
    v /= 2;
  }
  ++changes_;
}

void PanelModel::ShowFlagLeds(int16_t sr) {
  const uint64_t now = cpu_.microcycles;
  for (int i = 0; i < 3; ++i) SetLitLamp(8 + i, ((sr >> i) & 1) != 0, now);
  ++changes_;
}

void PanelModel::LightHaltLed() { SetHaltLed(true); }

void PanelModel::Delay(uint64_t empty_steps) {
  // The steps of the chunk so far, so that the counts keep moving while DLY waits.
  if (in_fast_chunk_) chunk_steps_done_ = cpu_.StepsDoneInRun();
  if (in_fast_chunk_ && options_.pause_count > 0) {
    cycles_is_number_ = true;
    cycles_number_ = options_.pause_count - (instruction_count_ + static_cast<int32_t>(chunk_steps_done_) - 1);
  }
  // A paced run lets DLY's microcycles pass on the wall clock instead, and
  // ends the slice when they reach past it, so that the wait comes now.
  if (!Paced())
    wait_hook_(static_cast<double>(empty_steps) * kDelayStepSeconds);
  else if (cpu_.microcycles >= slice_end_)
    cpu_.BreakRun();
  Pump();
}

// ---- Program-mode controls ------------------------------------------------------

void PanelModel::ExamineAddress(int address) {
  const int byte = cpu_.ReadMemory(address);
  for (int i = 0; i < 8; ++i) data_switch_[i] = ((byte >> i) & 1) != 0;
  switch_byte_ = static_cast<int16_t>(SwitchData());
  cpu_.WriteMemory(kLedPort, cpu_.ReadMemory(address));
  ++changes_;
}

void PanelModel::ToggleAddressSwitch(int index) {
  if (index < 0 || index >= 12) return;
  address_switch_[index] = !address_switch_[index];
  if (running_) {
    ++changes_;  // the running program owns the LEDs: no examine
    return;
  }
  ExamineAddress(SwitchAddress());
}

void PanelModel::ToggleDataSwitch(int index) {
  if (index < 0 || index >= 8) return;
  data_switch_[index] = !data_switch_[index];
  switch_byte_ = static_cast<int16_t>(SwitchData());
  ++changes_;
}

void PanelModel::StepAddress(int delta) {
  if (running_) return;
  const int address = (SwitchAddress() + delta) & kAddressMask;
  for (int i = 0; i < 12; ++i) address_switch_[i] = ((address >> i) & 1) != 0;
  ExamineAddress(address);
}

void PanelModel::Latch() {
  if (running_) return;
  const int address = SwitchAddress();
  const auto data = static_cast<int16_t>(SwitchData());
  cpu_.WriteMemory(address, data);
  debugger_.Checks().MarkLoaded(address);
  cpu_.WriteMemory(kLedPort, data);
  SetLabel(Label::kP0, " " + Hex(static_cast<unsigned>(address), 3));
  SetLabel(Label::kM1, " " + Hex(static_cast<unsigned>(data), 2));
  SetLabel(Label::kM2, "");
}

// ---- Run controls -------------------------------------------------------------------

void PanelModel::WriteMarker(std::string_view marker) {
  if (!options_.trace_on) return;
  trace_.WriteLine(marker);
  trace_.Flush();
  if (!trace_.IsOpen()) NoteTraceStopped();
}

// The log closed itself (limit or write error): tracing goes off, which
// also puts the loop back on the speed path, and the user is told once.
void PanelModel::NoteTraceStopped() {
  if (!options_.trace_on) return;
  options_.trace_on = false;
  SetLabel(Label::kTrace, "Trace = off");
  notices_.push_back(trace_.StopMessage());
}

void PanelModel::RunOrProgram() {
  if (running_) return;
  cpu_.halt_requested = false;
  SetHaltLed(false);
  run_mode_ = !run_mode_;
  ++changes_;
  if (run_mode_) {
    WriteMarker(kMarkRunMode);
    instruction_count_ = 0;
    paused_ = false;
    SetLabel(Label::kPause, "         ");
    RunSteps();
    ShowWhyLoopEnded();
    WriteMarker(kMarkEndOfTrace);
  } else {
    cpu_.halt_requested = true;
    WriteMarker(kMarkProgramMode);
  }
}

void PanelModel::StepOrStart() {
  if (running_) return;
  instruction_count_ = 0;
  paused_ = false;
  SetLabel(Label::kPause, single_step_mode_ ? "Manual Step" : "           ");
  RunSteps();
  ShowWhyLoopEnded();
}

// The status strip's pause label after a loop: the breakpoint or watched
// address that stopped it, the pause count, or single-step mode.
void PanelModel::ShowWhyLoopEnded() {
  const std::string stop = debugger_.StopSummary();
  if (!stop.empty()) {
    SetLabel(Label::kPause, stop);
  } else if (options_.pause_count > 0 && paused_) {
    SetLabel(Label::kPause, "Pause    ");
    SetLabel(Label::kCycles, "          ");
  } else if (single_step_mode_) {
    SetLabel(Label::kPause, "Manual Step");
  }
}

void PanelModel::ToggleSingleStep() {
  SetSingleStepMode(!single_step_mode_);
  if (single_step_mode_) {
    SetLabel(Label::kPause, "Manual Step");
    instruction_count_ = 0;
    paused_ = false;
    WriteMarker(kMarkSingleStepOn);
  } else {
    SetLabel(Label::kPause, "           ");
    WriteMarker(kMarkSingleStepOff);
  }
  if (running_) cpu_.BreakRun();
}

void PanelModel::Halt() {
  if (running_) stop_pressed_ = true;
  cpu_.halt_requested = !cpu_.halt_requested;
  SetHaltLed(cpu_.halt_requested);
  if (running_) cpu_.BreakRun();
}

void PanelModel::AbortRun() {
  abort_ = true;
  cpu_.BreakRun();
}

void PanelModel::Pump() {
  if (!pump_hook_) return;
  const Clock::time_point now = Clock::now();
  if (now - last_pump_ < kPumpInterval) return;
  last_pump_ = now;
  pump_hook_();
}

void PanelModel::RunSteps() {
  running_ = true;
  abort_ = false;
  last_step_valid_ = false;
  stop_pressed_ = false;
  if (Paced()) pacer_.Start(cpu_.microcycles, options_.speed_factor);
  BeginLoop();
  for (;;) {
    if (!run_mode_ && !single_step_mode_ && !cpu_.halt_requested) {
      StepsIdle();
    } else if (run_mode_ && options_.fast_mode && !single_step_mode_ && !options_.trace_on) {
      if (Paced())
        StepsPaced();
      else if (debugger_.Active())
        StepsDebug(kFastChunk);
      else
        StepsFast();
    } else {
      // One step at a time: tracing, slow mode, single-step mode, or the
      // empty steps of program mode.
      for (uint32_t i = 0; i < kSlowChunk; ++i) {
        if (BreakpointAhead()) break;
        StepInstruction();
        if (options_.pause_count > 0 && ++instruction_count_ >= options_.pause_count) paused_ = true;
        if (single_step_mode_ || cpu_.halt_requested || paused_ || abort_) break;
        if (!options_.fast_mode) Pump();
      }
      if (Paced()) WaitForWallClock();
    }
    if (LoopMustEnd()) break;
    Pump();
  }
  NoteWhyLoopEnded();
  running_ = false;
  if (last_step_valid_) ShowMachine(&last_step_);
  trace_.Flush();
  if (options_.trace_on && !trace_.IsOpen()) NoteTraceStopped();
  ++changes_;
}

// The speed path: fast mode, no single step, no trace. The core runs whole
// chunks; the cycle count label is kept as a number.
void PanelModel::StepsFast() { RunFastSteps(kFastChunk); }

// A paced slice: about 1 ms of wall time's worth of microcycles, then a wait
// until the wall clock has caught up. Breakpoints, watchpoints and the
// history keep working at every speed.
void PanelModel::StepsPaced() {
  slice_end_ = pacer_.SliceEnd(cpu_.microcycles);
  // A halt request standing when the loop starts still lets one step run,
  // as on the speed path: HLT then Step/Start steps at every speed.
  bool first = executed_steps_ == loop_start_steps_;
  while (first || (cpu_.microcycles < slice_end_ && !LoopMustEnd())) {
    first = false;
    const auto steps = static_cast<uint32_t>(
        std::min<uint64_t>((slice_end_ - cpu_.microcycles) / kLongestStepMicrocycles + 1, kFastChunk));
    if (debugger_.Active())
      StepsDebug(steps);
    else
      RunFastSteps(steps);
  }
  WaitForWallClock();
}

// Sleeps in pieces while the emulated time is ahead of the wall clock,
// taking input in between; ends early when the user stops the loop. A HALT
// or the pause count is waited for, so that it comes at its time.
void PanelModel::WaitForWallClock() {
  for (auto ahead = pacer_.Ahead(cpu_.microcycles); ahead.count() > 0 && !StopPressed();
       ahead = pacer_.Ahead(cpu_.microcycles)) {
    pacer_.Sleep(std::min<Pacer::Clock::duration>(ahead, kPumpInterval));
    Pump();
  }
}

// Up to `max_steps` steps (fewer at the pause count) in the core. The last
// one runs on its own, so that the step a loop ends with is known without
// the core keeping it: read before it runs, or noted by the core when a
// HALT or DLY step ended the run early.
void PanelModel::RunFastSteps(uint32_t max_steps) {
  const uint32_t limit = ChunkLimit(max_steps);
  in_fast_chunk_ = true;
  // A halt request standing at the start lets the core do just one step.
  const uint32_t done = limit > 1 && !cpu_.halt_requested ? cpu_.Run(limit - 1) : 0;
  CountFastSteps(done);
  if (done == 0 || (done == limit - 1 && !LoopMustEnd())) {
    last_step_ = cpu_.PeekInstruction();
    CountFastSteps(cpu_.Run(1));
  } else {
    last_step_ = cpu_.LastBoardStep();
  }
  last_step_valid_ = true;
  in_fast_chunk_ = false;
}

// Steps of the next chunk: `max_steps`, or what the pause count leaves.
uint32_t PanelModel::ChunkLimit(uint32_t max_steps) const {
  const int32_t pause = options_.pause_count;
  if (pause <= 0) return max_steps;
  return static_cast<uint32_t>(std::clamp<int64_t>(int64_t{pause} - instruction_count_, 1, max_steps));
}

// The count of a chunk's steps, and the cycle count label as its last step
// showed it.
void PanelModel::CountFastSteps(uint32_t done) {
  const int32_t pause = options_.pause_count;
  executed_steps_ += done;
  chunk_steps_done_ = 0;
  if (pause > 0) {
    instruction_count_ += static_cast<int32_t>(done);
    cycles_is_number_ = true;
    cycles_number_ = pause - (instruction_count_ - 1);  // as shown by the last step
    if (instruction_count_ >= pause) paused_ = true;
  }
}

// Program mode with single step off and no halt requested: the steps do
// nothing, so they are only counted, a chunk at a time.
void PanelModel::StepsIdle() {
  const int32_t pause = options_.pause_count;
  if (pause <= 0) {
    // Nothing to count and nothing to do until HLT, SST or an abort ends the
    // loop: let time pass instead of spinning.
    wait_hook_(std::chrono::duration<double>(kPumpInterval).count());
    return;
  }
  instruction_count_ = static_cast<int32_t>(std::min<int64_t>(pause, int64_t{instruction_count_} + kFastChunk));
  if (instruction_count_ >= pause) paused_ = true;
}

void PanelModel::StepInstruction() {
  if (!run_mode_) return;
  ++executed_steps_;
  Fetched f;
  if (debugger_.Active()) {
    f = DebugStep();
  } else {
    f = cpu_.FetchInstruction();
    cpu_.ExecuteInstruction(f.opcode, f.operand);
  }
  last_step_ = f;
  last_step_valid_ = true;
  if (options_.pause_count > 0) {
    cycles_is_number_ = true;
    cycles_number_ = options_.pause_count - instruction_count_;
  }
  const InstructionRecord& record = cpu_.table()[f.opcode];
  if (options_.trace_on) {
    if (record.IsUndefined())
      trace_.WriteIllegal(f.opcode);
    else
      trace_.WriteInstruction(record, f.opcode, f.operand, cpu_.state);
    if (!trace_.IsOpen()) NoteTraceStopped();
  }
  if (single_step_mode_ || !options_.fast_mode) {
    ShowMachine(&f);
    if (!options_.fast_mode) SlowWait();
  }
}

// The register display from the processor's registers, with the fields of
// `f` (the instruction that led there), or with those fields empty when no
// instruction did (RST, a loaded state, registers typed in the Monitor).
void PanelModel::ShowMachine(const Fetched* step) {
  const MachineState& s = cpu_.state;
  if (step == nullptr) {
    for (Label l : {Label::kOpcode, Label::kAmode, Label::kRegister, Label::kCflag, Label::kOFlag, Label::kOperation,
                    Label::kM1, Label::kM2})
      SetLabel(l, "");
  } else {
    ShowInstructionFields(*step);
  }
  SetLabel(Label::kP0, HexWord(s.P[0]));
  SetLabel(Label::kP1, HexWord(s.P[1]));
  SetLabel(Label::kP2, HexWord(s.P[2]));
  SetLabel(Label::kP3, HexWord(s.P[3]));
  SetLabel(Label::kAccu, HexByte(s.A));
  SetLabel(Label::kExtension, HexByte(s.E));
  SetLabel(Label::kStatus, HexByte(s.SR));
}

void PanelModel::ShowInstructionFields(const Fetched& f) {
  const InstructionRecord& record = cpu_.table()[f.opcode];
  if (record.IsUndefined()) {
    SetLabel(Label::kOpcode, " Error");
    for (Label l : {Label::kAmode, Label::kRegister, Label::kCflag, Label::kOFlag, Label::kOperation}) SetLabel(l, "");
  } else {
    SetLabel(Label::kOpcode, FieldString(record.Mnemonic));
    SetLabel(Label::kAmode, FieldString(record.Amode));
    SetLabel(Label::kRegister, FieldString(record.Register));
    SetLabel(Label::kCflag, FieldString(record.Cflag));
    SetLabel(Label::kOFlag, FieldString(record.OFlag));
    SetLabel(Label::kOperation, FieldString(record.Operation));
  }
  SetLabel(Label::kM1, HexByte(f.opcode));
  SetLabel(Label::kM2, f.operand == -1 ? std::string() : HexByte(f.operand));
}

// Slow mode: this step's values stay on show for the delay. The window's
// wait hook keeps it responsive meanwhile.
void PanelModel::SlowWait() {
  ++changes_;
  Pump();
  wait_hook_(static_cast<double>(options_.delay_seconds));
}

// ---- Settings and trace ------------------------------------------------------------

SettingsResult PanelModel::ApplySettings(const SettingsInput& input) {
  SettingsResult result;
  options_.pause_count = PauseCountFrom(ReadNumber(input.pause_text));
  result.pause_text = DisplayForm(options_.pause_count);
  SetTraceLimit(PauseCountFrom(ReadNumber(input.trace_limit_text)));
  result.trace_limit_text = DisplayForm(options_.trace_limit_mb);
  if (input.trace) {
    std::string error;
    if (!EnableTrace(data_dir_ + "TRACE.LOG", &error)) result.trace_error = error;
  } else {
    options_.trace_on = false;
  }
  options_.fast_mode = input.fast;
  options_.delay_seconds = DelayFrom(ReadNumber(input.delay_text));
  ShowOptionLabels();
  return result;
}

void PanelModel::ShowOptionLabels() {
  if (options_.pause_count == 0) SetLabel(Label::kCycles, "No Pause");
  SetLabel(Label::kTrace, options_.trace_on ? "Trace = on " : "Trace = off");
  SetLabel(Label::kSpeed, options_.fast_mode ? "Fast       " : "Slow       ");
  SetLabel(Label::kDelay, options_.fast_mode ? "No Delay      " : "Delay =" + DisplayFormSingle(options_.delay_seconds));
}

void PanelModel::SetTraceLimit(int64_t mb) {
  options_.trace_limit_mb = static_cast<int32_t>(std::clamp<int64_t>(mb, 1, kMaxTraceLimitMb));
  trace_.SetLimit(static_cast<uint64_t>(options_.trace_limit_mb) << 20);
}

void PanelModel::CloseTrace() {
  trace_.Close();
  if (options_.trace_on && !trace_.IsOpen() && trace_.Stopped() != TraceLog::Stop::kNone) NoteTraceStopped();
}

void PanelModel::SetSpeed(int factor) {
  options_.speed_factor = factor > 0 ? factor : 0;
  SetLabel(Label::kRate, "Speed: " + SpeedName(options_.speed_factor));
  if (running_ && Paced()) pacer_.Start(cpu_.microcycles, options_.speed_factor);
}

std::string PanelModel::SpeedName(int factor) {
  if (factor <= 0) return "Unlimited";
  if (factor == 1) return "Real time";
  return std::to_string(factor) + "\xC3\x97";
}

bool PanelModel::EnableTrace(const std::string& path, std::string* error) {
  if (!trace_.IsOpen() && !trace_.Open(path, error)) {
    options_.trace_on = false;
    return false;
  }
  options_.trace_on = true;
  return true;
}

// ---- Files ---------------------------------------------------------------------------

bool PanelModel::LoadMemoryImage(const std::string& path, std::string* error) {
  if (running_) return false;
  static const std::function<void()> kSilent = [] {};
  if (!::scmp::LoadMemoryImage(cpu_.memory, path, alert_hook_ ? alert_hook_ : kSilent, error)) return false;
  ForgetProgram();
  return true;
}

bool PanelModel::SaveMemoryImage(const std::string& path, std::string* error) {
  return ::scmp::SaveMemoryImage(cpu_.memory, path, error);
}

bool PanelModel::LoadListing(const std::string& path, std::string* error, ListingResult* result) {
  if (running_) return false;
  if (!::scmp::LoadListing(cpu_.memory, path, error, result)) return false;
  ForgetProgram();
  return true;
}

void PanelModel::ForgetProgram() {
  symbols_.clear();
  debugger_.SetProgram(ProgramInfo{});
  ++changes_;
}

bool PanelModel::AssembleSource(const std::string& path, SourceLoad* result) {
  *result = SourceLoad{};
  source_path_ = path;
  if (running_) {
    result->error = "Stop the program before assembling.";
    return false;
  }
  std::string source;
  if (!ReadSourceFile(path, &source, &result->error)) return false;
  return AssembleText(path, source, result);
}

bool PanelModel::AssembleText(const std::string& path, std::string_view source, SourceLoad* result) {
  *result = SourceLoad{};
  source_path_ = path;
  if (running_) {
    result->error = "Stop the program before assembling.";
    return false;
  }
  Assembly assembly = Assemble(source, path, cpu_.table(), RecordingSourceReader(&result->included));
  const int errors = assembly.ErrorCount();
  result->diagnostics = std::move(assembly.diagnostics);
  if (errors > 0) {
    result->error = FileName(path) + ": " + std::to_string(errors) + (errors == 1 ? " error" : " errors") +
                    "; nothing loaded.";
    return false;
  }
  result->report = AssemblyReport(path, assembly, cpu_.memory);
  result->code = assembly.code;
  StoreInRam(assembly, cpu_.memory);
  debugger_.Checks().StartProgram(TallyOf(assembly.code, cpu_.memory).stored_cells());
  // The Monitor names addresses after the program's labels and shows its
  // source lines, the editor maps lines through the same line map; the same
  // source again keeps its breakpoints.
  debugger_.SetProgram(ProgramInfoFrom(assembly, source, path));
  symbols_ = std::move(assembly.symbols);
  ++changes_;
  return true;
}

bool PanelModel::Reassemble(SourceLoad* result) {
  if (source_path_.empty()) {
    *result = SourceLoad{};
    result->error = "No source has been assembled yet.";
    return false;
  }
  return AssembleSource(source_path_, result);
}

bool PanelModel::LoadIntelHex(const std::string& path, std::string* error, std::string* report) {
  if (running_) return false;
  IntelHexResult loaded;
  if (!::scmp::LoadIntelHex(cpu_.memory, path, error, &loaded)) return false;
  ForgetProgram();
  if (report)
    *report = LoadReport(FileName(path), loaded.stored, loaded.first_address, loaded.last_address, loaded.dropped);
  return true;
}

}  // namespace scmp
