// The programs of the guide, assembled from their sources and run on the
// front panel model as the guide tells a user to run them: the LEDs must
// show what the guide says they show.
#include <filesystem>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;

struct GuideRun {
  const char* source;  // in Scmp/Samples
  int switches;        // set before the run
  int steps;           // pause count: the run ends at a HALT or here
  int leds;            // what the guide says the LEDs show
  bool halted;         // the program ends with HALT
};

constexpr GuideRun kRuns[] = {
    {"FIRST.s", 0x00, 1000, 0x5A, true},
    {"EX1_INVERT.s", 0x0F, 1000, 0xF0, false},
    {"EX1_INVERT.s", 0xA5, 1000, 0x5A, false},
    {"EX2_COMPLEMENT.s", 0x00, 1000, 0xA5, true},
    {"EX3_TEN.s", 0x00, 10000, 0x0A, true},
    {"EX4_TABLE.s", 0x00, 1000, 0x18, true},
    {"SUMBUG.s", 0x00, 1000, 0x00, true},  // the fault that chapter 5 finds
    {"EX5_SUM.s", 0x00, 1000, 0x0A, true},
    {"EX6_COPY.s", 0x00, 1000, 0x78, true},
    {"EX7_DOUBLE.s", 0x21, 1000, 0x42, true},
    {"EX7_DOUBLE.s", 0x90, 1000, 0x20, true},
    {"EX8_HANDCODE.s", 0x00, 1000, 0x3C, true},
};

// A freshly started board, as the guide's usage texts assume.
class Board {
 public:
  Board() {
    panel_.SetWaitHook([](double) {});
    std::string error;
    started_ = panel_.StartUp(test::SourceDataDir(), &error);
    EXPECT_TRUE(started_) << error;
  }

  // Files > Assemble Source...: the program into memory.
  bool AssembleAndLoad(const std::string& name) {
    const std::string path = test::SourceDataDir() + "Samples/" + name;
    const Assembly assembly = Assemble(test::ReadFile(path), name, panel_.Cpu().table());
    for (const Diagnostic& d : assembly.diagnostics) ADD_FAILURE() << FormatDiagnostic(d);
    EXPECT_EQ(StoreInRam(assembly, panel_.Memory()), 0) << "bytes outside RAM";
    return started_ && assembly.Succeeded();
  }

  // As every usage text says: the switches, RST, SST (single step off),
  // Run / Prgm.
  void Run(int switches, int steps) {
    for (int i = 0; i < 8; ++i)
      if (panel_.DataSwitch(i) != (((switches >> i) & 1) != 0)) panel_.ToggleDataSwitch(i);
    panel_.MutableOptions().pause_count = steps;
    panel_.Reset();
    panel_.ToggleSingleStep();
    panel_.RunOrProgram();
  }

  int Leds() const {
    int leds = 0;
    for (int i = 0; i < 8; ++i) leds |= panel_.LedState(i) ? 1 << i : 0;
    return leds;
  }
  bool Halted() const { return panel_.HaltRequested(); }
  int Cell(int address) { return panel_.Memory().data[address]; }

 private:
  PanelModel panel_;
  bool started_ = false;
};

TEST(GuideProgram, EachProgramShowsWhatTheGuideSays) {
  for (const GuideRun& run : kRuns) {
    SCOPED_TRACE(run.source);
    Board board;
    ASSERT_TRUE(board.AssembleAndLoad(run.source));
    board.Run(run.switches, run.steps);
    EXPECT_EQ(board.Leds(), run.leds);
    EXPECT_EQ(board.Halted(), run.halted);
  }
}

TEST(GuideProgram, EveryExerciseAnswerIsRun) {
  std::map<std::string, bool> run;
  for (const GuideRun& r : kRuns) run[r.source] = true;
  int answers = 0;
  for (const auto& entry : fs::directory_iterator(test::SourceDataDir() + "Samples")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("EX", 0) != 0 || entry.path().extension() != ".s") continue;
    ++answers;
    EXPECT_TRUE(run.count(name)) << name << " is not run by this test";
  }
  EXPECT_EQ(answers, 8) << "one answer for each chapter of the guide";
}

// Chapter 2 gives the first program's bytes for entering by hand; they are
// what the assembler makes of FIRST.s with the shipped SCMP.DEL.
TEST(GuideProgram, FirstProgramBytesAreTheOnesEnteredByHand) {
  const int by_hand[] = {0xC4, 0x0A, 0x35, 0xC4, 0x00, 0x31, 0xC4, 0x5A, 0xC9, 0x00, 0x00};
  Board board;
  ASSERT_TRUE(board.AssembleAndLoad("FIRST.s"));
  for (int i = 0; i < static_cast<int>(std::size(by_hand)); ++i)
    EXPECT_EQ(board.Cell(0x001 + i), by_hand[i]) << "address " << 0x001 + i;
}

// Chapter 6's exercise checks the copy in memory, not only on the LEDs.
TEST(GuideProgram, CopyExerciseLeavesTheTableAt100) {
  Board board;
  ASSERT_TRUE(board.AssembleAndLoad("EX6_COPY.s"));
  board.Run(0x00, 1000);
  const int copy[] = {0x12, 0x34, 0x56, 0x78};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(board.Cell(0x100 + i), copy[i]) << "address " << 0x100 + i;
}

}  // namespace
}  // namespace scmp
