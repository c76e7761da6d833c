#include "app/runner.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "trainer/data_dir.h"
#include "trainer/panel_model.h"

namespace scmp {

namespace {

constexpr const char* kUsage =
    "usage: scmp-run [--dir DIR] [--ram FILE] [--asm FILE]... [--switches HH] [--steps N]\n"
    "                [--trace FILE] [--save-ram FILE] [--quiet]\n";

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
};

std::optional<int> ParseHexByte(const std::string& text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int v = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return std::nullopt;
    v = v * 16 + digit;
  }
  return v;
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

std::string Hex(int value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<unsigned>(value) & (digits == 2 ? 0xFFu : 0xFFFFu));
  return buf;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, const std::string& exe_path, std::ostream& out,
             std::ostream& err) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out << kUsage << "\n" << kHelp;
      return 0;
    }
    if (a == "--quiet") {
      o.quiet = true;
      continue;
    }
    const bool takes_value = a == "--dir" || a == "--ram" || a == "--asm" || a == "--switches" || a == "--steps" ||
                             a == "--trace" || a == "--save-ram";
    if (!takes_value) {
      err << "scmp-run: unknown option " << a << "\n" << kUsage;
      return 2;
    }
    if (i + 1 >= args.size()) {
      err << "scmp-run: " << a << " needs a value\n" << kUsage;
      return 2;
    }
    const std::string& v = args[++i];
    if (a == "--dir") o.dir = v;
    else if (a == "--ram") o.ram = v;
    else if (a == "--asm") o.asms.push_back(v);
    else if (a == "--trace") o.trace = v;
    else if (a == "--save-ram") o.save_ram = v;
    else if (a == "--switches") {
      const auto hh = ParseHexByte(v);
      if (!hh) {
        err << "scmp-run: --switches takes a hexadecimal byte 00..FF, not " << v << "\n" << kUsage;
        return 2;
      }
      o.switches = *hh;
    } else if (a == "--steps") {
      const auto n = ParseSteps(v);
      if (!n) {
        err << "scmp-run: --steps takes a whole number 0..1000000000, not " << v << "\n" << kUsage;
        return 2;
      }
      o.steps = *n;
    }
  }

  PanelModel panel;
  panel.SetWaitHook([](double) {});  // a batch run does not wait
  std::string error;
  const std::string data_dir = FindDataDir(o.dir, exe_path, err, &error);
  if (data_dir.empty() || !panel.StartUp(data_dir, &error)) {
    err << "scmp-run: " << error << "\n";
    return 1;
  }
  if (!o.ram.empty() && !panel.LoadMemoryImage(o.ram, &error)) {
    err << "scmp-run: " << error << "\n";
    return 1;
  }
  for (const std::string& listing : o.asms) {
    if (!panel.LoadListing(listing, &error)) {
      err << "scmp-run: " << error << "\n";
      return 1;
    }
  }
  for (int i = 0; i < 8; ++i)
    if (panel.DataSwitch(i) != (((o.switches >> i) & 1) != 0)) panel.cmd_D_sw(i);
  if (!o.trace.empty() && !panel.EnableTrace(o.trace, &error)) {
    err << "scmp-run: " << error << "\n";
    return 1;
  }

  panel.MutableOptions().PauseCount = o.steps;
  panel.cmd_Reset();
  panel.cmd_SST();
  const uint64_t before = panel.ExecutedSteps();
  panel.cmd_Run();
  const uint64_t steps = panel.ExecutedSteps() - before;

  int status = 0;
  if (!o.save_ram.empty() && !panel.SaveMemoryImage(o.save_ram, &error)) {
    err << "scmp-run: " << error << "\n";
    status = 1;
  }
  panel.CloseTrace();

  if (!o.quiet) {
    const MachineState& s = panel.State();
    int leds = 0;
    for (int i = 0; i < 8; ++i) leds |= panel.LedState(i) ? 1 << i : 0;
    int flags = 0;
    for (int i = 0; i < 3; ++i) flags |= panel.FlagLedState(i) ? 1 << i : 0;
    out << "A=" << Hex(s.A, 2) << " E=" << Hex(s.E, 2) << " SR=" << Hex(s.SR, 2) << " P0=" << Hex(s.P[0], 4)
        << " P1=" << Hex(s.P[1], 4) << " P2=" << Hex(s.P[2], 4) << " P3=" << Hex(s.P[3], 4) << " LEDS=" << Hex(leds, 2)
        << " FLAGS=" << flags << " HALT=" << (panel.StopRequested() ? 1 : 0) << " STEPS=" << steps << "\n";
  }
  return status;
}

}  // namespace scmp
