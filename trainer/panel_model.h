// The front panel of the trainer as plain state: every switch, lamp and
// label, the run controls and the stepping loop. The window only draws this
// model and forwards clicks to it; the headless runner drives it the same
// way.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "core/board.h"
#include "files/listing.h"
#include "core/processor.h"
#include "trainer/pacer.h"
#include "trainer/debugger.h"
#include "trainer/panel_load.h"
#include "trainer/line_map.h"
#include "trainer/run_options.h"
#include "trainer/save_state.h"
#include "trainer/trace_log.h"

namespace scmp {

// The lamp pairs of the panel. Each shows one state: its on shape is visible
// exactly when the state is true, its off shape exactly when it is false.
enum class Lamp {
  kAddressSwitch,  // 12, one per address switch
  kDataSwitch,     // 8, one per data switch
  kLed,            // 8, the output port's LEDs
  kFlagLed,        // 3, the flag outputs
  kHaltLed,        // 1
  kSingleStepLed,  // 1
  kRunLed,         // 1: on (red) in run mode, off (green) in program mode
};

// The labels whose text the model writes.
enum class Label {
  kDelay, kTrace, kPause, kSpeed, kCycles,
  kOpcode, kAmode, kRegister, kCflag, kOFlag, kOperation,
  kP0, kP1, kP2, kP3, kM1, kM2, kAccu, kExtension, kStatus,
  kRate,  // the speed in force, in UTF-8
  kCount
};

// What the settings window hands over when OK is pressed.
struct SettingsInput {
  std::string pause_text;  // the pause count as typed
  std::string delay_text;  // the slow mode's delay as typed
  bool fast = true;        // fast mode chosen, else slow mode
  bool trace = false;      // tracing chosen
  std::string trace_limit_text = "1024";  // the trace log's limit in MB as typed
};
// What assembling a source file did.
struct SourceLoad {
  std::vector<Diagnostic> diagnostics;  // every error and warning, by line
  std::string error;                    // why nothing was loaded
  std::string report;                   // what was stored, when it loaded
  std::vector<LineCode> code;           // the bytes each line placed, when it loaded
  std::vector<std::string> included;    // every file INCLUDE read
};

struct SettingsResult {
  std::string pause_text;   // what the pause count field is rewritten with
  std::string trace_limit_text;  // what the trace limit field is rewritten with
  std::string trace_error;  // non-empty when the trace log could not be created
};

// The report of an assembled source, as LoadFile gives it: the summary and
// one line per range of bytes that did not land in RAM (`memory` as the
// bytes were stored into it).
FileLoad AssembledLoad(const std::string& path, bool loaded, SourceLoad source, const MemoryArray& memory);

class PanelModel : private Board {
 public:
  PanelModel();
  ~PanelModel() override;
  PanelModel(const PanelModel&) = delete;
  PanelModel& operator=(const PanelModel&) = delete;

  // Start-up: weights, switches shown off, the data folder, the instruction
  // table from `data_dir` + "SCMP.DEL", the memory map and the defaults.
  // `data_dir` is used as given, so it should end in a separator. False
  // with a message naming the path when the table cannot be read.
  bool StartUp(const std::string& data_dir, std::string* error);
  const std::string& DataDir() const { return data_dir_; }

  // ---- Panel state -------------------------------------------------------
  bool AddressSwitch(int i) const { return address_switch_[i]; }
  bool DataSwitch(int i) const { return data_switch_[i]; }
  bool LedState(int i) const { return led_state_[i]; }
  bool FlagLedState(int i) const { return flag_led_state_[i]; }
  // LED brightness: the share (0..1) of emulated time each data LED and flag
  // LED was lit between the last two calls of SampleLampShares; the lamp's
  // state when no emulated time passed. Other lamps: 1 when on, else 0.
  void SampleLampShares();
  double LampShare(Lamp lamp, int index = 0) const;
  int16_t SwitchWeight(int i) const { return switch_weight_[i]; }
  bool LampOn(Lamp lamp, int index = 0) const;
  std::string LabelText(Label label) const;
  // Goes up whenever a lamp or a label may have changed (the cycle count during
  // a run excepted: it changes every step and is read on demand).
  uint64_t ChangeCount() const { return changes_; }

  // Switch address and switch data formed from the switches.
  int SwitchAddress() const;
  int SwitchData() const;

  // ---- Program-mode controls ---------------------------------------------
  // The switches stay live during a run: a data switch is seen at the
  // program's next port read; an address switch only moves (no examine).
  void ToggleAddressSwitch(int index);
  void ToggleDataSwitch(int index);
  // Moves the address switches one address up (+1) or down (-1), wrapping.
  void StepAddress(int delta);
  void Latch();
  void ExamineAddress(int address);

  // ---- Run controls ------------------------------------------------------
  void RunOrProgram();
  void StepOrStart();
  void ToggleSingleStep();
  void Halt();
  void Reset();
  // The stepping loop and the step routine.
  void RunSteps();
  void StepInstruction();

  bool RunMode() const { return run_mode_; }
  bool SingleStepMode() const { return single_step_mode_; }
  bool HaltRequested() const { return cpu_.halt_requested; }
  bool Paused() const { return paused_; }
  int32_t InstructionCount() const { return instruction_count_; }
  // Instructions performed since start-up, by every loop.
  uint64_t ExecutedSteps() const { return executed_steps_; }
  // Instructions and microcycles since start-up, the last RST or a loaded state (a running chunk's
  // steps count from its last DLY on), for reading a run's cost.
  uint64_t StepsSinceReset() const { return executed_steps_ + (in_fast_chunk_ ? chunk_steps_done_ : 0) - steps_at_reset_; }
  uint64_t MicrocyclesSinceReset() const { return cpu_.microcycles - microcycles_at_reset_; }
  // True while a loop is running. During a loop only Halt, ToggleSingleStep
  // and the switch toggles may be called (from the pump hook); Halt and
  // ToggleSingleStep take effect after the step.
  bool Running() const { return running_; }
  // Ends a running loop after the current step, as the window does when it
  // is closed during a run.
  void AbortRun();

  // ---- Options, settings and trace ----------------------------------------
  const RunOptions& Options() const { return options_; }
  RunOptions& MutableOptions() { return options_; }
  // The Speed menu: times the board's own speed, 0 = Unlimited (the
  // default, the fast mode as it always was). Pacing applies in fast mode.
  static constexpr std::array<int, 5> kSpeeds = {1, 2, 10, 100, 0};
  void SetSpeed(int factor);
  static std::string SpeedName(int factor);  // "Real time", "2×", ..., "Unlimited"
  // The clock and sleep of the pacing, replaceable for tests.
  Pacer& Pacing() { return pacer_; }
  // OK in the settings window.
  SettingsResult ApplySettings(const SettingsInput& input);
  // Opens `path` as the trace log unless a log is already open, and turns
  // tracing on. On failure tracing stays off and the message names the path.
  bool EnableTrace(const std::string& path, std::string* error);
  TraceLog& Trace() { return trace_; }
  // The trace log's limit in MB (1 MB = 1,048,576 bytes), brought into
  // 1 .. kMaxTraceLimitMb; it applies to an open log at once.
  void SetTraceLimit(int64_t mb);
  // Exit: closes the trace log.
  void CloseTrace();
  // True once a write error has ended tracing (until tracing is enabled
  // again).
  bool TraceWriteFailed() const { return trace_.Stopped() == TraceLog::Stop::kWriteError; }

  // What the user is to be told once: a short instruction file, a trace log
  // that stopped at its limit or on a write error. Handed over and forgotten.
  bool HasNotices() const { return !notices_.empty(); }
  std::vector<std::string> TakeNotices() { return std::exchange(notices_, {}); }

  // ---- Files ---------------------------------------------------------------
  // The one way in for every file (trainer/panel_load.cpp): loads `path` as
  // `kind`, or as its extension says when `kind` is kUnknown (a source is
  // assembled, a listing, memory image or Intel HEX file stored, a saved
  // state applied). All or nothing; refused while a loop runs.
  FileLoad LoadFile(const std::string& path, FileKind kind = FileKind::kUnknown);
  // Straight into memory, past the bus; nothing else changes.
  bool LoadMemoryImage(const std::string& path, std::string* error);
  bool SaveMemoryImage(const std::string& path, std::string* error);
  bool LoadListing(const std::string& path, std::string* error, ListingResult* result = nullptr);
  // Reads `path` and assembles it with the panel's instruction table. Only
  // a source without errors is stored in RAM (all or nothing); the
  // diagnostics go back to the caller either way. The path is kept for
  // Reassemble, the symbols of a successful assembly for Symbols().
  bool AssembleSource(const std::string& path, SourceLoad* result);
  // AssembleSource for text not read from a file (an editor's, saved or
  // not); `path` names it in diagnostics and is kept for Reassemble.
  bool AssembleText(const std::string& path, std::string_view source, SourceLoad* result);
  // Assembles the last source again, as edited since; false with an error
  // when no source was given yet.
  bool Reassemble(SourceLoad* result);
  const std::string& SourcePath() const { return source_path_; }
  // The symbols of the last source that assembled without errors.
  const std::vector<Symbol>& Symbols() const { return symbols_; }
  // The line map of that source; empty once a file of another kind (image,
  // listing, HEX, state) has been loaded over it.
  const LineMap& Lines() const { return debugger_.Program().map; }
  // Checks the whole file, then stores it: all or nothing.
  bool LoadIntelHex(const std::string& path, std::string* error, std::string* report = nullptr);
  // The folder of the last file a file window loaded or saved, where the
  // next file window starts; empty until then.
  const std::string& LastFolder() const { return last_folder_; }
  void SetLastFolder(std::string folder) { last_folder_ = std::move(folder); }

  // ---- Debugging (trainer/panel_debug.cpp) ---------------------------------
  // Breakpoints, watchpoints, history, why the last run stopped. While any of
  // them is in use runs take the debug stepping path instead of the speed
  // path. The changes below are refused (false) while a loop runs.
  const Debugger& Debug() const { return debugger_; }
  bool SetBreakpoint(int address, bool on);
  bool SetWatchpoint(int address, bool on);
  bool EnableBreakpoint(int address, bool enabled);
  bool EnableWatchpoint(int address, bool enabled);
  // An empty text removes the condition; a bad one is refused with where
  // and why.
  bool SetBreakpointCondition(int address, std::string_view text, ConditionError* error);
  // A watchpoint on a symbol of the loaded program by its name, or on a
  // hexadecimal address; "" when set, else what is wrong.
  std::string WatchSymbol(std::string_view name_or_address);
  bool ClearBreakpointsAndWatchpoints();
  // The memory checks (trainer/memory_checks.h): while on, runs take the
  // debug stepping path and warn; with `stop` a run ends after a warning.
  void SetChecking(bool on, bool stop = false) { debugger_.SetChecking(on, stop); }
  MemoryChecks& Checks() { return debugger_.Checks(); }
  // History is recorded while on (the Monitor is open); off drops it.
  void SetHistoryRecording(bool on) { debugger_.SetRecording(on); }
  // Undoes the newest instruction of the history: registers, the cell it
  // wrote, LEDs, flag LEDs, Halt LED and halt request. The trace log is not
  // rewound. False when running or the history is empty.
  bool StepBack();
  // A RAM cell set straight into memory as Latch stores it.
  bool StoreCell(int address, int value);
  // The RAM cells from `from` to `to` set to `value`; the number set (other
  // cells are passed over), or -1 while running.
  int FillCells(int from, int to, int value);
  bool SetRegisters(const MachineState& registers);

  // ---- Save states -------------------------------------------------------------
  SavedState CaptureState() const;
  // All or nothing: a state whose trace log cannot be opened changes nothing.
  // `keep_program` keeps the assembled program's lines, labels and
  // breakpoints (with their conditions), for a state that holds the same
  // program; otherwise they are forgotten and the state's breakpoints set.
  bool ApplyState(const SavedState& state, std::string* error, bool keep_program = false);
  bool SaveState(const std::string& path, std::string* error) const;
  bool LoadState(const std::string& path, std::string* error);

  // ---- Hooks -----------------------------------------------------------------
  // Waits of the slow mode and of DLY (count x 50 ns), in seconds. The
  // default sleeps; the window keeps itself responsive; the batch runner
  // returns at once.
  void SetWaitHook(std::function<void(double)> hook) { wait_hook_ = std::move(hook); }
  // Called during a loop at least every 10 ms of running, so that the window
  // can take input and repaint.
  void SetPumpHook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  // The audible alert of the memory image loader.
  void SetAlertHook(std::function<void()> hook) { alert_hook_ = std::move(hook); }
  // The hooks in force, so that a caller can put them back after a run of
  // its own (the grader's replay runs without waits or pumping).
  const std::function<void(double)>& WaitHook() const { return wait_hook_; }
  const std::function<void()>& PumpHook() const { return pump_hook_; }

  // ---- The processor ----------------------------------------------------------
  Processor& Cpu() { return cpu_; }
  const Processor& Cpu() const { return cpu_; }
  MachineState& State() { return cpu_.state; }
  const MachineState& State() const { return cpu_.state; }
  MemoryArray& Memory() { return cpu_.memory; }

 private:
  // Board
  int16_t ReadDataSwitches() const override;
  void DriveLeds(int16_t value) override;
  void ShowFlagLeds(int16_t sr) override;
  void LightHaltLed() override;
  void Delay(uint64_t empty_steps) override;

  void SetLabel(Label label, std::string text);
  void SetHaltLed(bool on);
  void SetSingleStepMode(bool on);
  void ShowMachine(const Fetched* step);
  void ShowInstructionFields(const Fetched& f);
  void SlowWait();
  bool LoopMustEnd() const { return single_step_mode_ || cpu_.halt_requested || paused_ || abort_; }
  // SST, HLT or an abort from the user during this loop: a paced wait ends
  // early then, but not for the program's own HALT or the pause count.
  bool StopPressed() const { return single_step_mode_ || stop_pressed_ || abort_; }
  bool Paced() const { return options_.speed_factor > 0 && options_.fast_mode; }
  void StepsFast();
  void StepsPaced();
  void RunFastSteps(uint32_t max_steps);
  void CountFastSteps(uint32_t done);
  void WaitForWallClock();
  void SetLitLamp(int slot, bool on, uint64_t now);
  void StepsIdle();
  uint32_t ChunkLimit(uint32_t max_steps) const;
  // The debug stepping path (trainer/panel_debug.cpp).
  struct StepObserver;
  void StepsDebug(uint32_t max_steps);
  Fetched DebugStep();
  bool BreakpointAhead(uint32_t uncounted = 0);
  bool StopAtBreakpoint(int address);
  void BeginLoop();
  void NoteWhyLoopEnded();
  PanelLights Lights() const;
  void RestoreLights(const PanelLights& lights);
  void ShowOptionLabels();
  void ShowWhyLoopEnded();
  // A program with no source behind it was loaded: no symbols, no line
  // map, no breakpoints or watchpoints.
  void ForgetProgram();
  void Pump();
  void WriteMarker(std::string_view marker);
  void NoteTraceStopped();

  Processor cpu_;
  std::string data_dir_;

  std::array<bool, 12> address_switch_{};
  std::array<bool, 8> data_switch_{};
  std::array<bool, 8> led_state_{};
  std::array<bool, 3> flag_led_state_{};
  std::array<int16_t, 12> switch_weight_{};
  // Brightness bookkeeping in microcycles, slots 0..7 the LEDs, 8..10 the
  // flag LEDs: lit time since the last sample, when a lit lamp was lit or
  // last sampled, and the shares of the last sample.
  static constexpr int kShadedLamps = 11;
  std::array<uint64_t, kShadedLamps> lit_microcycles_{};
  std::array<uint64_t, kShadedLamps> lit_since_{};
  std::array<double, kShadedLamps> lit_share_{};
  uint64_t sample_start_ = 0;
  int16_t switch_byte_ = 0;  // the data switches as one byte, kept in step
  bool halt_led_ = false;

  bool run_mode_ = false;
  bool single_step_mode_ = false;
  bool paused_ = false;
  int32_t instruction_count_ = 0;
  bool running_ = false;
  bool abort_ = false;
  bool in_fast_chunk_ = false;  // the core is inside Run or RunObserved for a chunk
  uint32_t chunk_steps_done_ = 0;  // the chunk's steps so far, as its last DLY saw them
  uint64_t executed_steps_ = 0;
  uint64_t steps_at_reset_ = 0;        // executed_steps_ at the last RST
  uint64_t microcycles_at_reset_ = 0;  // the microcycles at the last RST
  // The loop's last step, shown in the register display when it ends.
  Fetched last_step_;
  bool last_step_valid_ = false;
  Pacer pacer_;
  uint64_t slice_end_ = 0;     // where the current paced slice ends
  bool stop_pressed_ = false;  // HLT pressed during this loop
  std::chrono::steady_clock::time_point last_pump_{};

  RunOptions options_;
  TraceLog trace_;
  std::vector<std::string> notices_;
  std::string source_path_;
  std::string last_folder_;
  std::vector<Symbol> symbols_;
  Debugger debugger_;
  uint64_t loop_start_steps_ = 0;  // executed_steps_ when the running loop began

  std::array<std::string, static_cast<int>(Label::kCount)> labels_;
  // The cycle count label while it shows a number: kept as the number, formatted when
  // read, so that the speed path does no text work.
  bool cycles_is_number_ = false;
  int32_t cycles_number_ = 0;

  uint64_t changes_ = 0;
  std::function<void(double)> wait_hook_;
  std::function<void()> pump_hook_;
  std::function<void()> alert_hook_;
};

}  // namespace scmp
