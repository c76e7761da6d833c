// The toolbar's run control on the panel: Step, Step Over a subroutine,
// Step Back, Run to an address, and breakpoints that stay on their source
// lines when the program is assembled again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trainer/run_control.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

constexpr const char* kProgram =
    " .org 1\n"           // 1
    "START: LDI H(SUB)\n"  // 2: 001
    " XPAH P3\n"           // 3: 003
    " LDI L(SUB)-1\n"      // 4: 004
    " XPAL P3\n"           // 5: 006
    " XPPC P3\n"           // 6: 007, the call
    " LDI 0x55\n"          // 7: 008
    " HALT\n"              // 8: 00A
    "SUB: LDI 0x11\n"      // 9: 00B
    " XAE\n"               // 10: 00D
    " XPPC P3\n";          // 11: 00E, the return

class ToolbarRunControl : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
    SourceLoad result;
    ASSERT_TRUE(model.AssembleText("SUB.s", kProgram, &result)) << result.error;
    model.SetHistoryRecording(true);
  }
  int NextLine() const { return NextInstructionPlace(model).line; }

  PanelModel model;
};

TEST_F(ToolbarRunControl, StepStepOverAndStepBackMoveTheNextLine) {
  EXPECT_EQ(NextLine(), 2);
  const struct {
    const char* what;
    std::function<void()> act;
    int next_line;
  } steps[] = {
      {"Step", [&] { StepOne(model); }, 3},
      {"Step Over a plain instruction", [&] { StepOver(model); }, 4},
      {"Step", [&] { StepOne(model); }, 5},
      {"Step", [&] { StepOne(model); }, 6},
      {"Step Over the call", [&] { StepOver(model); }, 7},
      {"Step Back into the subroutine's return", [&] { model.StepBack(); }, 11},
      {"Step out of it", [&] { StepOne(model); }, 7},
      {"Step Back to the call", [&] { for (int i = 0; i < 4; ++i) model.StepBack(); }, 6},
      {"Step into the call", [&] { StepOne(model); }, 9},
      {"Run to the HALT", [&] { EXPECT_TRUE(RunTo(model, 0x00A)); }, 8},
  };
  for (const auto& s : steps) {
    s.act();
    EXPECT_EQ(NextLine(), s.next_line) << s.what;
    EXPECT_FALSE(model.Running()) << s.what;
  }
  EXPECT_EQ(model.State().E, 0x11);  // the subroutine ran
  EXPECT_TRUE(model.Debug().Breakpoints().empty());  // Run to's own breakpoints are gone
  EXPECT_FALSE(RunTo(model, kMemorySize));
  // Every step went through the panel's single-step press.
  EXPECT_TRUE(model.RunMode());
}

TEST_F(ToolbarRunControl, StepOverStopsOnlyAfterSubroutineCalls) {
  InstructionTable table = model.Cpu().table();
  MemoryArray memory = model.Memory();
  MachineState state;
  const struct {
    int opcode;
    int stop;  // -1: not a call
  } cases[] = {{0x3F, 0x002}, {0x3D, 0x002}, {0x3C, -1}, {0xC4, -1}, {0x00, -1}};
  for (const auto& c : cases) {
    memory.data[1] = static_cast<int16_t>(c.opcode);
    EXPECT_EQ(StepOverStop(table, memory, state), c.stop) << std::hex << c.opcode;
  }
}

TEST_F(ToolbarRunControl, BreakpointsFollowTheirLinesWhenAssembledAgain) {
  const LineMap before = model.Lines();
  ASSERT_TRUE(model.SetBreakpoint(0x008, true));  // line 7
  ASSERT_TRUE(model.SetBreakpoint(0x200, true));  // on no source line
  ConditionError condition_error;
  ASSERT_TRUE(model.SetBreakpointCondition(0x008, "A == 0", &condition_error));
  // Two instructions inserted after .org: line 7 is now line 9, at 00A.
  SourceLoad result;
  const std::string edited = std::string(" .org 1\n XAE\n XAE\n") + (kProgram + 8);
  ASSERT_TRUE(model.AssembleText("SUB.s", edited, &result)) << result.error;
  const std::vector<int> without_code = PlaceSourceBreakpoints(model, before, {9, 1});
  EXPECT_EQ(without_code, std::vector<int>{1});  // .org places no instruction
  EXPECT_EQ(model.Debug().Breakpoints(), (std::vector<int>{0x00A, 0x200}));
  EXPECT_TRUE(model.Debug().BreakpointList().at(0x00A).condition.has_value());  // kept with the line
  // Continue stops at the breakpoint's line.
  Continue(model);
  EXPECT_EQ(model.Debug().LastStop(), StopReason::kBreakpoint);
  EXPECT_EQ(NextLine(), 9);
}

}  // namespace
}  // namespace scmp
