// The front panel right after start-up, and start-up failures.
#include <gtest/gtest.h>

#include <string>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace {

using scmp::Label;
using scmp::Lamp;
using scmp::PanelModel;

class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(scmp::test::DataDirWithShippedTable(dir), &error)) << error;
  }
  scmp::test::TempDir dir;
  PanelModel model;
};

TEST_F(StartUp, SwitchesLampsAndModes) {
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(model.SwitchWeight(i), 1 << i);
    EXPECT_FALSE(model.AddressSwitch(i));
    EXPECT_FALSE(model.LampOn(Lamp::kAddressSwitch, i));
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_FALSE(model.DataSwitch(i));
    EXPECT_FALSE(model.LampOn(Lamp::kDataSwitch, i));
    EXPECT_FALSE(model.LedState(i));
    EXPECT_FALSE(model.LampOn(Lamp::kLed, i));
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(model.FlagLedState(i));
    EXPECT_FALSE(model.LampOn(Lamp::kFlagLed, i));
  }
  EXPECT_FALSE(model.LampOn(Lamp::kHaltLed));
  EXPECT_FALSE(model.LampOn(Lamp::kRunLed));  // green: program mode
  EXPECT_TRUE(model.LampOn(Lamp::kSingleStepLed));
  EXPECT_EQ(model.SwitchAddress(), 0);
  EXPECT_EQ(model.SwitchData(), 0);

  EXPECT_FALSE(model.RunMode());
  EXPECT_TRUE(model.SingleStepMode());
  EXPECT_FALSE(model.HaltRequested());
  EXPECT_FALSE(model.Paused());
  EXPECT_EQ(model.InstructionCount(), 0);
  EXPECT_FALSE(model.Running());

  EXPECT_TRUE(model.Options().fast_mode);
  EXPECT_FLOAT_EQ(model.Options().delay_seconds, 1.0f);
  EXPECT_EQ(model.Options().pause_count, 10000);
  EXPECT_FALSE(model.Options().trace_on);
  EXPECT_FALSE(model.Trace().IsOpen());
  EXPECT_EQ(model.DataDir(), dir.path().string() + "/");
}

TEST_F(StartUp, LabelTexts) {
  EXPECT_EQ(model.LabelText(Label::kSpeed), "Fast");
  EXPECT_EQ(model.LabelText(Label::kPause), "Manual Step");
  EXPECT_EQ(model.LabelText(Label::kTrace), "Trace off");
  EXPECT_EQ(model.LabelText(Label::kDelay), "No Delay");
  EXPECT_EQ(model.LabelText(Label::kCycles), "");
  for (Label l : {Label::kOpcode, Label::kAmode, Label::kRegister, Label::kCflag, Label::kOFlag, Label::kOperation,
                  Label::kP0, Label::kP1, Label::kP2, Label::kP3, Label::kM1, Label::kM2, Label::kAccu,
                  Label::kExtension, Label::kStatus})
    EXPECT_EQ(model.LabelText(l), "") << static_cast<int>(l);
}

TEST_F(StartUp, MachineTableAndMemoryMap) {
  EXPECT_EQ(model.State(), scmp::MachineState{});
  for (int a = 0; a < scmp::kMemorySize; ++a) {
    const int want = a < 0xA00 ? scmp::kRam : a < 0xB00 ? scmp::kPort : scmp::kAbsent;
    ASSERT_EQ(model.Memory().kind[a], want) << a;
    ASSERT_EQ(model.Memory().data[a], 0) << a;
  }
  scmp::InstructionTable shipped;
  std::string error;
  ASSERT_TRUE(shipped.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error));
  for (int op = 0; op < 256; ++op) ASSERT_TRUE(model.Cpu().table()[op] == shipped[op]) << op;
}

TEST(StartUpFailure, MissingOrOversizedTableIsReportedWithItsPath) {
  scmp::test::TempDir dir;
  {
    PanelModel model;
    std::string error;
    EXPECT_FALSE(model.StartUp(dir.path().string() + "/", &error));
    EXPECT_NE(error.find(dir.path().string() + "/SCMP.DEL"), std::string::npos) << error;
  }
  {
    std::string big;
    for (int i = 0; i < 257; ++i) big += "NOP\r\n";
    dir.Write("SCMP.DEL", big);
    PanelModel model;
    std::string error;
    EXPECT_FALSE(model.StartUp(dir.path().string() + "/", &error));
    EXPECT_NE(error.find("SCMP.DEL"), std::string::npos) << error;
  }
}

TEST(StartUpCustomTable, AShortFileLeavesNulRecords) {
  scmp::test::TempDir dir;
  dir.Write("SCMP.DEL", "HALT\r\nXAE\r\n");
  PanelModel model;
  model.SetWaitHook([](double) {});
  std::string error;
  ASSERT_TRUE(model.StartUp(dir.path().string() + "/", &error)) << error;
  EXPECT_EQ(scmp::RightTrim(scmp::FieldText(model.Cpu().table()[1].Mnemonic)), "XAE");
  EXPECT_TRUE(model.Cpu().table()[2] == scmp::InstructionRecord{});
}

}  // namespace
