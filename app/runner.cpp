#include "app/runner.h"

#include <optional>

#include "app/command_line.h"
#include "core/hex.h"
#include "trainer/panel_model.h"

namespace scmp {

namespace {

constexpr const char* kUsage =
    "usage: scmp-run [--dir DIR] [--ram FILE] [--asm FILE]... [--switches HH] [--steps N]\n"
    "                [--trace FILE] [--save-ram FILE] [--quiet] [--cycles]\n";

constexpr const char* kHelp =
    "Runs an SC/MP program on the trainer's front panel model, without a window.\n"
    "\n"
    "  --dir DIR        data folder holding SCMP.DEL (default: $SCMP_DIR, else the\n"
    "                   Scmp folder beside this program)\n"
    "  --ram FILE       load a memory image (*.RAM) first\n"
    "  --asm FILE       then load an assembler listing (*.ASM); may be repeated\n"
    "  --switches HH    set the eight data switches to the hexadecimal byte HH\n"
    "  --steps N        pause count: stop after N instructions (default 10000000;\n"
    "                   0 = no pause, run until HALT)\n"
    "  --trace FILE     write the trace log to FILE\n"
    "  --save-ram FILE  save the memory image after the run\n"
    "  --quiet          print nothing after the run\n"
    "  --cycles         end the line with CYCLES=N, the data-sheet microcycles\n"
    "                   (1 us each on the board) of the instructions executed\n"
    "\n"
    "The run: start-up, load the files, set the switches, press RST, SST\n"
    "(single step off) and Run / Prgm. The program runs from address 001 until a\n"
    "HALT, an undefined opcode or N instructions. DLY and slow mode do not wait.\n"
    "Then one line is printed:\n"
    "  A=00 E=00 SR=00 P0=0000 P1=0000 P2=0000 P3=0000 LEDS=00 FLAGS=0 HALT=1 STEPS=12\n"
    "LEDS is the byte on the data LEDs, FLAGS the flag LEDs (bit i = F i), HALT 1\n"
    "when the halt request is set, STEPS the instructions executed.\n"
    "\n"
    "Exit status: 0 when the run ended, 1 when a file cannot be read or written,\n"
    "2 for bad options.\n";

struct Options {
  std::string dir;
  std::string ram;
  std::vector<std::string> asms;
  int switches = 0;
  int32_t steps = 10000000;
  std::string trace;
  std::string save_ram;
  bool quiet = false;
  bool cycles = false;
};

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
  std::string switches_text, steps_text;
  AddDataDirOption(app, o.dir);
  app.add_option("--ram", o.ram);
  app.add_option("--asm", o.asms)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--switches", switches_text);
  app.add_option("--steps", steps_text);
  app.add_option("--trace", o.trace);
  app.add_option("--save-ram", o.save_ram);
  app.add_flag("--quiet", o.quiet);
  app.add_flag("--cycles", o.cycles);
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
  return std::nullopt;
}

// Start-up, the files, the switches and the trace log, as a user would set
// them up in the window. False with the message in `error`.
bool Prepare(PanelModel& panel, const Options& o, const std::string& exe_path, std::string* error) {
  panel.SetWaitHook([](double) {});  // a batch run does not wait
  if (!panel.StartUp(DataDirFor(o.dir, exe_path), error)) return false;
  if (!o.ram.empty() && !panel.LoadMemoryImage(o.ram, error)) return false;
  for (const std::string& listing : o.asms)
    if (!panel.LoadListing(listing, error)) return false;
  for (int i = 0; i < 8; ++i)
    if (panel.DataSwitch(i) != (((o.switches >> i) & 1) != 0)) panel.ToggleDataSwitch(i);
  return o.trace.empty() || panel.EnableTrace(o.trace, error);
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
  out << "\n";
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
             std::ostream& err) {
  Options o;
  if (auto status = ParseOptions(args, o, out, err)) return *status;

  PanelModel panel;
  std::string error;
  if (!Prepare(panel, o, exe_path, &error)) {
    err << "scmp-run: " << error << "\n";
    return 1;
  }
  const RunCounts counts = Run(panel, o.steps);

  int status = 0;
  if (!o.save_ram.empty() && !panel.SaveMemoryImage(o.save_ram, &error)) {
    err << "scmp-run: " << error << "\n";
    status = 1;
  }
  panel.CloseTrace();
  if (!o.quiet) PrintRunLine(panel, counts, o.cycles, out);
  return status;
}

}  // namespace scmp
