// Run / Continue after a HALT and after Stop, a new program starting afresh
// after it is loaded, the next-line mark, breakpoint hits and the counters
// across RST, what the learner is told when a run pauses, and the
// register strip.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_util.h"
#include "trainer/register_strip.h"
#include "trainer/run_control.h"

namespace scmp {
namespace {

// Two HALTs with a different LED value before each.
constexpr const char* kTwoHalts =
    " .org 1\n"            // 1
    " LDI H(0xA00)\n"      // 2: 001
    " XPAH P1\n"           // 3: 003
    " LDI 0x11\n"          // 4: 004
    " ST 0(P1)\n"          // 5: 006
    " HALT\n"              // 6: 008
    " LDI 0x22\n"          // 7: 009
    " ST 0(P1)\n"          // 8: 00B
    " HALT\n"              // 9: 00D
    " .byte 0x5B, 0x5B\n"; // 10: 00E, data that must never run

int LedValue(const PanelModel& model) {
  int value = 0;
  for (int i = 0; i < 8; ++i) value |= model.LedState(i) ? 1 << i : 0;
  return value;
}

class RunControlStops : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
    Load("TWO.s", kTwoHalts);
  }
  std::string Load(const std::string& name, const std::string& text) {
    SourceLoad result;
    EXPECT_TRUE(model.AssembleText(name, text, &result)) << result.error;
    return ResetForNewProgram(model);
  }

  PanelModel model;
};

TEST_F(RunControlStops, ContinueAfterHaltOrStopRunsOnToTheNextHalt) {
  const struct {
    const char* what;
    std::function<void()> before;  // after the first HALT was reached
    int leds;                      // after the next Continue
    int next_line;
  } cases[] = {
      {"the program's HALT", [] {}, 0x22, 0},
      {"Stop (a halt request) after the HALT", [&] { model.Halt(); }, 0x22, 0},
      {"a step after the HALT", [&] { StepOne(model); }, 0x22, 0},
  };
  for (const auto& c : cases) {
    Load("TWO.s", kTwoHalts);
    Continue(model);
    ASSERT_EQ(LedValue(model), 0x11) << c.what;
    ASSERT_EQ(model.Debug().LastStop(), StopReason::kHalt) << c.what;
    c.before();
    Continue(model);
    EXPECT_EQ(LedValue(model), c.leds) << c.what;
    EXPECT_EQ(model.Debug().LastStop(), StopReason::kHalt) << c.what;
    EXPECT_EQ(model.State().P[0], 0x00D) << c.what;  // on the second HALT, not in the data after it
    EXPECT_EQ(model.Memory().data[0x004], 0xC4) << c.what;  // nothing written over the program
  }
  // A halt request standing before the first run does not cut it short either.
  Load("TWO.s", kTwoHalts);
  model.Halt();
  Continue(model);
  EXPECT_EQ(LedValue(model), 0x11);
  EXPECT_EQ(model.State().P[0], 0x008);
}

TEST_F(RunControlStops, LoadingResetsSoThatTheNewProgramRunsFromItsStart) {
  Continue(model);
  Continue(model);
  ASSERT_EQ(model.State().P[0], 0x00D);
  // A shorter program: without the reset the run would go on from 00D.
  const std::string status = Load("SHORT.s", " .org 1\n LDI H(0xA00)\n XPAH P1\n LDI 0x33\n ST 0(P1)\n HALT\n");
  EXPECT_EQ(status, "reset to 001");
  EXPECT_EQ(model.State().P[0], 0);
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_EQ(model.StepsSinceReset(), 0u);
  Continue(model);
  EXPECT_EQ(LedValue(model), 0x33);
  EXPECT_EQ(model.Debug().LastStop(), StopReason::kHalt);
}

TEST_F(RunControlStops, TheNextLineMarkFollowsEveryStopOrSaysWhereP0Is) {
  const struct {
    const char* what;
    std::function<void()> act;
    int line;
    const char* elsewhere;
  } cases[] = {
      {"after the load", [] {}, 2, ""},
      {"after a step", [&] { StepOne(model); }, 3, ""},
      {"after the first HALT", [&] { Continue(model); }, 7, ""},
      {"after the second HALT: data follows", [&] { Continue(model); }, 0, "P0 at 00D: not a line of TWO.s"},
      {"after RST", [&] { model.Reset(); }, 2, ""},
      {"P0 far outside", [&] { MachineState s = model.State(); s.P[0] = 0x7FF; model.SetRegisters(s); }, 0,
       "P0 at 7FF: not a line of TWO.s"},
  };
  // The editor's register strip beside the mark.
  EXPECT_EQ(RegisterStripText(model), "A 00  E 00  SR 00  P0 0000  P1 0000  P2 0000  P3 0000  next 001: LDI 0x0A");
  for (const auto& c : cases) {
    c.act();
    const NextLineMark mark = NextLineMarkOf(model);
    EXPECT_EQ(mark.line, c.line) << c.what;
    EXPECT_EQ(mark.elsewhere, c.elsewhere) << c.what;
  }
}

TEST_F(RunControlStops, RstStartsHitCountsAndTheHistoryAfresh) {
  // Counts 3 down to 0 through LOOP, three passes, then halts.
  Load("LOOP.s",
       " .org 1\n LDI 3\n XAE\n"
       "LOOP: LDE\n"          // 4: 004
       " CCL\n ADI 0xFF\n XAE\n LDE\n JNZ LOOP\n HALT\n");
  ASSERT_TRUE(model.SetBreakpoint(0x004, true));
  ConditionError error;
  ASSERT_TRUE(model.SetBreakpointCondition(0x004, "hits == #3", &error)) << error.message;
  model.SetHistoryRecording(true);
  for (int round = 0; round < 2; ++round) {
    Continue(model);
    EXPECT_EQ(model.Debug().LastStop(), StopReason::kBreakpoint) << round;
    EXPECT_EQ(model.State().E, 1) << round;  // the third pass
    EXPECT_EQ(model.Debug().BreakpointList().at(0x004).hits, 3) << round;
    EXPECT_GT(model.Debug().Steps().Size(), 0u) << round;
    model.Reset();
    EXPECT_EQ(model.Debug().BreakpointList().at(0x004).hits, 0) << round;
    EXPECT_EQ(model.Debug().Steps().Size(), 0u) << round;
  }
  // After RST and one step, the history holds that step alone, from the reset state.
  StepOne(model);
  ASSERT_EQ(model.Debug().Steps().Size(), 1u);
  EXPECT_EQ(model.Debug().Steps().Newest(0).before.P[0], 0);
  EXPECT_TRUE(model.StepBack());
  EXPECT_FALSE(model.StepBack());
}

TEST_F(RunControlStops, CountersNeverWrapAndMoveDuringDelays) {
  // A replay starts a test's state at microcycle 0, long after the last RST.
  Continue(model);
  ASSERT_GT(model.Cpu().microcycles, 0u);
  SavedState state = model.CaptureState();
  state.microcycles = 0;
  std::string error;
  ASSERT_TRUE(model.ApplyState(state, &error)) << error;
  EXPECT_EQ(model.MicrocyclesSinceReset(), 0u);
  EXPECT_EQ(model.StepsSinceReset(), 0u);

  // During each DLY's wait the instruction count has moved on, on the speed
  // path and on the debug path (history recorded, as with the Monitor open).
  for (const bool recording : {false, true}) {
    Load("DLY.s", " .org 1\n DLY 1\n DLY 1\n DLY 1\n DLY 1\n HALT\n");
    model.SetHistoryRecording(recording);
    std::vector<uint64_t> seen;
    model.SetWaitHook([&](double) { seen.push_back(model.StepsSinceReset()); });
    Continue(model);
    EXPECT_EQ(seen, (std::vector<uint64_t>{1, 2, 3, 4})) << recording;
    EXPECT_EQ(model.StepsSinceReset(), 5u) << recording;
    model.SetWaitHook([](double) {});
  }
}

TEST_F(RunControlStops, APauseSaysHowToGoOn) {
  Load("FOREVER.s", " .org 1\nLOOP: JMP LOOP\n");
  model.MutableOptions().pause_count = 10000;
  Continue(model);
  EXPECT_EQ(model.Debug().LastStop(), StopReason::kPause);
  EXPECT_EQ(StopNote(model), "Paused after 10,000 instructions: F5 goes on; Settings > Pause count 0 runs without pausing");
  model.MutableOptions().pause_count = 7;
  Continue(model);
  EXPECT_EQ(StopNote(model).substr(0, 27), "Paused after 7 instructions");
  model.MutableOptions().pause_count = 1;
  Continue(model);
  EXPECT_EQ(StopNote(model).substr(0, 27), "Paused after 1 instruction:");
  model.MutableOptions().pause_count = 0;
  ASSERT_TRUE(model.SetBreakpoint(0x001, true));
  Continue(model);
  EXPECT_EQ(StopNote(model), "Stopped at a breakpoint (Break 001)");
  StepOne(model);
  EXPECT_EQ(StopNote(model), "");
}

}  // namespace
}  // namespace scmp
