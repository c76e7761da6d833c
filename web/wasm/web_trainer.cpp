#include "web/wasm/web_trainer.h"

#include <nlohmann/json.hpp>
#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "app/asm_command.h"
#include "asm/opcode_map.h"
#include "core/hex.h"
#include "core/observed_step.h"
#include "grader/replay.h"
#include "grader/report.h"
#include "grader/test_runner.h"
#include "trainer/code_view.h"
#include "trainer/lamps_text.h"
#include "trainer/run_control.h"

namespace scmp::web {

namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// A slice's wall time, so that a frame of 16 ms keeps room to draw. The
// model calls the pump hook every 10 ms of running at most, so a slice ends
// at the first call after this: 8 to 18 ms.
constexpr auto kLongestSlice = std::chrono::milliseconds(8);
// The seed of the values randomize fills in, as scmp-test's default.
constexpr uint64_t kSeed = 1;

// Texts from files may hold bytes that are no UTF-8: replaced, not refused.
std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

Json DiagnosticsJson(const std::vector<Diagnostic>& diagnostics) {
  Json list = Json::array();
  for (const Diagnostic& d : diagnostics)
    list.push_back({{"file", d.file}, {"line", d.line}, {"column", d.column}, {"severity", SeverityName(d.severity)},
                    {"message", d.message}, {"text", FormatDiagnostic(d)}});
  return list;
}

constexpr const char* kLabelNames[] = {"delay", "trace", "pause", "speed", "cycles", "opcode", "amode",
                                       "register", "cflag", "oflag", "operation", "p0", "p1", "p2",
                                       "p3", "m1", "m2", "accu", "extension", "status", "rate"};
static_assert(std::size(kLabelNames) == static_cast<size_t>(Label::kCount));

}  // namespace

WebTrainer::WebTrainer(const std::string& data_dir) {
  model_.StartUp(data_dir, &start_error_);
  // DLY's waits pass at once at Unlimited speed, as in the batch runner;
  // the paced speeds wait on the slice clock below.
  model_.SetWaitHook([](double) {});
  model_.SetPumpHook([this] { OnPump(); });
  model_.Pacing().SetClock([this] { return virtual_now_; }, [this](Clock::duration d) { OnSleep(d); });
}

void WebTrainer::OnPump() {
  if (Clock::now() < deadline_) return;
  sliced_ = true;
  model_.AbortRun();
}

void WebTrainer::OnSleep(Clock::duration d) {
  virtual_now_ += d;
  wait_budget_ -= d;
  if (wait_budget_ <= Clock::duration::zero() || Clock::now() >= deadline_) {
    sliced_ = true;
    model_.AbortRun();
  }
}

// Runs `start` as one slice; the loop it began is live when a slice's end
// cut it short and nothing else would have ended it.
bool WebTrainer::Begin(const std::function<void()>& start) {
  sliced_ = false;
  deadline_ = Clock::now() + kLongestSlice;
  wait_budget_ = std::chrono::milliseconds(16);
  start();
  live_ = sliced_ && model_.RunMode() && !model_.HaltRequested() && !model_.SingleStepMode() && !model_.Paused() &&
          model_.Debug().LastStop() == StopReason::kAborted;
  return live_;
}

bool WebTrainer::Slice(double budget_ms) {
  if (!live_) return false;
  const auto budget = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(
      std::clamp(budget_ms, 0.0, 100.0)));
  return Begin([&] {
    deadline_ = Clock::now() + std::min<Clock::duration>(budget, kLongestSlice);
    wait_budget_ = budget;
    model_.RunSteps();
  });
}

void WebTrainer::Stop() {
  if (!live_) return;
  live_ = false;
  if (!model_.HaltRequested()) model_.Halt();
}

bool WebTrainer::Press(const std::string& control) {
  if (control == "RST") {
    // A live program starts again from the top, as RST does on the board.
    model_.Reset();
  } else if (control == "HLT") {
    model_.Halt();
    if (model_.HaltRequested()) live_ = false;
  } else if (control == "SST") {
    model_.ToggleSingleStep();
    if (model_.SingleStepMode()) live_ = false;
  } else if (control == "RUN") {
    if (!live_) return Begin([&] { model_.RunOrProgram(); });
  } else if (control == "STEP") {
    if (!live_) return Begin([&] { model_.StepOrStart(); });
  } else if (control == "LATCH") {
    model_.Latch();
  } else if (control == "UP") {
    model_.StepAddress(1);
  } else if (control == "DOWN") {
    model_.StepAddress(-1);
  }
  return live_;
}

void WebTrainer::ToggleAddressSwitch(int index) {
  if (index >= 0 && index < 12) model_.ToggleAddressSwitch(index);
}

void WebTrainer::ToggleDataSwitch(int index) {
  if (index >= 0 && index < 8) model_.ToggleDataSwitch(index);
}

void WebTrainer::SetSpeed(int factor) {
  for (int s : PanelModel::kSpeeds)
    if (s == factor) model_.SetSpeed(factor);
}

void WebTrainer::SetPauseCount(int count) { model_.MutableOptions().pause_count = std::clamp(count, 0, 1000000000); }

std::string WebTrainer::StateLine() const {
  const MachineState& s = model_.State();
  int leds = 0, flags = 0;
  for (int i = 0; i < 8; ++i) leds |= model_.LedState(i) ? 1 << i : 0;
  for (int i = 0; i < 3; ++i) flags |= model_.FlagLedState(i) ? 1 << i : 0;
  auto byte = [](int v) { return Hex(static_cast<unsigned>(v), 2); };
  auto word = [](int v) { return Hex(static_cast<unsigned>(v), 4); };
  return "A=" + byte(s.A) + " E=" + byte(s.E) + " SR=" + byte(s.SR) + " P0=" + word(s.P[0]) + " P1=" + word(s.P[1]) +
         " P2=" + word(s.P[2]) + " P3=" + word(s.P[3]) + " LEDS=" + byte(leds) + " FLAGS=" + std::to_string(flags) +
         " HALT=" + (model_.HaltRequested() ? "1" : "0");
}

std::string WebTrainer::LampsLine() const { return LampsText(model_); }

std::string WebTrainer::PanelJson() {
  model_.SampleLampShares();
  Json leds = Json::array(), flags = Json::array(), address = Json::array(), data = Json::array();
  for (int i = 0; i < 8; ++i)
    leds.push_back({{"on", model_.LedState(i)}, {"share", model_.LampShare(Lamp::kLed, i)}});
  for (int i = 0; i < 3; ++i)
    flags.push_back({{"on", model_.FlagLedState(i)}, {"share", model_.LampShare(Lamp::kFlagLed, i)}});
  for (int i = 0; i < 12; ++i) address.push_back(model_.AddressSwitch(i));
  for (int i = 0; i < 8; ++i) data.push_back(model_.DataSwitch(i));
  Json labels = Json::object();
  for (int i = 0; i < static_cast<int>(Label::kCount); ++i) labels[kLabelNames[i]] = model_.LabelText(static_cast<Label>(i));
  const MachineState& s = model_.State();
  return Dump({{"leds", leds},
               {"flags", flags},
               {"address", address},
               {"data", data},
               {"halt", model_.LampOn(Lamp::kHaltLed)},
               {"sst", model_.SingleStepMode()},
               {"run", model_.RunMode()},
               {"live", live_},
               {"labels", labels},
               {"registers", {{"A", s.A}, {"E", s.E}, {"SR", s.SR}, {"P0", s.P[0]}, {"P1", s.P[1]}, {"P2", s.P[2]}, {"P3", s.P[3]}}},
               {"state", StateLine()},
               {"lamps", LampsLine()},
               {"stop", model_.Debug().StopSummary()},
               {"steps", model_.StepsSinceReset()},
               {"microcycles", model_.MicrocyclesSinceReset()},
               {"speed", model_.Options().speed_factor},
               {"pause", model_.Options().pause_count},
               {"history", model_.Debug().Steps().Size()}});
}

std::string WebTrainer::Assemble(const std::string& name, const std::string& text) {
  Stop();
  SourceLoad result;
  const bool ok = model_.AssembleText(name, text, &result);
  return Dump({{"ok", ok}, {"error", result.error}, {"report", result.report}, {"diagnostics", DiagnosticsJson(result.diagnostics)}});
}

std::string WebTrainer::LoadFile(const std::string& path) {
  Stop();
  const FileLoad r = model_.LoadFile(path);
  return Dump({{"ok", r.loaded}, {"kind", static_cast<int>(r.kind)}, {"error", r.error}, {"lines", r.lines},
               {"diagnostics", DiagnosticsJson(r.diagnostics)}});
}

std::string WebTrainer::Export(const std::string& source_path, const std::string& out_stem) {
  std::ostringstream out, err;
  const int rc = RunAssembler({"--dir", model_.DataDir(), source_path, "-o", out_stem + ".ASM", "--ram", out_stem + ".RAM", "--hex",
                               out_stem + ".hex"},
                              "scmp-asm", out, err);
  return Dump({{"ok", rc == 0}, {"error", err.str()}});
}

int WebTrainer::ToggleLineBreakpoint(const std::string& text, int line) {
  if (!model_.Lines().Matches(text)) return -2;
  const int address = model_.Lines().FirstInstruction(line);
  if (address < 0) return -1;
  model_.SetBreakpoint(address, !model_.Debug().IsBreakpoint(address));
  return address;
}

bool WebTrainer::ToggleBreakpoint(int address) {
  if (address < 0 || address >= kMemorySize) return false;
  return model_.SetBreakpoint(address, !model_.Debug().IsBreakpoint(address));
}

std::string WebTrainer::Watch(const std::string& name_or_address) { return model_.WatchSymbol(name_or_address); }

bool WebTrainer::Unwatch(int address) { return address >= 0 && address < kMemorySize && model_.SetWatchpoint(address, false); }

bool WebTrainer::StepOne() {
  Stop();
  return Begin([&] { scmp::StepOne(model_); });
}

bool WebTrainer::StepOver() {
  Stop();
  return Begin([&] { scmp::StepOver(model_); });
}

bool WebTrainer::Continue() {
  if (live_) return true;
  return Begin([&] { scmp::Continue(model_); });
}

bool WebTrainer::StepBack() {
  Stop();
  return model_.StepBack();
}

int WebTrainer::NextLine(const std::string& text) const {
  if (!model_.Lines().Matches(text)) return 0;
  const SourcePlace place = NextInstructionPlace(model_);
  return place.file == model_.Lines().MainFile() ? place.line : 0;
}

std::string WebTrainer::DebugJson() const {
  const Debugger& d = model_.Debug();
  Json breaks = Json::array(), watches = Json::array();
  for (const auto& [address, b] : d.BreakpointList())
    breaks.push_back({{"address", address}, {"line", model_.Lines().PlaceOf(address).line}, {"enabled", b.enabled},
                      {"hits", b.hits}, {"condition", b.condition ? b.condition->Text() : ""}});
  for (const auto& [address, w] : d.WatchpointList())
    watches.push_back({{"address", address}, {"symbol", w.symbol}, {"enabled", w.enabled}, {"hits", w.hits}});
  return Dump({{"breakpoints", breaks}, {"watchpoints", watches}, {"stop", d.StopSummary()}});
}

std::string WebTrainer::MemoryJson(int from, int count) const {
  Json cells = Json::array();
  const MemoryArray& memory = model_.Cpu().memory;
  for (int i = 0; i < std::clamp(count, 0, kMemorySize); ++i) {
    const int a = ((from + i) % kMemorySize + kMemorySize) % kMemorySize;
    cells.push_back({memory.data[a] & 0xFF, model_.Debug().CellChanged(memory, a)});
  }
  return Dump(cells);
}

std::string WebTrainer::CodeJson(int focus) const {
  const int next = NextOpcodeAddress(model_.State().P[0]);
  const auto lines = CodeAround(model_.Cpu().memory, model_.Cpu().table(), model_.Debug(), focus < 0 ? next : focus, next, 12, 40);
  Json list = Json::array();
  for (const CodeLine& l : lines)
    list.push_back({{"address", l.address}, {"bytes", l.bytes}, {"instruction", l.instruction}, {"symbol", l.symbol},
                    {"line", l.source_line}, {"source", l.source}, {"next", l.next}, {"breakpoint", l.breakpoint}});
  return Dump(list);
}

bool WebTrainer::StoreCell(int address, int value) {
  return address >= 0 && address < kMemorySize && value >= 0 && value <= 0xFF && model_.StoreCell(address, value);
}

std::string WebTrainer::RunTests(const std::string& test_path, const std::string& program_path) {
  results_.clear();
  tests_ = {};
  std::vector<Diagnostic> diagnostics;
  if (!grader::ReadTestFile(test_path, &model_.Cpu().table(), &tests_, &diagnostics))
    return Dump({{"ok", false}, {"diagnostics", DiagnosticsJson(diagnostics)}});
  // The program is loaded on a board of its own: the panel keeps what it shows.
  PanelModel loader;
  std::string error;
  if (!loader.StartUp(model_.DataDir(), &error)) return Dump({{"ok", false}, {"error", error}});
  image_ = {};
  diagnostics.clear();
  if (grader::LoadProgram(loader, program_path, &image_, &diagnostics, &error)) {
    grader::TestRunner runner(loader.Cpu().table());
    results_.push_back(grader::GradeProgram(runner, tests_, image_, kSeed));
  } else {
    results_.push_back(grader::UnloadedProgram(tests_, program_path, error));
  }
  const grader::ProgramResult& program = results_.front();
  Json tests = Json::array();
  for (const grader::TestResult& t : program.tests) {
    const auto moment = t.FailedAt();
    tests.push_back({{"name", t.test->name}, {"passed", t.passed}, {"line", grader::TestLine(program, t)},
                     {"failure", t.passed ? "" : grader::FailureText(program, t)}, {"showable", moment.has_value()}});
  }
  return Dump({{"ok", true},
               {"summary", grader::SummaryLine(program)},
               {"score", program.score},
               {"max_score", program.max_score},
               {"tests", tests},
               {"load_error", program.load_error},
               {"diagnostics", DiagnosticsJson(diagnostics)},
               {"report", Json::parse(grader::JsonReport(results_), nullptr, false)}});
}

std::string WebTrainer::Show(int index) {
  if (results_.empty() || index < 0 || index >= static_cast<int>(results_.front().tests.size()))
    return "Run the tests first.";
  const grader::TestResult& t = results_.front().tests[static_cast<size_t>(index)];
  const auto moment = t.FailedAt();
  if (!moment) return "This test has no failing moment to show.";
  Stop();
  std::string error;
  if (!grader::ReplayTo(model_, image_, *t.test, kSeed, *moment, &error)) return error;
  return "";
}

std::string WebTrainer::MnemonicsJson() const {
  std::set<std::string> names;
  for (const InstructionRecord& record : model_.Cpu().table().records) {
    if (record.IsUndefined()) continue;
    std::string name(record.Mnemonic.data(), record.Mnemonic.size());
    name.erase(name.find_last_not_of(' ') + 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool two_bytes = false;
    if (!name.empty() && assembler::OpcodeMap::OperationOf(name, &two_bytes) != Op::kNothing) names.insert(name);
  }
  return Dump(names);
}

}  // namespace scmp::web
