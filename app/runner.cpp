#include "app/runner.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "app/command_line.h"
#include "core/hex.h"
#include "trainer/data_dir.h"
#include "trainer/panel_model.h"

namespace scmp {

namespace {

constexpr const char* kUsage =
    "usage: scmp-run [--dir DIR] [--ram FILE] [--asm FILE]... [--switches HH] [--steps N]\n"
    "                [--trace FILE] [--save-ram FILE] [--break HHH]... [--watch HHH]...\n"
    "                [--dump FROM-TO] [--load-state FILE] [--save-state FILE] [--quiet]\n";

constexpr const char* kHelp =
    "Runs an SC/MP program on the trainer's front panel model, without a window.\n"
    "\n"
    "  --dir DIR        data folder holding SCMP.DEL (default: $SCMP_DIR, else the\n"
    "                   Scmp folder beside this program, else your own copy in\n"
    "                   $XDG_DATA_HOME/scmp-trainer)\n"
    "  --ram FILE       load a memory image (*.RAM) first\n"
    "  --asm FILE       then load an assembler listing (*.ASM); may be repeated\n"
    "  --switches HH    set the eight data switches to the hexadecimal byte HH\n"
    "  --steps N        pause count: stop after N instructions (default 10000000;\n"
    "                   0 = no pause, run until HALT)\n"
    "  --trace FILE     write the trace log to FILE\n"
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
    "Exit status: 0 when the run ended, 1 when a file cannot be read or written,\n"
    "2 for bad options.\n";

struct Options {
  std::string dir;
  std::string ram;
  std::vector<std::string> asms;
  std::optional<int> switches;
  std::optional<int32_t> steps;
  std::string trace;
  std::string save_ram;
  std::vector<int> breaks, watches;
  std::optional<std::pair<int, int>> dump;
  std::string load_state, save_state;
  bool quiet = false;
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

// Reads the command line into `o`; an exit status when the program ends here
// (help, or a usage error).
std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& o, std::ostream& out,
                                std::ostream& err) {
  CLI::App app("", "scmp-run");
  std::string switches_text, steps_text, dump_text;
  std::vector<std::string> break_texts, watch_texts;
  AddDataDirOption(app, o.dir);
  app.add_option("--ram", o.ram);
  app.add_option("--asm", o.asms)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--switches", switches_text);
  app.add_option("--steps", steps_text);
  app.add_option("--trace", o.trace);
  app.add_option("--save-ram", o.save_ram);
  app.add_option("--break", break_texts)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--watch", watch_texts)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--dump", dump_text);
  app.add_option("--load-state", o.load_state);
  app.add_option("--save-state", o.save_state);
  app.add_flag("--quiet", o.quiet);
  if (auto status = ParseArguments(app, args, kUsage, kHelp, out, err)) return status;

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

// Start-up, the files, the switches and the trace log, as a user would set
// them up in the window. False with the message in `error`.
bool Prepare(PanelModel& panel, const Options& o, const std::string& exe_path, std::ostream& err,
             std::string* error) {
  panel.SetWaitHook([](double) {});  // a batch run does not wait
  const std::string data_dir = FindDataDir(o.dir, exe_path, err, error);
  if (data_dir.empty() || !panel.StartUp(data_dir, error)) return false;
  if (!o.load_state.empty() && !LoadStartState(panel, o, error)) return false;
  if (!o.ram.empty() && !panel.LoadMemoryImage(o.ram, error)) return false;
  for (const std::string& listing : o.asms)
    if (!panel.LoadListing(listing, error)) return false;
  const int switches = o.switches.value_or(o.load_state.empty() ? 0 : panel.SwitchData());
  for (int i = 0; i < 8; ++i)
    if (panel.DataSwitch(i) != (((switches >> i) & 1) != 0)) panel.ToggleDataSwitch(i);
  for (int a : o.breaks) panel.SetBreakpoint(a, true);
  for (int a : o.watches) panel.SetWatchpoint(a, true);
  return o.trace.empty() || panel.EnableTrace(o.trace, error);
}

// RST, single step off, Run / Prgm; the steps the run executed.
uint64_t Run(PanelModel& panel, int32_t steps) {
  panel.MutableOptions().pause_count = steps;
  panel.Reset();
  panel.ToggleSingleStep();
  const uint64_t before = panel.ExecutedSteps();
  panel.RunOrProgram();
  return panel.ExecutedSteps() - before;
}

// From a loaded state: on in run mode with single step off, as the run that
// saved it would have gone on. A halted machine stays where it is.
uint64_t RunOn(PanelModel& panel) {
  if (panel.SingleStepMode()) panel.ToggleSingleStep();
  const uint64_t before = panel.ExecutedSteps();
  if (!panel.RunMode())
    panel.RunOrProgram();
  else if (!panel.HaltRequested())
    panel.StepOrStart();
  return panel.ExecutedSteps() - before;
}

void PrintRunLine(const PanelModel& panel, uint64_t steps, std::ostream& out) {
  const MachineState& s = panel.State();
  int leds = 0;
  for (int i = 0; i < 8; ++i) leds |= panel.LedState(i) ? 1 << i : 0;
  int flags = 0;
  for (int i = 0; i < 3; ++i) flags |= panel.FlagLedState(i) ? 1 << i : 0;
  auto byte = [](int v) { return Hex(static_cast<unsigned>(v), 2); };
  auto word = [](int v) { return Hex(static_cast<unsigned>(v), 4); };
  out << "A=" << byte(s.A) << " E=" << byte(s.E) << " SR=" << byte(s.SR) << " P0=" << word(s.P[0])
      << " P1=" << word(s.P[1]) << " P2=" << word(s.P[2]) << " P3=" << word(s.P[3]) << " LEDS=" << byte(leds)
      << " FLAGS=" << flags << " HALT=" << (panel.HaltRequested() ? 1 : 0) << " STEPS=" << steps;
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

}  // namespace

int RunBatch(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
             std::ostream& err) {
  Options o;
  if (auto status = ParseOptions(args, o, out, err)) return *status;

  PanelModel panel;
  std::string error;
  if (!Prepare(panel, o, exe_path, err, &error)) {
    err << "scmp-run: " << error << "\n";
    return 1;
  }
  const uint64_t steps = o.load_state.empty() ? Run(panel, o.steps.value_or(kDefaultSteps)) : RunOn(panel);

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
  if (!o.quiet) {
    PrintRunLine(panel, steps, out);
    if (o.dump) PrintDump(panel, o.dump->first, o.dump->second, out);
  }
  return status;
}

}  // namespace scmp
