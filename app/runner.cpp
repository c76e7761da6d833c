#include "app/runner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <optional>
#include <tuple>

#include <signal.h>

#include "app/command_line.h"
#include "core/hex.h"
#include "files/file_kind.h"
#include "trainer/data_dir.h"
#include "trainer/panel_model.h"

namespace scmp {

namespace {

constexpr const char* kUsage =
    "usage: scmp-run [--dir DIR] [--ram FILE] [--asm FILE]... [--src FILE]... [--hex FILE]...\n"
    "                [--switches HH] [--steps N] [--trace FILE] [--trace-limit MB]\n"
    "                [--save-ram FILE] [--break HHH]... [--watch HHH]... [--dump FROM-TO]\n"
    "                [--load-state FILE] [--save-state FILE] [--quiet] [--cycles] [--checks]\n";

constexpr const char* kHelp =
    "Runs an SC/MP program on the trainer's front panel model, without a window.\n"
    "\n"
    "  --dir DIR        data folder holding SCMP.DEL (default: $SCMP_DIR, else the\n"
    "                   Scmp folder beside this program, else your own copy in\n"
    "                   $XDG_DATA_HOME/scmp-trainer)\n"
    "  --ram FILE       load a memory image (*.RAM) first\n"
    "  --asm FILE       then load an assembler listing (*.ASM); may be repeated\n"
    "  --src FILE       assemble a source (*.s) and load it; diagnostics go to\n"
    "                   stderr as FILE:LINE:COL: error: message; may be repeated\n"
    "  --hex FILE       load an Intel HEX file; may be repeated. --asm, --src and\n"
    "                   --hex load in the order given\n"
    "  --switches HH    set the eight data switches to the hexadecimal byte HH\n"
    "  --steps N        pause count: stop after N instructions (default 10000000;\n"
    "                   0 = no pause, run until HALT)\n"
    "  --trace FILE     write the trace log to FILE\n"
    "  --trace-limit MB stop the trace log at MB megabytes (1 MB = 1,048,576\n"
    "                   bytes; 1..1000000, default 1024) with a last line\n"
    "                   ------Trace limit reached-------\n"
    "  --save-ram FILE  save the memory image after the run\n"
    "  --break HHH      stop before the instruction at hexadecimal address HHH;\n"
    "                   may be repeated\n"
    "  --watch HHH      stop after an instruction writes to HHH; may be repeated\n"
    "  --dump FROM-TO   after the run line, print the cells FROM..TO (hexadecimal),\n"
    "                   16 a line: \"0300: 01 01 00\"\n"
    "  --load-state FILE  start from a saved state instead of RST, in run mode\n"
    "                   with single step off; the options given here take\n"
    "                   precedence over the saved ones\n"
    "  --save-state FILE  save the state after the run\n"
    "  --quiet          print nothing after the run\n"
    "  --cycles         end the line with CYCLES=N, the data-sheet microcycles\n"
    "                   (1 us each on the board) of the instructions executed\n"
    "  --checks         warn on stderr, once per address, when the program reads a\n"
    "                   RAM cell never loaded nor written since RST, runs into\n"
    "                   empty memory, modifies itself, or writes outside RAM and\n"
    "                   the port: \"t.s:5: warning: ran into empty memory at 025\"\n"
    "\n"
    "The run: start-up, load the files, set the switches, press RST, SST\n"
    "(single step off) and Run / Prgm. The program runs from address 001 until a\n"
    "HALT, an undefined opcode or N instructions. DLY and slow mode do not wait.\n"
    "Then one line is printed:\n"
    "  A=00 E=00 SR=00 P0=0000 P1=0000 P2=0000 P3=0000 LEDS=00 FLAGS=0 HALT=1 STEPS=12\n"
    "LEDS is the byte on the data LEDs, FLAGS the flag LEDs (bit i = F i), HALT 1\n"
    "when the halt request is set, STEPS the instructions executed. When a\n"
    "breakpoint or a watchpoint stopped the run, STOP=BREAK or STOP=WATCH ends it.\n"
    "\n"
    "A load that dropped bytes, stored none or has warnings says so on stderr:\n"
    "what it stored (\"P.hex: 2 bytes, 001-002; 16 bytes dropped ...\"), one line\n"
    "per range of bytes dropped and why (outside the board's 4K, port, absent\n"
    "memory), and its warnings.\n"
    "\n"
    "SIGINT (Ctrl-C), SIGTERM or SIGHUP ends the run after the current\n"
    "instruction, also while waiting for a trace pipe's reader; the trace log\n"
    "is closed, the saves are made, the line is printed and the exit status is\n"
    "130, 143 or 129.\n"
    "\n"
    "Exit status: 0 when the run ended, 1 when a file cannot be read or written\n"
    "(the trace log and standard output included) or a source has errors\n"
    "(nothing is run then), 2 for bad options or an output that is the same\n"
    "file as an input (nothing is run or written then; --save-ram may name the\n"
    "--ram image and --save-state the --load-state file).\n";

// One file of --asm, --src or --hex, in command-line order.
struct Load {
  FileKind kind;
  std::string path;
};

struct Options {
  std::string dir;
  std::string ram;
  std::vector<Load> loads;
  std::optional<int> switches;
  std::optional<int32_t> steps;
  std::string trace;
  int32_t trace_limit_mb = 1024;
  std::string save_ram;
  std::vector<int> breaks, watches;
  std::optional<std::pair<int, int>> dump;
  std::string load_state, save_state;
  bool quiet = false;
  bool cycles = false;
  bool checks = false;
};

constexpr int32_t kDefaultSteps = 10000000;

// A memory address: 1 to 4 hexadecimal digits, 000..FFF.
std::optional<int> ParseAddress(std::string_view text) {
  const auto a = ParseHex(text, 4);
  if (!a || *a >= static_cast<unsigned>(kMemorySize)) return std::nullopt;
  return static_cast<int>(*a);
}

// Every address of `texts` into `out`; the first bad one, if any.
std::optional<std::string> ParseAddresses(const std::vector<std::string>& texts, std::vector<int>& out) {
  for (const std::string& text : texts) {
    const auto a = ParseAddress(text);
    if (!a) return text;
    out.push_back(*a);
  }
  return std::nullopt;
}

std::optional<std::pair<int, int>> ParseRange(const std::string& text) {
  const size_t dash = text.find('-');
  if (dash == std::string::npos) return std::nullopt;
  const auto from = ParseAddress(std::string_view(text).substr(0, dash));
  const auto to = ParseAddress(std::string_view(text).substr(dash + 1));
  if (!from || !to || *from > *to) return std::nullopt;
  return std::make_pair(*from, *to);
}

std::optional<int32_t> ParseSteps(const std::string& text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v > 1000000000) return std::nullopt;
  return static_cast<int32_t>(v);
}

// The files of the load options in the order they stand on the command
// line: CLI11 keeps each option's values apart, its parse order says which
// came when.
std::vector<Load> LoadsInOrder(const CLI::App& app, const std::vector<std::pair<const CLI::Option*, FileKind>>& options) {
  std::vector<Load> loads;
  std::vector<size_t> taken(options.size(), 0);
  for (const CLI::Option* parsed : app.parse_order())
    for (size_t i = 0; i < options.size(); ++i)
      if (parsed == options[i].first && taken[i] < parsed->results().size())
        loads.push_back({options[i].second, parsed->results()[taken[i]++]});
  return loads;
}

// Through the panel's one way in; the diagnostics of a source go to `err`,
// and the load's report too when it has more to say than that every byte
// was stored: dropped bytes, warnings, or nothing stored at all.
bool LoadFile(PanelModel& panel, const std::string& path, FileKind kind, std::ostream& err, std::string* error,
              std::vector<std::string>* included) {
  const FileLoad load = panel.LoadFile(path, kind);
  included->insert(included->end(), load.included.begin(), load.included.end());
  for (const Diagnostic& d : load.diagnostics) err << FormatDiagnostic(d) << "\n";
  const bool stores_bytes = load.kind != FileKind::kMemoryImage && load.kind != FileKind::kSavedState;
  if (load.lines.size() > 1 || (stores_bytes && load.bytes.stored() == 0))
    for (const std::string& line : load.lines) err << "scmp-run: " << line << "\n";
  if (!load.loaded) *error = load.error;
  return load.loaded;
}

std::vector<NamedFile> Inputs(const Options& o) {
  std::vector<NamedFile> files;
  if (!o.ram.empty()) files.push_back({"the memory image", o.ram, "image"});
  if (!o.load_state.empty()) files.push_back({"the saved state", o.load_state, "state"});
  for (const Load& load : o.loads) files.push_back({"the loaded file", load.path, "loaded"});
  return files;
}

std::vector<NamedFile> Outputs(const Options& o) {
  std::vector<NamedFile> files;
  if (!o.trace.empty()) files.push_back({"the trace log", o.trace, "trace"});
  if (!o.save_ram.empty()) files.push_back({"the memory image to save", o.save_ram, "image"});
  if (!o.save_state.empty()) files.push_back({"the state to save", o.save_state, "state"});
  return files;
}

// Reads the command line into `o`; an exit status when the program ends here
// (help, or a usage error).
std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& o, std::ostream& out,
                                std::ostream& err) {
  CLI::App app("", "scmp-run");
  std::string switches_text, steps_text, trace_limit_text, dump_text;
  std::vector<std::string> break_texts, watch_texts;
  // An empty file name would quietly mean "none".
  const CLI::Validator file_name(
      [](std::string& name) { return name.empty() ? std::string("a file name cannot be empty") : std::string(); },
      "FILE");
  AddDataDirOption(app, o.dir);
  app.add_option("--ram", o.ram)->check(file_name);
  std::vector<std::string> asms, srcs, hexes;
  auto add_load = [&](const char* name, std::vector<std::string>& paths) {
    return app.add_option(name, paths)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)->check(file_name);
  };
  auto* asm_option = add_load("--asm", asms);
  auto* src_option = add_load("--src", srcs);
  auto* hex_option = add_load("--hex", hexes);
  app.add_option("--switches", switches_text);
  app.add_option("--steps", steps_text);
  app.add_option("--trace", o.trace)->check(file_name);
  app.add_option("--trace-limit", trace_limit_text);
  app.add_option("--save-ram", o.save_ram)->check(file_name);
  app.add_option("--break", break_texts)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--watch", watch_texts)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--dump", dump_text);
  app.add_option("--load-state", o.load_state)->check(file_name);
  app.add_option("--save-state", o.save_state)->check(file_name);
  app.add_flag("--quiet", o.quiet);
  app.add_flag("--cycles", o.cycles);
  app.add_flag("--checks", o.checks);
  if (auto status = ParseArguments(app, args, kUsage, kHelp, out, err)) return status;
  o.loads = LoadsInOrder(app, {{asm_option, FileKind::kListing}, {src_option, FileKind::kSource},
                               {hex_option, FileKind::kIntelHex}});

  if (app.count("--switches") > 0) {
    const auto hh = ParseHex(switches_text, 2);
    if (!hh) {
      err << "scmp-run: --switches takes a hexadecimal byte 00..FF, not " << switches_text << "\n" << kUsage;
      return 2;
    }
    o.switches = static_cast<int>(*hh);
  }
  if (app.count("--steps") > 0) {
    const auto n = ParseSteps(steps_text);
    if (!n) {
      err << "scmp-run: --steps takes a whole number 0..1000000000, not " << steps_text << "\n" << kUsage;
      return 2;
    }
    o.steps = *n;
  }
  if (app.count("--trace-limit") > 0) {
    const auto mb = ParseSteps(trace_limit_text);
    if (!mb || *mb < 1 || *mb > kMaxTraceLimitMb) {
      err << "scmp-run: --trace-limit takes a whole number of MB 1.." << kMaxTraceLimitMb << ", not "
          << trace_limit_text << "\n" << kUsage;
      return 2;
    }
    o.trace_limit_mb = *mb;
  }
  for (auto [option, texts, list] : {std::tuple{"--break", &break_texts, &o.breaks}, std::tuple{"--watch", &watch_texts, &o.watches}}) {
    if (const auto bad = ParseAddresses(*texts, *list)) {
      err << "scmp-run: " << option << " takes a hexadecimal address 000..FFF, not " << *bad << "\n" << kUsage;
      return 2;
    }
  }
  if (app.count("--dump") > 0) {
    o.dump = ParseRange(dump_text);
    if (!o.dump) {
      err << "scmp-run: --dump takes FROM-TO, two hexadecimal addresses 000..FFF with FROM <= TO, not " << dump_text
          << "\n" << kUsage;
      return 2;
    }
  }
  if (const std::string clash = FileClash(Inputs(o), Outputs(o)); !clash.empty()) {
    err << "scmp-run: " << clash << "; nothing was run or written.\n";
    return 2;
  }
  return std::nullopt;
}

// The saved state with the command line's options in its place: the pause
// count, the switches, breakpoints and watchpoints when given; the trace
// log only from --trace.
bool LoadStartState(PanelModel& panel, const Options& o, std::string* error) {
  SavedState state;
  if (!LoadStateFile(o.load_state, &state, error)) return false;
  if (o.steps) state.options.pause_count = *o.steps;
  if (o.switches)
    for (int i = 0; i < 8; ++i) state.data_switches[i] = ((*o.switches >> i) & 1) != 0;
  if (!o.breaks.empty()) state.breakpoints = o.breaks;
  if (!o.watches.empty()) state.watchpoints = o.watches;
  state.options.trace_on = false;
  return panel.ApplyState(state, error);
}

// Start-up, the files and the switches, as a user would set them up in the
// window. False with the message in `error`. `read` gets every file read
// besides those named: the instruction table and each included file.
bool Prepare(PanelModel& panel, const Options& o, const std::string& exe_path, std::ostream& err,
             std::string* error, std::vector<NamedFile>* read) {
  panel.SetWaitHook([](double) {});  // a batch run does not wait
  const std::string data_dir = FindDataDir(o.dir, exe_path, err, error);
  if (data_dir.empty() || !panel.StartUp(data_dir, error)) return false;
  read->push_back(InstructionTableFile(data_dir));
  std::vector<std::string> included;
  if (!o.load_state.empty() && !LoadStartState(panel, o, error)) return false;
  if (!o.ram.empty() && !LoadFile(panel, o.ram, FileKind::kMemoryImage, err, error, &included)) return false;
  for (const Load& load : o.loads)
    if (!LoadFile(panel, load.path, load.kind, err, error, &included)) return false;
  AddInputs(read, included, "the included file");
  panel.SetTraceLimit(o.trace_limit_mb);
  const int switches = o.switches.value_or(o.load_state.empty() ? 0 : panel.SwitchData());
  for (int i = 0; i < 8; ++i)
    if (panel.DataSwitch(i) != (((switches >> i) & 1) != 0)) panel.ToggleDataSwitch(i);
  for (int a : o.breaks) panel.SetBreakpoint(a, true);
  for (int a : o.watches) panel.SetWatchpoint(a, true);
  return true;
}

struct RunCounts {
  uint64_t steps = 0;
  uint64_t microcycles = 0;
};

// RST, single step off, Run / Prgm; the steps the run executed and their
// microcycles.
RunCounts Run(PanelModel& panel, int32_t steps) {
  panel.MutableOptions().pause_count = steps;
  panel.Reset();
  panel.ToggleSingleStep();
  const uint64_t before = panel.ExecutedSteps();
  const uint64_t microcycles_before = panel.Cpu().microcycles;
  panel.RunOrProgram();
  return {panel.ExecutedSteps() - before, panel.Cpu().microcycles - microcycles_before};
}

// From a loaded state: on in run mode with single step off, as the run that
// saved it would have gone on. A halted machine stays where it is.
RunCounts RunOn(PanelModel& panel) {
  if (panel.SingleStepMode()) panel.ToggleSingleStep();
  const uint64_t before = panel.ExecutedSteps();
  const uint64_t microcycles_before = panel.Cpu().microcycles;
  if (!panel.RunMode())
    panel.RunOrProgram();
  else if (!panel.HaltRequested())
    panel.StepOrStart();
  return {panel.ExecutedSteps() - before, panel.Cpu().microcycles - microcycles_before};
}

void PrintRunLine(const PanelModel& panel, const RunCounts& counts, bool with_cycles, std::ostream& out) {
  const MachineState& s = panel.State();
  int leds = 0;
  for (int i = 0; i < 8; ++i) leds |= panel.LedState(i) ? 1 << i : 0;
  int flags = 0;
  for (int i = 0; i < 3; ++i) flags |= panel.FlagLedState(i) ? 1 << i : 0;
  auto byte = [](int v) { return Hex(static_cast<unsigned>(v), 2); };
  auto word = [](int v) { return Hex(static_cast<unsigned>(v), 4); };
  out << "A=" << byte(s.A) << " E=" << byte(s.E) << " SR=" << byte(s.SR) << " P0=" << word(s.P[0])
      << " P1=" << word(s.P[1]) << " P2=" << word(s.P[2]) << " P3=" << word(s.P[3]) << " LEDS=" << byte(leds)
      << " FLAGS=" << flags << " HALT=" << (panel.HaltRequested() ? 1 : 0) << " STEPS=" << counts.steps;
  if (with_cycles) out << " CYCLES=" << counts.microcycles;
  if (panel.Debug().LastStop() == StopReason::kBreakpoint) out << " STOP=BREAK";
  if (panel.Debug().LastStop() == StopReason::kWatchpoint) out << " STOP=WATCH";
  out << "\n";
}

// Rows of 16 cells from `from`: "0300: 01 01 00", each cell's low 8 bits.
void PrintDump(PanelModel& panel, int from, int to, std::ostream& out) {
  for (int row = from; row <= to; row += 16) {
    out << Hex(static_cast<unsigned>(row), 4) << ":";
    for (int a = row; a <= std::min(to, row + 15); ++a) out << " " << Hex(static_cast<unsigned>(panel.Memory().data[a]), 2);
    out << "\n";
  }
}

void PrintNotices(PanelModel& panel, std::ostream& err) {
  for (const std::string& notice : panel.TakeNotices()) err << "scmp-run: " << notice << "\n";
}

// The memory checks' new warnings, with the source line when a source was
// loaded; the same text as the window's message list.
void PrintCheckWarnings(PanelModel& panel, std::ostream& err) {
  for (const CheckWarning& warning : panel.Checks().TakeNew()) {
    const std::string message = CheckMessage(warning, panel.Lines());
    err << (message.starts_with("warning:") ? "scmp-run: " : "") << message << "\n";
  }
}

// SIGINT, SIGTERM and SIGHUP end the run as HLT would, after the current
// step: the handler only notes the signal, and the panel's pump hook, which
// the loop calls between chunks of steps, ends the run. A wait for a trace
// pipe asks too. A second signal ends the program at once, should it be
// stuck elsewhere.
std::atomic<int> g_stop_signal{0};

extern "C" void NoteStopSignal(int signal_number) {
  int none = 0;
  if (!g_stop_signal.compare_exchange_strong(none, signal_number)) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
  }
}

class StopSignals {
 public:
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

  StopSignals() {
    g_stop_signal = 0;
    struct sigaction action {};
    action.sa_handler = NoteStopSignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &old_[i]);
  }
  ~StopSignals() {
    for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &old_[i], nullptr);
  }
  // 128 + the signal's number once one came, else `status`.
  static bool Caught() { return g_stop_signal != 0; }
  static int ExitStatus(int status) { return g_stop_signal != 0 ? 128 + g_stop_signal : status; }

 private:
  std::array<struct sigaction, kSignals.size()> old_{};
};

}  // namespace

int RunBatch(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
             std::ostream& err) {
  Options o;
  if (auto status = ParseOptions(args, o, out, err)) return *status;

  PanelModel panel;
  StopSignals signals;
  panel.Trace().SetCancelCheck(&StopSignals::Caught);
  // Between chunks of steps: a signal ends the run, and a trace log that
  // stopped is reported at once, not only after a run that may be long.
  panel.SetPumpHook([&panel, &err] {
    if (StopSignals::Caught()) panel.AbortRun();
    if (panel.HasNotices()) PrintNotices(panel, err);
    if (panel.Checks().HasNew()) PrintCheckWarnings(panel, err);
  });
  std::string error;
  std::vector<NamedFile> read;
  if (!Prepare(panel, o, exe_path, err, &error, &read)) {
    PrintNotices(panel, err);
    err << "scmp-run: " << error << "\n";
    return StopSignals::ExitStatus(1);
  }
  if (const std::string clash = FileClash(read, Outputs(o)); !clash.empty()) {
    err << "scmp-run: " << clash << "; nothing was run or written.\n";
    return 2;
  }
  if (!o.trace.empty() && !panel.EnableTrace(o.trace, &error)) {
    PrintNotices(panel, err);
    err << "scmp-run: " << error << "\n";
    return StopSignals::ExitStatus(1);
  }
  PrintNotices(panel, err);
  panel.SetChecking(o.checks);
  const RunCounts counts = o.load_state.empty() ? Run(panel, o.steps.value_or(kDefaultSteps)) : RunOn(panel);

  int status = 0;
  if (!o.save_ram.empty() && !panel.SaveMemoryImage(o.save_ram, &error)) {
    err << "scmp-run: " << error << "\n";
    status = 1;
  }
  if (!o.save_state.empty() && !panel.SaveState(o.save_state, &error)) {
    err << "scmp-run: " << error << "\n";
    status = 1;
  }
  panel.CloseTrace();
  if (panel.TraceWriteFailed()) status = 1;
  PrintNotices(panel, err);
  PrintCheckWarnings(panel, err);
  if (!o.quiet) {
    PrintRunLine(panel, counts, o.cycles, out);
    if (o.dump) PrintDump(panel, o.dump->first, o.dump->second, out);
  }
  if (!FlushOutput(out, err, "scmp-run")) status = 1;
  return StopSignals::ExitStatus(status);
}

}  // namespace scmp
