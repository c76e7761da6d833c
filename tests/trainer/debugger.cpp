// The debugger beside the panel model: history and Step Back, breakpoints
// and watchpoints on both stepping paths, save states.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/test_util.h"
#include "trainer/panel_model.h"

namespace {

using scmp::PanelModel;
using scmp::SavedState;
using scmp::StopReason;

// What an instruction can change: registers, memory, lamps, halt request.
struct Machine {
  scmp::MachineState registers;
  uint64_t microcycles;
  scmp::MemoryArray memory;
  scmp::PanelLights lights;
  bool operator==(const Machine&) const = default;
};
Machine MachineOf(const PanelModel& m) {
  const SavedState s = m.CaptureState();
  return {s.registers, s.microcycles, s.memory, s.lights};
}

void StartUp(PanelModel& model) {
  model.SetWaitHook([](double) {});
  std::string error;
  ASSERT_TRUE(model.StartUp(scmp::test::SourceDataDir(), &error)) << error;
}

void Put(PanelModel& model, int address, const std::vector<int>& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) model.Memory().data[address + i] = static_cast<int16_t>(bytes[i]);
}

// Run mode with single step off: fast (the debug chunk path) or slow (one
// step at a time, no waiting).
void RunFor(PanelModel& model, int32_t steps, bool fast) {
  model.MutableOptions().pause_count = steps;
  model.MutableOptions().fast_mode = fast;
  if (model.SingleStepMode()) model.ToggleSingleStep();
  model.RunOrProgram();
}

// Random defined instructions (no HALT) with random registers, run forward
// and undone step by step: the machine must be exactly where it started.
TEST(StepBack, ForwardThenBackRestoresTheWholeMachine) {
  for (const bool fast : {true, false}) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
      PanelModel model;
      StartUp(model);
      model.SetHistoryRecording(true);
      std::mt19937 random(seed);
      for (int a = 0; a < 0xA00; ++a) {
        int op;
        do op = static_cast<int>(random() & 0xFF);
        while (op == 0x00 || model.Cpu().table()[op].IsUndefined());
        model.Memory().data[a] = static_cast<int16_t>(op);
      }
      scmp::MachineState regs;
      regs.A = static_cast<int16_t>(random() & 0xFF);
      regs.E = static_cast<int16_t>(random() & 0xFF);
      regs.SR = static_cast<int16_t>(random() & 0xFF);
      for (auto& p : regs.P) p = static_cast<int16_t>(random() & 0x9FF);
      ASSERT_TRUE(model.SetRegisters(regs));
      const Machine start = MachineOf(model);
      const uint64_t before = model.ExecutedSteps();

      // A HALT or an undefined opcode read from the port or absent memory
      // ends a run: the halt request is cleared and the run goes on.
      RunFor(model, 3000, fast);
      for (int runs = 0; runs < 3000 && model.ExecutedSteps() - before < 3000; ++runs) {
        if (model.HaltRequested()) model.Halt();
        model.StepOrStart();
      }
      const uint64_t done = model.ExecutedSteps() - before;
      ASSERT_GE(done, 3000u) << "seed " << seed;
      ASSERT_EQ(model.Debug().Steps().Size(), done);
      ASSERT_NE(MachineOf(model), start);
      for (uint64_t i = 0; i < done; ++i) ASSERT_TRUE(model.StepBack()) << "step " << i;
      EXPECT_FALSE(model.StepBack());
      EXPECT_EQ(MachineOf(model), start) << "seed " << seed << (fast ? " fast" : " slow");
      EXPECT_EQ(model.ExecutedSteps(), before);
    }
  }
}

TEST(StepBack, HistoryKeepsTheNewestStepsAndClosingDropsIt) {
  PanelModel model;
  StartUp(model);
  model.SetHistoryRecording(true);
  Put(model, 1, {0x08, 0x90, 0xFD});  // NOP; JMP back to the NOP
  RunFor(model, 70000, true);
  EXPECT_EQ(model.Debug().Steps().Size(), scmp::History::kCapacity);
  model.SetHistoryRecording(false);
  EXPECT_EQ(model.Debug().Steps().Size(), 0u);
  EXPECT_FALSE(model.StepBack());
}

// 0001 LDI 03; 0003 XPAH P2; 0004 LDI 07; 0006 ST 0(P2); 0008 ILD 1(P2); 000A HALT
const std::vector<int> kStores = {0xC4, 0x03, 0x36, 0xC4, 0x07, 0xCA, 0x00, 0xAA, 0x01, 0x00};

TEST(Breakpoints, StopBeforeAndWatchpointsAfterOnBothPaths) {
  struct Case {
    std::vector<int> breaks, watches;
    int p0;  // where the first run stops
    StopReason why;
  } cases[] = {
      {{0x006}, {}, 0x005, StopReason::kBreakpoint},  // before ST: P0 on the previous byte
      {{0x008}, {}, 0x007, StopReason::kBreakpoint},
      {{0x001}, {}, 0x00A, StopReason::kHalt},  // never before the loop's own first step
      {{}, {0x300}, 0x007, StopReason::kWatchpoint},
      {{}, {0x301}, 0x009, StopReason::kWatchpoint},
      {{0x008}, {0x300}, 0x007, StopReason::kWatchpoint},
      {{}, {0x302}, 0x00A, StopReason::kHalt},
  };
  for (const bool fast : {true, false}) {
    for (const Case& c : cases) {
      PanelModel model;
      StartUp(model);
      Put(model, 1, kStores);
      for (int a : c.breaks) ASSERT_TRUE(model.SetBreakpoint(a, true));
      for (int a : c.watches) ASSERT_TRUE(model.SetWatchpoint(a, true));
      RunFor(model, 0, fast);
      EXPECT_EQ(model.State().P[0], c.p0) << c.p0 << (fast ? " fast" : " slow");
      EXPECT_EQ(model.Debug().LastStop(), c.why);
      EXPECT_EQ(model.Memory().data[0x300], c.p0 > 0x006 ? 7 : 0);
      EXPECT_TRUE(model.RunMode());
      // Step/Start goes on from there, past the breakpoint it stands at.
      while (!model.HaltRequested()) model.StepOrStart();
      EXPECT_EQ(model.State().P[0], 0x00A);
      EXPECT_EQ(model.Memory().data[0x301], 1);
    }
  }
}

TEST(Breakpoints, EditsAreRefusedWhileRunning) {
  PanelModel model;
  StartUp(model);
  Put(model, 1, {0x90, 0xFE});  // JMP to itself
  std::vector<bool> refused;
  model.SetPumpHook([&] {
    refused = {!model.SetBreakpoint(1, true), !model.SetWatchpoint(1, true), !model.StoreCell(0x300, 1),
               !model.SetRegisters({}), !model.StepBack()};
    model.AbortRun();
  });
  RunFor(model, 0, true);
  EXPECT_EQ(refused, std::vector<bool>(5, true));
  EXPECT_TRUE(model.StoreCell(0x300, 0x1AB));
  EXPECT_EQ(model.Memory().data[0x300], 0xAB);
  EXPECT_FALSE(model.StoreCell(0xA00, 1));  // the port is no RAM cell
}

// ---- Save states ---------------------------------------------------------------------------

// The benchmark loop: loads, stores, auto-indexing, ILD, CCL, JMP.
const std::vector<int> kLoop = {0xC4, 0x02, 0x35, 0xC4, 0x03, 0x36, 0xC4, 0x04, 0x37, 0xC5, 0x01, 0xF2, 0x00,
                                0xCA, 0x00, 0xC7, 0xFF, 0xE2, 0x01, 0xCA, 0x01, 0xAA, 0x02, 0x02, 0x90, 0xEF};

TEST(SaveState, RoundTripAndContinuedRunEqualsOneRun) {
  scmp::test::TempDir dir;
  PanelModel first, whole;
  StartUp(first);
  StartUp(whole);
  for (PanelModel* m : {&first, &whole}) {
    Put(*m, 1, kLoop);
    m->ToggleDataSwitch(3);
    m->SetBreakpoint(0x123, true);
    m->SetWatchpoint(0x9FF, true);
  }
  RunFor(first, 1000, true);
  first.SetSpeed(10);
  first.SetTraceLimit(5);
  std::string error;
  const std::string path = dir.File("state.txt");
  ASSERT_TRUE(first.SaveState(path, &error)) << error;

  PanelModel continued;
  StartUp(continued);
  ASSERT_TRUE(continued.LoadState(path, &error)) << error;
  EXPECT_EQ(continued.CaptureState(), first.CaptureState());
  EXPECT_EQ(continued.LabelText(scmp::Label::kRate), "Speed: 10\xC3\x97");
  continued.SetSpeed(0);
  continued.MutableOptions().pause_count = 500;
  continued.StepOrStart();

  RunFor(whole, 1500, true);
  SavedState a = continued.CaptureState(), b = whole.CaptureState();
  a.options.pause_count = b.options.pause_count;
  a.options.trace_limit_mb = b.options.trace_limit_mb;
  EXPECT_EQ(a, b);
}

TEST(SaveState, BadFilesAreRefusedWholeNamingFileAndLine) {
  PanelModel model;
  StartUp(model);
  const std::string good = scmp::StateText(model.CaptureState());
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string text, message;
  } cases[] = {
      {"hello\n", "line 1: this is not a saved state"},
      {replace("VERSION 1", "VERSION 9"), "line 2: version \"VERSION 9\""},
      {replace("\nA 0000", "\nA 00"), "line 3: A takes 4 hexadecimal digits"},
      {replace("LEDS 00", "LEDS 00\nLEDS 01"), "LEDS appears twice"},
      {replace("PAUSE 10000", "PAUSE 2000000000"), "PAUSE takes a whole number"},
      {replace("DATA 010", "DATA 011"), "a multiple of 10"},
      {replace("BREAK", "BREAK 1000"), "BREAK takes addresses"},
      {replace("\nEND\n", "\n"), "without END"},
      {replace("KIND 0F0", "NOTHING 0F0"), "unknown entry \"NOTHING\""},
  };
  scmp::test::TempDir dir;
  const SavedState before = model.CaptureState();
  for (const Case& c : cases) {
    const std::string path = dir.Write("bad.state", c.text);
    std::string error;
    model.Memory().data[5] = 0x42;
    EXPECT_FALSE(model.LoadState(path, &error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(model.Memory().data[5], 0x42);
    model.Memory().data[5] = before.memory.data[5];
  }
  EXPECT_EQ(model.CaptureState(), before);
}

}  // namespace
