// The trainer as the web page drives it: one panel model and the grader,
// behind calls that take and give plain text (JSON for anything with
// parts), so that the page holds no board, assembler or grader logic of
// its own. A page's main thread must never block, so every run goes in
// slices: a press that starts a loop runs it for one slice, and the page
// calls Slice() once an animation frame while Live() says the loop goes on.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "grader/grade.h"
#include "grader/program_load.h"
#include "grader/test_file.h"
#include "trainer/panel_model.h"

namespace scmp::web {

class WebTrainer {
 public:
  // `data_dir` holds SCMP.DEL (and Samples/), ending in a separator.
  explicit WebTrainer(const std::string& data_dir);
  const std::string& StartError() const { return start_error_; }

  // ---- The panel ----------------------------------------------------------
  // "RST", "HLT", "SST", "RUN" (Run/Prgm), "STEP" (Step/Start), "LATCH",
  // "UP", "DOWN" (the address switches one up or down). True when it
  // started a loop that goes on in the next slice.
  bool Press(const std::string& control);
  void ToggleAddressSwitch(int index);
  void ToggleDataSwitch(int index);
  // 0 = Unlimited, else times the board's own speed.
  void SetSpeed(int factor);
  // The instructions a run goes before it pauses, 0..1000000000; 0 = no pause.
  void SetPauseCount(int count);
  // Goes on with a live loop for at most `budget_ms` of wall time, and for
  // `budget_ms` of emulated time at a paced speed. True while it goes on.
  bool Slice(double budget_ms);
  bool Live() const { return live_; }
  // The editor's Stop: a live loop ends at once, halted as HLT halts it.
  void Stop();
  // Every lamp, label and register as JSON, and the state line.
  std::string PanelJson();
  std::string StateLine() const;
  std::string LampsLine() const;

  // ---- Programs -------------------------------------------------------------
  // Assembles the editor's text (named `name` in diagnostics) and loads it
  // when it has no errors: JSON with ok, error, report, diagnostics.
  std::string Assemble(const std::string& name, const std::string& text);
  // Loads a file the page has written into the file system, by its
  // extension as the desktop does: JSON with ok, kind, error, lines.
  std::string LoadFile(const std::string& path);
  // Assembles the source the page wrote at `source_path` as scmp-asm does
  // and writes its listing, RAM image and Intel HEX at `out_stem` + ".ASM",
  // ".RAM", ".hex": JSON with ok and error (scmp-asm's messages).
  std::string Export(const std::string& source_path, const std::string& out_stem);

  // ---- Debugging -------------------------------------------------------------
  void SetHistory(bool on) { model_.SetHistoryRecording(on); }
  // Toggles the breakpoint on the first instruction of a source line; the
  // address, or -1 when the line placed none (or the map does not match).
  int ToggleLineBreakpoint(const std::string& text, int line);
  bool ToggleBreakpoint(int address);
  // "" when set, else what is wrong.
  std::string Watch(const std::string& name_or_address);
  bool Unwatch(int address);
  bool StepOne();
  bool StepOver();
  bool Continue();
  bool StepBack();
  // The editor line P0 leads to, when `text` is the text assembled; else 0.
  int NextLine(const std::string& text) const;
  // Breakpoints, watchpoints, the stop summary as JSON.
  std::string DebugJson() const;
  // `count` cells from `from` (wrapping): value and whether the last run or
  // step changed it.
  std::string MemoryJson(int from, int count) const;
  // The disassembly around `focus` (-1: P0) with labels and source lines.
  std::string CodeJson(int focus) const;
  bool StoreCell(int address, int value);

  // ---- Tests -------------------------------------------------------------------
  // Grades the program at `program_path` with the test file at `test_path`:
  // the JSON report scmp-test writes, with each test's failing moment.
  std::string RunTests(const std::string& test_path, const std::string& program_path);
  // Replays test `index` of the last RunTests to its failing moment on
  // the panel; "" when done, else why not.
  std::string Show(int index);

  // The mnemonics the editor colours: those of the instruction table in
  // force that the assembler knows, as the desktop editor's highlighter.
  std::string MnemonicsJson() const;

  PanelModel& Model() { return model_; }

 private:
  bool Begin(const std::function<void()>& start);
  void OnPump();
  void OnSleep(std::chrono::steady_clock::duration d);

  PanelModel model_;
  std::string start_error_;
  bool live_ = false;
  bool sliced_ = false;  // the loop that just ended was cut short by a slice's end
  std::chrono::steady_clock::time_point deadline_{};
  // The paced speeds run on a clock of their own: it moves only by the
  // waits the model asks for, and a slice may wait its budget away.
  std::chrono::steady_clock::time_point virtual_now_{};
  std::chrono::steady_clock::duration wait_budget_{};

  grader::TestFile tests_;
  grader::ProgramImage image_;
  std::vector<grader::ProgramResult> results_;
};

}  // namespace scmp::web
