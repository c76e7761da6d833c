// Run control: Run / Prgm, Step/Start, SST, HLT and RST with the stepping
// loop, the pause count, the lamps, the labels and the register display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/hex.h"
#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace {

using scmp::Label;
using scmp::Lamp;
using scmp::PanelModel;

const std::string k9Blanks(9, ' ');
const std::string k10Blanks(10, ' ');
const std::string k11Blanks(11, ' ');
const std::string kPause = "Pause    ";
const std::string kManual = "Manual Step";

class RunControl : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([this](double s) {
      ++waits;
      waited += s;
    });
    std::string error;
    ASSERT_TRUE(model.StartUp(scmp::test::DataDirWithShippedTable(dir), &error)) << error;
  }
  void Put(int address, const std::vector<int>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) model.Memory().data[address + i] = static_cast<int16_t>(bytes[i]);
  }
  // NOPs from 0x001 up, so that P0 counts the instructions performed.
  void Nops() {
    for (int a = 1; a < 0x900; ++a) model.Memory().data[a] = 0x08;
  }
  std::string L(Label l) const { return model.LabelText(l); }
  int P0() const { return model.Cpu().state.P[0]; }

  scmp::test::TempDir dir;
  PanelModel model;
  int waits = 0;
  double waited = 0;
};

// ---- Run / Prgm ------------------------------------------------------------------

TEST_F(RunControl, RunFromStartUpPerformsOneInstruction) {
  Nops();
  model.RunOrProgram();
  EXPECT_TRUE(model.RunMode());
  EXPECT_EQ(P0(), 1);
  EXPECT_TRUE(model.LampOn(Lamp::kRunLed));
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_EQ(L(Label::kPause), "Manual Step");  // run mode, single step still on
  EXPECT_EQ(model.InstructionCount(), 1);
  EXPECT_FALSE(model.Paused());
  EXPECT_EQ(L(Label::kCycles), " 10000");

  model.RunOrProgram();
  EXPECT_FALSE(model.RunMode());
  EXPECT_EQ(P0(), 1);
  EXPECT_FALSE(model.LampOn(Lamp::kRunLed));
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_EQ(L(Label::kPause), "Manual Step");
}

TEST_F(RunControl, RunClearsAHaltRequest) {
  Nops();
  model.Halt();
  ASSERT_TRUE(model.LampOn(Lamp::kHaltLed));
  model.ToggleSingleStep();  // single-step off
  model.MutableOptions().pause_count = 4;
  model.RunOrProgram();  // request cleared first, so it runs to the pause
  EXPECT_EQ(P0(), 4);
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
}

// ---- Step/Start in program mode ----------------------------------------------------

TEST_F(RunControl, StepStartInProgramModeDoesNothing) {
  Put(0x001, {0xC4, 0x12});
  const scmp::MemoryArray memory = model.Memory();
  model.StepOrStart();
  EXPECT_EQ(model.State(), scmp::MachineState{});
  EXPECT_TRUE(model.Memory() == memory);
  EXPECT_FALSE(model.RunMode());
  EXPECT_EQ(L(Label::kPause), kManual);
  EXPECT_EQ(model.InstructionCount(), 1);  // one step, counted, doing nothing
  EXPECT_EQ(L(Label::kCycles), "");
  EXPECT_EQ(L(Label::kP0), "");
  model.StepInstruction();
  EXPECT_EQ(model.State(), scmp::MachineState{});
}

TEST_F(RunControl, ProgramModeWithoutSingleStepOrRequestCountsToThePause) {
  Nops();
  model.ToggleSingleStep();
  model.MutableOptions().pause_count = 5;
  model.StepOrStart();
  EXPECT_EQ(model.InstructionCount(), 5);
  EXPECT_TRUE(model.Paused());
  EXPECT_EQ(L(Label::kPause), kPause);
  EXPECT_EQ(L(Label::kCycles), k10Blanks);
  EXPECT_EQ(P0(), 0);
}

TEST_F(RunControl, ProgramModeWithTheRequestSetTakesOneEmptyStep) {
  Nops();
  model.RunOrProgram();  // one instruction
  model.RunOrProgram();  // back to program mode: request set, lamp dark
  model.ToggleSingleStep();
  model.StepOrStart();
  EXPECT_EQ(model.InstructionCount(), 1);
  EXPECT_EQ(P0(), 1);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_EQ(L(Label::kPause), k11Blanks);
}

// ---- Pause counts ---------------------------------------------------------------

TEST_F(RunControl, PauseCountOfThree) {
  Nops();
  model.ToggleSingleStep();
  model.MutableOptions().pause_count = 3;
  model.RunOrProgram();
  EXPECT_EQ(P0(), 3);
  EXPECT_TRUE(model.Paused());
  EXPECT_EQ(model.InstructionCount(), 3);
  EXPECT_EQ(L(Label::kPause), kPause);
  EXPECT_EQ(L(Label::kCycles), k10Blanks);
  EXPECT_TRUE(model.RunMode());
  for (int round = 2; round <= 3; ++round) {
    model.StepOrStart();
    EXPECT_EQ(P0(), 3 * round);
    EXPECT_TRUE(model.Paused());
    EXPECT_EQ(L(Label::kPause), kPause);
    EXPECT_EQ(L(Label::kCycles), k10Blanks);
  }
}

TEST_F(RunControl, PauseCountOfOne) {
  Nops();
  model.ToggleSingleStep();
  model.MutableOptions().pause_count = 1;
  model.RunOrProgram();
  EXPECT_EQ(P0(), 1);
  EXPECT_EQ(L(Label::kPause), kPause);
  model.StepOrStart();
  model.StepOrStart();
  EXPECT_EQ(P0(), 3);
  EXPECT_EQ(L(Label::kPause), kPause);
  EXPECT_EQ(L(Label::kCycles), k10Blanks);
  // In single-step mode too, the pause wins over "Manual Step".
  model.ToggleSingleStep();
  model.StepOrStart();
  EXPECT_EQ(P0(), 4);
  EXPECT_EQ(L(Label::kPause), kPause);
}

TEST_F(RunControl, PauseCountZeroNeitherCountsNorPauses) {
  scmp::SettingsInput in;
  in.pause_text = "0";
  in.delay_text = "1";
  model.ApplySettings(in);
  ASSERT_EQ(model.Options().pause_count, 0);
  ASSERT_EQ(L(Label::kCycles), "No Pause");
  Nops();
  model.Memory().data[0x30] = 0x00;  // HALT
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(P0(), 0x30);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_EQ(model.InstructionCount(), 0);
  EXPECT_FALSE(model.Paused());
  EXPECT_EQ(L(Label::kCycles), "No Pause");
  EXPECT_EQ(L(Label::kPause), k9Blanks);
}

TEST_F(RunControl, CyclesLabelShowsWhatIsLeft) {
  Nops();
  model.RunOrProgram();  // single step
  EXPECT_EQ(L(Label::kCycles), " 10000");
  model.StepOrStart();
  EXPECT_EQ(L(Label::kCycles), " 10000");
  model.MutableOptions().pause_count = 5;
  model.Memory().data[4] = 0x00;  // HALT as the second instruction from here
  model.ToggleSingleStep();
  model.StepOrStart();
  EXPECT_EQ(P0(), 4);
  EXPECT_EQ(L(Label::kCycles), " 4");
}

// ---- HALT -------------------------------------------------------------------------

TEST_F(RunControl, HaltWithSingleStepOff) {
  Nops();
  Put(0x003, {0x00});
  Put(0x006, {0x00});
  Put(0x020, {0x00});
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(P0(), 3);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
  EXPECT_FALSE(model.Paused());
  EXPECT_EQ(L(Label::kPause), k9Blanks);
  EXPECT_EQ(L(Label::kCycles), " 9998");

  // The request stays: each Step/Start performs one instruction.
  model.StepOrStart();
  EXPECT_EQ(P0(), 4);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
  EXPECT_EQ(L(Label::kPause), k11Blanks);

  // HLT withdraws it; Step/Start runs freely to the next HALT.
  model.Halt();
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  model.StepOrStart();
  EXPECT_EQ(P0(), 6);
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));

  // Run / Prgm twice runs freely as well.
  model.RunOrProgram();
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_EQ(P0(), 6);
  model.RunOrProgram();
  EXPECT_EQ(P0(), 0x20);
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
}

TEST_F(RunControl, HaltOnThePauseStepShowsPause) {
  Nops();
  Put(0x003, {0x00});
  model.ToggleSingleStep();
  model.MutableOptions().pause_count = 3;
  model.RunOrProgram();
  EXPECT_EQ(P0(), 3);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.Paused());
  EXPECT_EQ(L(Label::kPause), kPause);
}

TEST_F(RunControl, UndefinedOpcodeHaltsTheLoop) {
  Nops();
  Put(0x005, {0xCC, 0x00});  // no store-immediate
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(P0(), 6);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
}

// ---- One loop by the state it starts in -------------------------------------------

TEST_F(RunControl, RunModeSingleStepPerformsOneInstructionEitherWay) {
  Nops();
  model.RunOrProgram();
  ASSERT_EQ(P0(), 1);
  model.StepOrStart();
  EXPECT_EQ(P0(), 2);
  EXPECT_EQ(L(Label::kPause), kManual);
  model.Halt();
  model.StepOrStart();
  EXPECT_EQ(P0(), 3);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
  EXPECT_EQ(L(Label::kPause), kManual);
}

TEST_F(RunControl, RunModeWithTheRequestSetPerformsOneInstruction) {
  Nops();
  model.RunOrProgram();
  model.ToggleSingleStep();
  model.Halt();
  model.StepOrStart();
  EXPECT_EQ(P0(), 2);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_EQ(model.InstructionCount(), 1);
}

// ---- SST, HLT, RST -------------------------------------------------------------------

TEST_F(RunControl, SingleStepSwitch) {
  Nops();
  model.MutableOptions().pause_count = 1;
  model.RunOrProgram();  // one instruction, which reaches the pause
  ASSERT_TRUE(model.Paused());
  ASSERT_EQ(model.InstructionCount(), 1);

  model.ToggleSingleStep();  // off: keeps the count and Paused
  EXPECT_FALSE(model.SingleStepMode());
  EXPECT_FALSE(model.LampOn(Lamp::kSingleStepLed));
  EXPECT_EQ(L(Label::kPause), k11Blanks);
  EXPECT_TRUE(model.Paused());
  EXPECT_EQ(model.InstructionCount(), 1);

  model.ToggleSingleStep();  // on: clears both
  EXPECT_TRUE(model.SingleStepMode());
  EXPECT_TRUE(model.LampOn(Lamp::kSingleStepLed));
  EXPECT_EQ(L(Label::kPause), kManual);
  EXPECT_FALSE(model.Paused());
  EXPECT_EQ(model.InstructionCount(), 0);
  EXPECT_TRUE(model.RunMode());
  EXPECT_EQ(P0(), 1);
}

TEST_F(RunControl, HaltButtonToggles) {
  model.Halt();
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
  model.Halt();
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_FALSE(model.RunMode());
  EXPECT_EQ(model.State(), scmp::MachineState{});
}

TEST_F(RunControl, ResetClearsRegistersFlagsAndTheRequestOnly) {
  Put(0x001, {
                 0xC4, 0x0A,  // 0001 LDI 0A
                 0x35,        // 0003 XPAH P1
                 0xC4, 0x07,  // 0004 LDI 07
                 0x07,        // 0006 CAS
                 0xC4, 0x81,  // 0007 LDI 81
                 0xC9, 0x00,  // 0009 ST 0(P1)
                 0x00,        // 000B HALT
             });
  model.RunOrProgram();
  for (int i = 0; i < 6; ++i) model.StepOrStart();
  ASSERT_EQ(P0(), 0x0B);
  ASSERT_TRUE(model.HaltRequested());
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(model.FlagLedState(i));
    EXPECT_TRUE(model.LampOn(Lamp::kFlagLed, i));
  }
  EXPECT_TRUE(model.LedState(0));
  EXPECT_TRUE(model.LedState(7));
  EXPECT_EQ(L(Label::kAccu), "81");
  EXPECT_EQ(L(Label::kStatus), "07");
  EXPECT_EQ(L(Label::kP1), "0A00");
  EXPECT_EQ(L(Label::kOpcode), "HALT");
  const scmp::MemoryArray memory = model.Memory();

  model.Reset();
  EXPECT_EQ(model.State(), scmp::MachineState{});
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(model.FlagLedState(i));
    EXPECT_FALSE(model.LampOn(Lamp::kFlagLed, i));
  }
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_EQ(model.InstructionCount(), 0);
  EXPECT_TRUE(model.RunMode());
  EXPECT_TRUE(model.SingleStepMode());
  EXPECT_TRUE(model.LampOn(Lamp::kLed, 0));
  EXPECT_TRUE(model.LampOn(Lamp::kLed, 7));
  EXPECT_FALSE(model.LampOn(Lamp::kLed, 1));
  EXPECT_TRUE(model.Memory() == memory);
  EXPECT_EQ(L(Label::kAccu), "00");  // the display shows the cleared registers at once
  EXPECT_EQ(L(Label::kP0), "0000");
  EXPECT_EQ(L(Label::kOpcode), "");  // and no instruction: none led there

  model.StepOrStart();  // the first instruction after RST is at 0x001
  EXPECT_EQ(P0(), 2);
  EXPECT_EQ(L(Label::kP0), "0002");
  EXPECT_EQ(L(Label::kAccu), "0A");
  EXPECT_EQ(L(Label::kStatus), "00");
}

// ---- The register display -------------------------------------------------------------

TEST_F(RunControl, RegisterDisplayInSingleStepMode) {
  Put(0x001, {0x08, 0xC4, 0x5A, 0x09});  // NOP; LDI 5A; undefined 09
  model.State().P[1] = 0x123;
  model.State().P[2] = -32768;
  model.State().P[3] = 0xFFF;
  model.State().E = 0x3C;
  model.State().SR = 0x81;
  struct Row {
    Label label;
    const char* text;
  };
  auto expect = [&](const std::vector<Row>& rows) {
    for (const Row& r : rows) EXPECT_EQ(L(r.label), r.text) << static_cast<int>(r.label);
  };

  model.RunOrProgram();
  expect({{Label::kOpcode, "NOP "}, {Label::kAmode, " "},  {Label::kRegister, "  "},  {Label::kCflag, "-"},
          {Label::kOFlag, "-"},     {Label::kOperation, "N"}, {Label::kP0, "0001"},   {Label::kP1, "0123"},
          {Label::kP2, "8000"},     {Label::kP3, "0FFF"},     {Label::kAccu, "00"},   {Label::kExtension, "3C"},
          {Label::kStatus, "81"},   {Label::kM1, "08"},       {Label::kM2, ""}});

  model.StepOrStart();
  expect({{Label::kOpcode, "LDI "}, {Label::kAmode, "#"}, {Label::kRegister, "  "}, {Label::kOperation, "I"},
          {Label::kP0, "0003"},     {Label::kAccu, "5A"}, {Label::kM1, "C4"},       {Label::kM2, "5A"}});

  model.StepOrStart();
  expect({{Label::kOpcode, " Error"}, {Label::kAmode, ""},     {Label::kRegister, ""},   {Label::kCflag, ""},
          {Label::kOFlag, ""},        {Label::kOperation, ""}, {Label::kP0, "0004"},     {Label::kP2, "8000"},
          {Label::kAccu, "5A"},       {Label::kM1, "09"},      {Label::kM2, ""}});
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
}

TEST_F(RunControl, DisplayShowsATakenJumpsTarget) {
  Put(0x001, {0x90, 0x10});  // JMP +16 -> P0 = 0x012
  model.RunOrProgram();
  EXPECT_EQ(L(Label::kP0), "0012");
  EXPECT_EQ(L(Label::kOpcode), "JMP ");
  EXPECT_EQ(L(Label::kAmode), "D");
  EXPECT_EQ(L(Label::kRegister), "P0");
  EXPECT_EQ(L(Label::kM2), "10");
}

// The display is filled once, at the end, with the step the run ended on.
TEST_F(RunControl, FastRunFillsTheDisplayWhenItEnds) {
  Nops();
  Put(0x005, {0x00});
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(P0(), 5);
  EXPECT_EQ(L(Label::kP0), "0005");
  EXPECT_EQ(L(Label::kOpcode), "HALT");
  EXPECT_EQ(L(Label::kM1), "00");
  EXPECT_EQ(L(Label::kCycles), " 9996");
  EXPECT_EQ(waits, 0);
}

TEST_F(RunControl, SlowModeFillsTheDisplayAndWaits) {
  Put(0x001, {0x08, 0x00});  // NOP; HALT
  model.MutableOptions().fast_mode = false;
  model.MutableOptions().delay_seconds = 0.1f;
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(P0(), 2);
  EXPECT_EQ(L(Label::kP0), "0002");
  EXPECT_EQ(L(Label::kOpcode), "HALT");
  EXPECT_GE(waits, 2);
  EXPECT_GE(waited, 0.2 * 0.99);
}

TEST_F(RunControl, DelayWaitsThroughTheHook) {
  Put(0x001, {0x8F, 0x00, 0x00});  // DLY 00 with A = 0; HALT
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(P0(), 3);
  EXPECT_GE(waits, 1);
  EXPECT_GE(waited, 10040 * 50e-9 * 0.99);
  EXPECT_LT(waited, 0.01);
}

// ---- Ending a run from outside --------------------------------------------------------

class EndlessRun : public RunControl {
 protected:
  // JMP -2 at 0x001: an endless loop; no pause count; single step off.
  void Prepare(std::function<void()> action) {
    Put(0x001, {0x90, 0xFE});
    model.MutableOptions().pause_count = 0;
    model.ToggleSingleStep();
    model.SetPumpHook([this, action] {
      ++pumps;
      if (!model.Running()) ADD_FAILURE() << "pump outside a loop";
      if (pumps == 1) action();
      if (pumps == 1000) {
        ADD_FAILURE() << "the loop did not end";
        model.AbortRun();
      }
      if (pumps > 2000) std::abort();
    });
  }
  int pumps = 0;
};

TEST_F(EndlessRun, HaltFromThePumpEndsTheLoop) {
  Prepare([this] { model.Halt(); });
  model.RunOrProgram();
  EXPECT_FALSE(model.Running());
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_TRUE(model.LampOn(Lamp::kHaltLed));
  EXPECT_TRUE(model.RunMode());
  EXPECT_EQ(P0(), 0);
  EXPECT_EQ(pumps, 1);
}

TEST_F(EndlessRun, SingleStepFromThePumpEndsTheLoop) {
  Prepare([this] { model.ToggleSingleStep(); });
  model.RunOrProgram();
  EXPECT_FALSE(model.Running());
  EXPECT_TRUE(model.SingleStepMode());
  EXPECT_TRUE(model.LampOn(Lamp::kSingleStepLed));
  EXPECT_EQ(L(Label::kPause), kManual);
  EXPECT_FALSE(model.HaltRequested());
}

TEST_F(EndlessRun, AbortEndsTheLoop) {
  Prepare([this] { model.AbortRun(); });
  model.RunOrProgram();
  EXPECT_FALSE(model.Running());
  EXPECT_EQ(pumps, 1);
  EXPECT_EQ(P0(), 0);
  // The next run is not aborted at once.
  model.SetPumpHook([this] {
    ++pumps;
    if (pumps == 3) model.Halt();
    if (pumps > 2000) std::abort();
  });
  model.StepOrStart();
  EXPECT_EQ(pumps, 3);
}

// ---- The register display and the machine ----------------------------------------

// After every operation that changes the registers between runs, the
// register display shows the registers the Monitor shows.
TEST_F(RunControl, RegisterDisplayShowsTheMachineAfterEveryOperation) {
  Nops();
  Put(0x001, {0xC4, 0x5A, 0x01});  // LDI 5A, XAE
  model.SetHistoryRecording(true);
  const std::string saved = dir.File("m.state");
  const scmp::MachineState edited{.A = 0x11, .SR = 0x81, .E = 0x22, .P = {0x0005, 0x0123, 0x0FFE, 0x0A00}};
  std::string error;
  const struct {
    const char* what;
    std::function<void()> act;
  } cases[] = {
      {"steps", [&] { model.RunOrProgram(); model.StepOrStart(); model.StepOrStart(); }},
      {"Step Back", [&] { ASSERT_TRUE(model.StepBack()); }},
      {"saved", [&] { ASSERT_TRUE(model.SaveState(saved, &error)) << error; }},
      {"register edit", [&] { ASSERT_TRUE(model.SetRegisters(edited)); }},
      {"Load State", [&] { ASSERT_TRUE(model.LoadState(saved, &error)) << error; }},
      {"RST", [&] { model.Reset(); }},
  };
  for (const auto& c : cases) {
    c.act();
    const scmp::MachineState& s = model.State();
    EXPECT_EQ(L(Label::kP0) + L(Label::kP1) + L(Label::kP2) + L(Label::kP3) + L(Label::kAccu) +
                  L(Label::kExtension) + L(Label::kStatus),
              scmp::HexWord(s.P[0]) + scmp::HexWord(s.P[1]) + scmp::HexWord(s.P[2]) + scmp::HexWord(s.P[3]) +
                  scmp::HexByte(s.A) + scmp::HexByte(s.E) + scmp::HexByte(s.SR))
        << c.what;
  }
  EXPECT_EQ(L(Label::kP0), "0000");  // RST: the registers go to 0
}

}  // namespace
