// The board in real time: paced runs against an injected clock, DLY's time,
// the lag that is forgiven, the run controls in a paced run, the switches
// live during a run, the register display at a loop's end and the LEDs'
// brightness.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace {

using scmp::Label;
using scmp::Lamp;
using scmp::Pacer;
using scmp::PanelModel;
using namespace std::chrono_literals;

// LDI 0A, XPAH P1 (P1 = the port: 18 microcycles), then for ever
// LD 0(P1), ST 0(P1), JMP back: 47 microcycles a round.
const std::vector<int> kEcho = {0xC4, 0x0A, 0x35, 0xC1, 0x00, 0xC9, 0x00, 0x90, 0xFA};

class Realtime : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([this](double s) {
      ++waits;
      if (on_wait) on_wait();
      (void)s;
    });
    model.Pacing().SetClock([this] { return now; },
                            [this](Pacer::Clock::duration d) {
                              now += d;
                              ++sleeps;
                              if (on_sleep) on_sleep();
                            });
    std::string error;
    ASSERT_TRUE(model.StartUp(scmp::test::SourceDataDir(), &error)) << error;
  }
  void Put(const std::vector<int>& bytes, int address = 0x001) {
    for (int b : bytes) model.Memory().data[address++] = static_cast<int16_t>(b);
  }
  // Back to program mode, RST, single step off, Run / Prgm, with the given
  // pause count.
  void Run(int32_t pause) {
    model.MutableOptions().pause_count = pause;
    if (model.RunMode()) model.RunOrProgram();
    model.Reset();
    if (model.SingleStepMode()) model.ToggleSingleStep();
    model.RunOrProgram();
  }
  double WallMs() const { return std::chrono::duration<double, std::milli>(now - Pacer::Clock::time_point{}).count(); }

  PanelModel model;
  Pacer::Clock::time_point now{};
  int sleeps = 0;
  int waits = 0;
  std::function<void()> on_sleep;
  std::function<void()> on_wait;
};

// Emulated time and the (injected) wall clock keep step at every paced
// speed, the last slice before the pause included.
TEST_F(Realtime, PacedRunsKeepStepWithTheWallClock) {
  for (int factor : {1, 2, 10, 100}) {
    SCOPED_TRACE(factor);
    Put(kEcho);
    model.SetSpeed(factor);
    const uint64_t start = model.Cpu().microcycles;
    const auto wall_start = now;
    const int sleeps_before = sleeps;
    Run(60002);
    ASSERT_TRUE(model.Paused());
    const double emulated_ms = static_cast<double>(model.Cpu().microcycles - start) / 1000.0;
    const double wall_ms = std::chrono::duration<double, std::milli>(now - wall_start).count();
    EXPECT_NEAR(emulated_ms, 20000 * 47 / 1000.0 + 0.018, 0.001);
    EXPECT_NEAR(wall_ms, emulated_ms / factor, 0.001);
    EXPECT_NEAR(sleeps - sleeps_before, wall_ms, wall_ms * 0.05 + 1);  // a sleep after each 1 ms slice
    EXPECT_EQ(waits, 0);
  }
}

// DLY takes its data-sheet time when paced and today's wait in Unlimited.
TEST_F(Realtime, DelayTakesDataSheetTimeWhenPaced) {
  Put({0x8F, 0xFF, 0x00});  // DLY FF with A = 0; HALT
  model.SetSpeed(1);
  Run(0);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_EQ(model.Cpu().microcycles, 13u + 514u * 255u + 8u);
  EXPECT_NEAR(WallMs(), 131.091, 0.001);
  EXPECT_EQ(waits, 0);

  model.SetSpeed(0);
  const int sleeps_before = sleeps;
  Run(0);
  EXPECT_EQ(waits, 1);
  EXPECT_EQ(sleeps, sleeps_before);
}

// A host that fell behind (here 5 s) catches up at most 100 ms.
TEST_F(Realtime, LagBeyondAHundredMillisecondsIsForgiven) {
  Pacer& pacer = model.Pacing();
  pacer.Start(0, 1);
  now += 5s;
  EXPECT_EQ(pacer.Ahead(1000), -Pacer::kMaxLag);
  EXPECT_EQ(pacer.Ahead(1000 + 100000), Pacer::Clock::duration::zero());
  EXPECT_EQ(pacer.Ahead(1000 + 130000), std::chrono::duration_cast<Pacer::Clock::duration>(30ms));
  pacer.Start(0, 10);  // ten times faster: 10 microcycles a microsecond
  EXPECT_EQ(pacer.Ahead(50000), std::chrono::duration_cast<Pacer::Clock::duration>(5ms));
}

// HLT and SST end a paced run and a DLY's wait; the register display then
// shows the step the run ended on, as a single step would.
TEST_F(Realtime, HaltAndSingleStepEndRunsAndTheDisplayShowsTheLastStep) {
  struct Case {
    const char* name;
    int speed;
    std::vector<int> program;
    bool press_halt;  // else SST
    const char* opcode;
  };
  const Case cases[] = {
      {"paced echo, HLT", 1, kEcho, true, nullptr},
      {"paced echo, SST", 10, kEcho, false, nullptr},
      {"paced DLY, HLT", 1, {0x8F, 0xFF, 0x90, 0xFC}, true, "DLY "},
      {"unlimited DLY, HLT", 0, {0x8F, 0xFF, 0x90, 0xFC}, true, "DLY "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(c.program);
    model.SetSpeed(c.speed);
    if (model.HaltRequested()) model.Halt();
    int calls = 0;
    auto press = [&] {
      if (++calls == 3) c.press_halt ? model.Halt() : model.ToggleSingleStep();
    };
    on_sleep = press;
    on_wait = press;
    Run(0);
    EXPECT_EQ(calls, 3) << "the run did not end at the press";
    EXPECT_EQ(model.HaltRequested(), c.press_halt);
    EXPECT_EQ(model.SingleStepMode(), !c.press_halt);
    if (!c.press_halt) model.ToggleSingleStep();
    // The display holds the registers the run ended with, and its last
    // instruction: for the echo one of LD, ST and JMP.
    const scmp::MachineState& s = model.State();
    char p0[8];
    std::snprintf(p0, sizeof p0, "%04X", s.P[0] & 0xFFFF);
    EXPECT_EQ(model.LabelText(Label::kP0), p0);
    const std::string opcode = model.LabelText(Label::kOpcode);
    if (c.opcode != nullptr) {
      EXPECT_EQ(opcode, c.opcode);
    } else {
      EXPECT_TRUE(opcode == "LD  " || opcode == "ST  " || opcode == "JMP ") << opcode;
    }
  }
}

// The switches stay live during a run: the program reads a flipped data
// switch at its next port read; an address switch moves without examining.
TEST_F(Realtime, SwitchesAreLiveDuringARun) {
  Put(kEcho);
  model.SetSpeed(1);
  int calls = 0;
  bool led_followed = false, data_kept = false;
  on_sleep = [&] {
    ++calls;
    if (calls == 2) {
      model.ToggleDataSwitch(3);
      model.ToggleAddressSwitch(5);
    }
    if (calls == 4) {
      led_followed = model.LedState(3) && !model.LedState(0);
      data_kept = model.SwitchData() == 0x08 && model.AddressSwitch(5);
      model.Halt();
    }
  };
  Run(0);
  EXPECT_TRUE(led_followed);
  EXPECT_TRUE(data_kept);
  model.StepAddress(+1);  // still disabled during a run, so it works now
  EXPECT_EQ(model.SwitchAddress(), 0x21);
}

// Brightness: a loop that keeps a lamp lit for a known share of its
// microcycles. The share is sampled in emulated time; with no time passed,
// a sample gives the lamp's state.
TEST_F(Realtime, LampShareIsTheLitShareOfEmulatedTime) {
  struct Case {
    const char* name;
    std::vector<int> loop;
    Lamp lamp;
    double share;
  };
  const Case cases[] = {
      // LDI 01 (10), ST 0(P1) (18: on), LDI 00 (10), ST 0(P1) (18: off),
      // JMP (11): lit from the first write to the second, 28 of 67.
      {"LED 0", {0xC4, 0x01, 0xC9, 0x00, 0xC4, 0x00, 0xC9, 0x00, 0x90, 0xF6}, Lamp::kLed, 28.0 / 67.0},
      // The same with CAS (6) for flag F0: 16 of 43.
      {"F0", {0xC4, 0x01, 0x07, 0xC4, 0x00, 0x07, 0x90, 0xF8}, Lamp::kFlagLed, 16.0 / 43.0},
  };
  for (const Case& c : cases) {
    for (int speed : {0, 1}) {
      SCOPED_TRACE(::testing::Message() << c.name << " speed " << speed);
      Put({0xC4, 0x0A, 0x35});  // P1 = the port
      Put(c.loop, 0x004);
      model.SetSpeed(speed);
      Run(2);
      model.SampleLampShares();
      model.MutableOptions().pause_count = 5 * 3000;
      model.StepOrStart();
      model.SampleLampShares();
      EXPECT_NEAR(model.LampShare(c.lamp, 0), c.share, 0.001);
      EXPECT_EQ(model.LampShare(c.lamp, 1), 0.0);
      model.SampleLampShares();
      EXPECT_EQ(model.LampShare(c.lamp, 0), model.LampOn(c.lamp, 0) ? 1.0 : 0.0);
      if (model.HaltRequested()) model.Halt();
    }
  }
}

// HLT stops a free run; each Step/Start after it performs exactly one
// instruction, at every speed, with a breakpoint elsewhere (the debug
// path) or without.
TEST_F(Realtime, HaltThenStepStartPerformsOneInstructionAtEverySpeed) {
  for (int factor : {1, 2, 10, 100, 0})
    for (bool debug_path : {false, true}) {
      SCOPED_TRACE(testing::Message() << "speed " << factor << (debug_path ? ", debug path" : ""));
      for (int a = 1; a < 0x100; ++a) model.Memory().data[a] = 0x08;  // NOPs: P0 counts the steps
      model.SetSpeed(factor);
      ASSERT_TRUE(model.SetBreakpoint(0x800, debug_path));
      Run(5);
      model.Halt();
      ASSERT_TRUE(model.HaltRequested());
      for (int press = 1; press <= 3; ++press) {
        const uint64_t before = model.ExecutedSteps();
        model.StepOrStart();
        EXPECT_EQ(model.ExecutedSteps(), before + 1) << "press " << press;
        EXPECT_EQ(model.State().P[0], 5 + press) << "press " << press;
      }
      model.Halt();  // the request off again for the next round
    }
}

}  // namespace
