// The speed path of the run loop (fast mode, single step off, no trace) must
// show what the one-step-at-a-time path shows: the same registers, counts and
// labels, and a count in lbl_cycles that goes down while DLY waits.
#include <gtest/gtest.h>

#include <vector>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

class SpeedPath : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
    model.SetWaitHook([this](double seconds) {
      waits.push_back(seconds);
      cycles_during_waits.push_back(model.LabelText(Label::kCycles));
    });
  }
  void Load(std::vector<int> bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) model.Memory().data[1 + i] = static_cast<int16_t>(bytes[i]);
  }

  PanelModel model;
  std::vector<double> waits;
  std::vector<std::string> cycles_during_waits;
};

TEST_F(SpeedPath, CyclesCountDownDuringDelays) {
  // 001 DLY 00; 003 JMP -4 (back to 001), forever.
  Load({0x8F, 0x00, 0x90, 0xFC});
  model.MutableOptions().pause_count = 10;
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(model.InstructionCount(), 10);
  EXPECT_TRUE(model.Paused());
  EXPECT_EQ(cycles_during_waits, (std::vector<std::string>{" 10", " 8", " 6", " 4", " 2"}));
  ASSERT_EQ(waits.size(), 5u);
  EXPECT_DOUBLE_EQ(waits[0], (1 * 10000 + 1 * 40) * 50e-9);
  EXPECT_EQ(model.LabelText(Label::kPause), "Pause    ");
  EXPECT_EQ(model.LabelText(Label::kCycles), "          ");
}

// The same program run on the speed path and, with tracing on, one step at a
// time must end in the same state after every pause.
TEST_F(SpeedPath, AgreesWithTheTracedPath) {
  // A loop that adds, stores through an auto-indexed pointer and writes the
  // port: 001 LDI 0A; 003 XPAH P1 (P1 = 0A00); 004 LDI 02; 006 XPAH P2
  // (P2 = 0200); 007 ADI 07; 009 ST @1(P2); 00B ST 0(P1); 00D XAE; 00E CCL;
  // 00F JMP -10 (to 007).
  const std::vector<int> program = {0xC4, 0x0A, 0x35, 0xC4, 0x02, 0x36, 0xF4, 0x07, 0xCE,
                                    0x01, 0xC9, 0x00, 0x01, 0x02, 0x90, 0xF6};
  test::TempDir dir;
  PanelModel traced;
  std::string error;
  ASSERT_TRUE(traced.StartUp(test::SourceDataDir(), &error)) << error;
  Load(program);
  for (size_t i = 0; i < program.size(); ++i) traced.Memory().data[1 + i] = static_cast<int16_t>(program[i]);
  ASSERT_TRUE(traced.EnableTrace(dir.File("T.LOG"), &error)) << error;
  for (PanelModel* m : {&model, &traced}) {
    m->MutableOptions().pause_count = 97;
    m->ToggleSingleStep();
    m->RunOrProgram();
  }
  for (int round = 0; round < 5; ++round) {
    EXPECT_EQ(model.State(), traced.State()) << round;
    EXPECT_EQ(model.Memory(), traced.Memory()) << round;
    EXPECT_EQ(model.LabelText(Label::kPause), traced.LabelText(Label::kPause));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(model.LedState(i), traced.LedState(i)) << i;
    EXPECT_EQ(model.ExecutedSteps(), traced.ExecutedSteps());
    model.StepOrStart();
    traced.StepOrStart();
  }
  EXPECT_EQ(model.ExecutedSteps(), 6u * 97u);
}

}  // namespace
}  // namespace scmp
