// The shipped sample programs, loaded and run on the front panel model the
// way a user would: load, set the switches, RST, SST (single step off),
// Run / Prgm, and Step/Start to go on after a pause.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;

std::string Sample(const std::string& name) { return test::SourceDataDir() + "Samples/" + name; }

class SampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel_.SetWaitHook([this](double seconds) { waited_ += seconds; });
    panel_.SetAlertHook([this] { ++alerts_; });
    ASSERT_TRUE(panel_.StartUp(test::SourceDataDir(), &error_)) << error_;
  }

  void Load(const std::string& name) { ASSERT_TRUE(panel_.LoadListing(Sample(name), &error_)) << error_; }

  void SetSwitches(int byte) {
    for (int i = 0; i < 8; ++i)
      if (panel_.DataSwitch(i) != (((byte >> i) & 1) != 0)) panel_.ToggleDataSwitch(i);
  }

  // RST, single step off, Run / Prgm: runs until a HALT or `steps`
  // instructions. Leaves run mode first if a run went before.
  void Start(int steps) {
    if (panel_.RunMode()) panel_.RunOrProgram();
    panel_.MutableOptions().pause_count = steps;
    panel_.Reset();
    if (panel_.SingleStepMode()) panel_.ToggleSingleStep();
    start_steps_ = panel_.ExecutedSteps();
    panel_.RunOrProgram();
  }

  // Step/Start: `steps` more instructions, or fewer up to a HALT.
  void Continue(int steps) {
    panel_.MutableOptions().pause_count = steps;
    panel_.StepOrStart();
  }

  uint64_t StepsSinceStart() const { return panel_.ExecutedSteps() - start_steps_; }

  int Leds() const {
    int v = 0;
    for (int i = 0; i < 8; ++i) v |= panel_.LedState(i) ? 1 << i : 0;
    return v;
  }
  int Flags() const {
    int v = 0;
    for (int i = 0; i < 3; ++i) v |= panel_.FlagLedState(i) ? 1 << i : 0;
    return v;
  }
  int Data(int address) { return panel_.Memory().data[address]; }

  PanelModel panel_;
  std::string error_;
  double waited_ = 0;
  int alerts_ = 0;
  uint64_t start_steps_ = 0;
};

// Every listing: comment lines first, then byte lines whose comment names
// the address the byte is loaded at, all of them stored.
TEST(SampleFiles, ByteLineCommentsMatchTheLoadAddresses) {
  const std::regex byte_line(R"(^([0-9A-F]{2}) ; ([0-9A-F]{4})( .*)?$)");
  int listings = 0;
  for (const auto& entry : fs::directory_iterator(test::SourceDataDir() + "Samples")) {
    if (entry.path().extension() != ".ASM") continue;
    ++listings;
    const std::string path = entry.path().string();
    SCOPED_TRACE(path);
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int address = 0, byte_lines = 0, line_number = 0;
    bool in_header = true;
    while (std::getline(in, line)) {
      ++line_number;
      ASSERT_FALSE(line.empty()) << "line " << line_number;
      ASSERT_EQ(line.back(), '\r') << "line " << line_number << " does not end in CR LF";
      line.pop_back();
      if (line_number == 1) {
        EXPECT_EQ(line.substr(0, 2), "; ") << "a listing opens with a comment";
      }
      if (line[0] == ';') {
        EXPECT_TRUE(in_header || byte_lines > 0);
        continue;
      }
      in_header = false;
      if (line[0] == '@') {
        ASSERT_EQ(line.size(), 5u) << line;
        address = std::stoi(line.substr(1), nullptr, 16);
        if (byte_lines == 0) {
          EXPECT_EQ(address, 0x001) << "programs start at 0x001";
        }
        continue;
      }
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, byte_line)) << "line " << line_number << ": " << line;
      EXPECT_EQ(std::stoi(m[2].str(), nullptr, 16), address) << "line " << line_number << ": " << line;
      ++address;
      ++byte_lines;
    }
    auto memory = std::make_unique<MemoryArray>();
    memory->LayOutStartupMap();
    ListingResult result;
    std::string error;
    ASSERT_TRUE(LoadListing(*memory, path, &error, &result)) << error;
    EXPECT_EQ(result.stored, byte_lines);
    EXPECT_EQ(result.dropped, 0);
  }
  EXPECT_GE(listings, 6);
}

TEST_F(SampleTest, EchoCopiesTheSwitchesToTheLeds) {
  Load("ECHO.ASM");
  SetSwitches(0xA5);
  Start(100);
  EXPECT_EQ(Leds(), 0xA5);
  EXPECT_EQ(panel_.State().P[1], 0xA00);
  EXPECT_FALSE(panel_.HaltRequested());
  EXPECT_EQ(StepsSinceStart(), 100u);

  SetSwitches(0x3C);
  Continue(3);  // LD, ST, JMP: one round picks the new setting up
  EXPECT_EQ(Leds(), 0x3C);
  SetSwitches(0x00);
  Continue(3);
  EXPECT_EQ(Leds(), 0x00);
}

TEST_F(SampleTest, CounterCountsOnceARoundAndWraps) {
  Load("COUNTER.ASM");
  Start(4);  // setup: P1 = the port
  EXPECT_EQ(Leds(), 0);
  for (int n = 1; n <= 5; ++n) {
    Continue(4);  // ILD, ST, DLY, JMP
    EXPECT_EQ(Leds(), n);
    EXPECT_EQ(Data(0x00F), n);
  }
  EXPECT_GT(waited_, 0.0);
  const double five_rounds = waited_;
  for (int n = 6; n <= 10; ++n) Continue(4);
  EXPECT_EQ(Leds(), 10);
  EXPECT_NEAR(waited_, 2 * five_rounds, five_rounds * 0.01);  // the same DLY every round

  // RST keeps memory: the count goes on from 10, and 256 counts come
  // round to 10 again.
  Start(4 + 4 * 256);
  EXPECT_EQ(Leds(), 10);
  EXPECT_EQ(Data(0x00F), 10);
  Continue(4);
  EXPECT_EQ(Leds(), 11);
}

// The DLY of COUNTER, counted exactly on a board that records it.
TEST(SampleDelay, CounterWaitsDly0xFFEachRound) {
  BareBoard board;
  Processor cpu(board);
  InstructionTable table;
  std::string error;
  ASSERT_TRUE(table.Load(test::SourceDataDir() + "SCMP.DEL", &error)) << error;
  cpu.SetTable(table);
  cpu.memory.LayOutStartupMap();
  ASSERT_TRUE(LoadListing(cpu.memory, Sample("COUNTER.ASM"), &error)) << error;
  EXPECT_EQ(cpu.Run(4 + 4 * 3), 16u);
  // DLY 0xFF with A = 1, 2, 3: (0xFF + 1) x 10000 + (A + 1) x 40 each.
  EXPECT_EQ(board.delay_steps, 3u * 2560000u + (2u + 3u + 4u) * 40u);
  EXPECT_EQ(board.leds, 3);
}

// SHOWS as its usage text says: load, RST, SST until the single-step lamp
// is dark, switch 0 picks the show, Run / Prgm with the Run lamp green and
// the Halt lamp dark; then RST and Run / Prgm twice for the next show.
TEST_F(SampleTest, ShowsPlaysTheTableThatSwitchZeroPicks) {
  const struct {
    int switches;
    int setup_steps;  // up to the first pattern on the LEDs
    std::vector<int> patterns;
  } shows[] = {
      {0x00, 14, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}},
      {0x01, 15, {0x81, 0x42, 0x24, 0x18, 0x24, 0x42, 0x81, 0xFF}},
  };
  Load("SHOWS.ASM");
  panel_.Reset();
  panel_.ToggleSingleStep();
  EXPECT_FALSE(panel_.LampOn(Lamp::kSingleStepLed));
  for (const auto& show : shows) {
    SCOPED_TRACE(show.switches);
    SetSwitches(show.switches);
    if (panel_.RunMode()) {
      panel_.Reset();
      panel_.RunOrProgram();  // the first press: back to program mode
    }
    EXPECT_FALSE(panel_.LampOn(Lamp::kRunLed));
    EXPECT_FALSE(panel_.LampOn(Lamp::kHaltLed));
    panel_.MutableOptions().pause_count = show.setup_steps;
    panel_.RunOrProgram();
    EXPECT_TRUE(panel_.LampOn(Lamp::kRunLed));
    EXPECT_EQ(Leds(), show.patterns[0]);
    for (size_t i = 1; i < show.patterns.size(); ++i) {
      Continue(5);  // DLY, JMP, LD, JZ, ST
      EXPECT_EQ(Leds(), show.patterns[i]) << "pattern " << i;
    }
    Continue(1000);
    EXPECT_TRUE(panel_.LampOn(Lamp::kHaltLed));
    EXPECT_EQ(Leds(), show.patterns.back());
  }
}

TEST_F(SampleTest, RunlightRotatesOneLedOrTheSwitchPattern) {
  Load("RUNLIGHT.ASM");
  Start(9);  // no switch on: setup, LDI 0x80, then the first show
  EXPECT_EQ(Leds(), 0x80);
  int expected = 0x80;
  for (int round = 0; round < 17; ++round) {
    Continue(6);  // ST, DLY, LD, RR, ST, JMP ... up to the next show
    expected = (expected >> 1) | ((expected & 1) << 7);
    EXPECT_EQ(Leds(), expected) << "round " << round;
  }
  EXPECT_EQ(Data(0x01A), expected);

  SetSwitches(0x81);
  Start(8);  // JNZ skips the LDI
  EXPECT_EQ(Leds(), 0x81);
  Continue(6);
  EXPECT_EQ(Leds(), 0xC0);
  Continue(6);
  EXPECT_EQ(Leds(), 0x60);
}

TEST_F(SampleTest, BcdAddAddsSixDigitNumbers) {
  Load("BCDADD.ASM");
  Start(1000);
  ASSERT_TRUE(panel_.HaltRequested());  // HALT
  EXPECT_EQ(StepsSinceStart(), 35u);
  // 456789 + 654321 = 1111110, lowest byte first.
  EXPECT_EQ(Data(0x086), 0x10);
  EXPECT_EQ(Data(0x087), 0x11);
  EXPECT_EQ(Data(0x088), 0x11);
  EXPECT_EQ(Data(0x089), 0x01);
  EXPECT_EQ(Leds(), 0x11);
  EXPECT_EQ(panel_.State().P[0], 0x028);

  // Other numbers entered over the first ones: 999999 + 1 carries through
  // every byte; 250750 + 249250 carries out of the two lower bytes only.
  test::TempDir dir;
  struct Case {
    std::vector<int> numbers, sum;
  };
  const std::vector<Case> cases = {
      {{0x99, 0x99, 0x99, 0x01, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x01}},
      {{0x50, 0x07, 0x25, 0x50, 0x92, 0x24}, {0x00, 0x00, 0x50, 0x00}},
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    std::string text = "@0080\r\n";
    for (int b : c.numbers) {
      char line[8];
      std::snprintf(line, sizeof line, "%02X\r\n", b);
      text += line;
    }
    ASSERT_TRUE(panel_.LoadListing(dir.Write("numbers.asm", text), &error_)) << error_;
    Start(1000);
    ASSERT_TRUE(panel_.HaltRequested());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Data(0x086 + i), c.sum[i]) << "sum byte " << i;
    EXPECT_EQ(Leds(), c.sum[2]);
  }
}

TEST_F(SampleTest, FlagsShowSwitchesZeroToTwoThroughCas) {
  Load("FLAGS.ASM");
  SetSwitches(0x05);
  Start(40);
  EXPECT_EQ(Flags(), 0x5);
  EXPECT_EQ(Leds(), 0x05);
  EXPECT_EQ(panel_.State().SR, 0x05);

  SetSwitches(0xFA);  // switch 1 and the five above it
  Continue(6);
  EXPECT_EQ(Flags(), 0x2);
  EXPECT_EQ(Leds(), 0x02);
  EXPECT_EQ(panel_.State().SR, 0x02);  // carry, overflow, IE stay clear

  SetSwitches(0x07);
  Continue(6);
  EXPECT_EQ(Flags(), 0x7);
}

TEST_F(SampleTest, SubrCallsShowWithXppcAndReturns) {
  Load("SUBR.ASM");
  SetSwitches(0x03);
  Start(12);  // setup (10), XPPC P3, ST 0(P1) in SHOW
  EXPECT_EQ(Leds(), 3);
  EXPECT_EQ(panel_.State().P[3], 0x011);  // the call's address
  EXPECT_EQ(panel_.State().P[0], 0x01C);
  Continue(3);  // DLY, JMP RET, XPPC P3: back after the call
  EXPECT_EQ(panel_.State().P[0], 0x011);
  EXPECT_EQ(panel_.State().P[3], 0x01A);
  Continue(4);  // DLD, JNZ, XPPC, ST
  EXPECT_EQ(Leds(), 2);
  Continue(7);
  EXPECT_EQ(Leds(), 1);
  Continue(1000);
  ASSERT_TRUE(panel_.HaltRequested());
  EXPECT_EQ(Leds(), 0);
  EXPECT_EQ(StepsSinceStart(), 33u);
  EXPECT_EQ(panel_.State().P[3], 0x01A);
  EXPECT_EQ(Data(0x019), 0);

  // Each SHOW waits DLY 0x3F once: five start values, five waits more.
  const double three_calls = waited_;
  SetSwitches(0x05);
  Start(1000);
  EXPECT_TRUE(panel_.HaltRequested());
  EXPECT_EQ(StepsSinceStart(), 10u + 5u * 7u + 2u);
  EXPECT_NEAR(waited_ - three_calls, three_calls * 5 / 3, three_calls * 0.01);
}

TEST_F(SampleTest, CounterImageHoldsTheListing) {
  ASSERT_TRUE(panel_.LoadMemoryImage(Sample("COUNTER.RAM"), &error_)) << error_;
  EXPECT_EQ(alerts_, 1);
  auto from_listing = std::make_unique<MemoryArray>();
  from_listing->LayOutStartupMap();
  ASSERT_TRUE(LoadListing(*from_listing, Sample("COUNTER.ASM"), &error_)) << error_;
  EXPECT_EQ(panel_.Memory(), *from_listing);
  Start(4 + 4 * 3);
  EXPECT_EQ(Leds(), 3);
}

TEST_F(SampleTest, BigMapImageAddsRamAndASecondPort) {
  ASSERT_TRUE(panel_.LoadMemoryImage(Sample("BIGMAP.RAM"), &error_)) << error_;
  EXPECT_EQ(alerts_, 1);
  const MemoryArray& m = panel_.Memory();
  for (int a = 0; a < kMemorySize; ++a) {
    const int kind = a < 0xA00 ? kRam : a < 0xB00 ? kPort : a < 0xF00 ? kRam : kPort;
    ASSERT_EQ(m.kind[a], kind) << "address " << a;
  }
  SetSwitches(0x5A);
  Start(100);
  EXPECT_EQ(Leds(), 0x5A);
  EXPECT_EQ(Data(0xC00), 0x5A);
  SetSwitches(0x81);
  Continue(7);
  EXPECT_EQ(Leds(), 0x81);

  // The same program with the board's own map: nothing reaches the LEDs.
  PanelModel plain;
  plain.SetWaitHook([](double) {});
  ASSERT_TRUE(plain.StartUp(test::SourceDataDir(), &error_)) << error_;
  ASSERT_TRUE(plain.LoadListing(Sample("BIGMAP.ASM"), &error_)) << error_;
  for (int i = 0; i < 8; ++i) plain.ToggleDataSwitch(i);
  plain.MutableOptions().pause_count = 100;
  plain.Reset();
  plain.ToggleSingleStep();
  plain.RunOrProgram();
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(plain.LedState(i));
  EXPECT_EQ(plain.State().A, 0xFE);  // what 0xC00 reads with no memory there
}

// ---- Through the scmp-run executable ------------------------------------------

std::string RunScmpRun(const std::string& args, int* status) {
  const std::string command = std::string("'") + SCMP_RUN_PATH + "' " + args + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return "popen failed";
  std::string out;
  char buf[256];
  while (size_t n = std::fread(buf, 1, sizeof buf, pipe)) out.append(buf, n);
  *status = ::pclose(pipe);
  return out;
}

// A generous step bound instead of none, so that a broken sample fails the
// test rather than running forever.
TEST(SamplesScmpRun, RunsSamplesToTheirEnd) {
  const std::string dir = "--dir '" + test::SourceDataDir() + "' ";
  int status = -1;
  std::string out = RunScmpRun(dir + "--asm '" + Sample("BCDADD.ASM") + "' --steps 100000", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "A=11 E=00 SR=00 P0=0028 P1=0A00 P2=0083 P3=0000 LEDS=11 FLAGS=0 HALT=1 STEPS=35\n");

  out = RunScmpRun(dir + "--asm '" + Sample("SUBR.ASM") + "' --switches 03 --steps 100000", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "A=00 E=00 SR=00 P0=0018 P1=0A00 P2=0000 P3=001A LEDS=00 FLAGS=0 HALT=1 STEPS=33\n");

  // The image with the larger map: the program never halts, the pause ends
  // the run. 12 setup steps and 98 rounds of LD, ST, LDI, LD, ST, JMP.
  out = RunScmpRun(dir + "--ram '" + Sample("BIGMAP.RAM") + "' --switches c3 --steps 600", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "A=C3 E=00 SR=00 P0=0012 P1=0A00 P2=0C00 P3=0F00 LEDS=C3 FLAGS=0 HALT=0 STEPS=600\n");
}

}  // namespace
}  // namespace scmp
