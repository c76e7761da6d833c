#include "trainer/panel_model.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/hex.h"
#include "files/listing.h"
#include "files/memory_image.h"
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

constexpr int kLedPort = 0xA00;


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
  if (!table.Load(data_dir_ + "SCMP.DEL", error)) return false;
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
  int v = value;
  for (int i = 0; i < 8; ++i) {
    led_state_[i] = (v % 2 == 1);
    v /= 2;
  }
  ++changes_;
}

void PanelModel::ShowFlagLeds(int16_t sr) {
  for (int i = 0; i < 3; ++i) flag_led_state_[i] = ((sr >> i) & 1) != 0;
  ++changes_;
}

void PanelModel::LightHaltLed() { SetHaltLed(true); }

void PanelModel::Delay(uint64_t empty_steps) {
  if (in_fast_chunk_ && options_.pause_count > 0) {
    // The count shown by this step of a fast chunk, so that the cycle
    // count keeps counting down while DLY waits.
    cycles_is_number_ = true;
    cycles_number_ = options_.pause_count - (instruction_count_ + static_cast<int32_t>(cpu_.StepsDoneInRun()) - 1);
  }
  wait_hook_(static_cast<double>(empty_steps) * kDelayStepSeconds);
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
  if (running_ || index < 0 || index >= 12) return;
  address_switch_[index] = !address_switch_[index];
  ExamineAddress(SwitchAddress());
}

void PanelModel::ToggleDataSwitch(int index) {
  if (running_ || index < 0 || index >= 8) return;
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
  cpu_.WriteMemory(kLedPort, data);
  SetLabel(Label::kP0, " " + Hex(static_cast<unsigned>(address)));
  SetLabel(Label::kM1, " " + Hex(static_cast<unsigned>(data)));
  SetLabel(Label::kM2, "");
}

// ---- Run controls -------------------------------------------------------------------

void PanelModel::WriteMarker(std::string_view marker) {
  if (!options_.trace_on) return;
  trace_.WriteLine(marker);
  trace_.Flush();
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
    if (options_.pause_count > 0 && paused_) {
      SetLabel(Label::kPause, "Pause    ");
      SetLabel(Label::kCycles, "          ");
    }
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
  if (options_.pause_count > 0 && paused_) {
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
  cpu_.halt_requested = !cpu_.halt_requested;
  SetHaltLed(cpu_.halt_requested);
  if (running_) cpu_.BreakRun();
}

void PanelModel::Reset() {
  if (running_) return;
  cpu_.halt_requested = false;
  SetHaltLed(false);
  cpu_.state = MachineState{};
  for (bool& f : flag_led_state_) f = false;
  ++changes_;
  WriteMarker(kMarkReset);
  instruction_count_ = 0;
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
  BeginLoop();
  for (;;) {
    if (!run_mode_ && !single_step_mode_ && !cpu_.halt_requested) {
      StepsIdle();
    } else if (run_mode_ && options_.fast_mode && !single_step_mode_ && !options_.trace_on) {
      if (debugger_.Active())
        StepsDebug();
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
    }
    if (single_step_mode_ || cpu_.halt_requested || paused_ || abort_) break;
    Pump();
  }
  NoteWhyLoopEnded();
  running_ = false;
  trace_.Flush();
  ++changes_;
}

// The speed path: fast mode, no single step, no trace. The core runs whole
// chunks; the cycle count label is kept as a number.
void PanelModel::StepsFast() {
  in_fast_chunk_ = true;
  const uint32_t done = cpu_.Run(FastChunkLimit());
  in_fast_chunk_ = false;
  CountFastSteps(done);
}

// Steps of the next chunk: a whole chunk, or what the pause count leaves.
uint32_t PanelModel::FastChunkLimit() const {
  const int32_t pause = options_.pause_count;
  if (pause <= 0) return kFastChunk;
  return static_cast<uint32_t>(std::clamp<int64_t>(int64_t{pause} - instruction_count_, 1, kFastChunk));
}

// The count of a chunk's steps, and lbl_cycles as its last step showed it.
void PanelModel::CountFastSteps(uint32_t done) {
  const int32_t pause = options_.pause_count;
  executed_steps_ += done;
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
  }
  if (single_step_mode_ || !options_.fast_mode) {
    FillRegisterDisplay(f);
    if (!options_.fast_mode) SlowWait();
  }
}

void PanelModel::FillRegisterDisplay(const Fetched& f) {
  const InstructionRecord& record = cpu_.table()[f.opcode];
  const MachineState& s = cpu_.state;
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
  SetLabel(Label::kP0, HexWord(s.P[0]));
  SetLabel(Label::kP1, HexWord(s.P[1]));
  SetLabel(Label::kP2, HexWord(s.P[2]));
  SetLabel(Label::kP3, HexWord(s.P[3]));
  SetLabel(Label::kAccu, HexByte(s.A));
  SetLabel(Label::kExtension, HexByte(s.E));
  SetLabel(Label::kStatus, HexByte(s.SR));
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
  return ::scmp::LoadMemoryImage(cpu_.memory, path, alert_hook_ ? alert_hook_ : kSilent, error);
}

bool PanelModel::SaveMemoryImage(const std::string& path, std::string* error) {
  return ::scmp::SaveMemoryImage(cpu_.memory, path, error);
}

bool PanelModel::LoadListing(const std::string& path, std::string* error) {
  if (running_) return false;
  return ::scmp::LoadListing(cpu_.memory, path, error);
}

}  // namespace scmp
