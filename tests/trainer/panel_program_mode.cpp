// The program-mode controls: address and data switches, A+, A-, examining
// an address, and Latch with its display texts.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace {

using scmp::Label;
using scmp::Lamp;
using scmp::PanelModel;

class ProgramMode : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(scmp::test::DataDirWithShippedTable(dir), &error)) << error;
  }
  int DataSwitches() const {
    int v = 0;
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(model.LampOn(Lamp::kDataSwitch, i), model.DataSwitch(i)) << i;
      if (model.DataSwitch(i)) v |= 1 << i;
    }
    return v;
  }
  int Leds() const {
    int v = 0;
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(model.LampOn(Lamp::kLed, i), model.LedState(i)) << i;
      if (model.LedState(i)) v |= 1 << i;
    }
    return v;
  }
  int AddressSwitches() const {
    int v = 0;
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(model.LampOn(Lamp::kAddressSwitch, i), model.AddressSwitch(i)) << i;
      if (model.AddressSwitch(i)) v |= 1 << i;
    }
    return v;
  }
  void SetDataSwitches(int value) {
    for (int i = 0; i < 8; ++i)
      if (model.DataSwitch(i) != (((value >> i) & 1) != 0)) model.ToggleDataSwitch(i);
  }
  void SetAddressSwitches(int value) {
    for (int i = 0; i < 12; ++i)
      if (model.AddressSwitch(i) != (((value >> i) & 1) != 0)) model.ToggleAddressSwitch(i);
  }
  bool DisplayEmpty() const {
    for (Label l : {Label::kP0, Label::kM1, Label::kM2, Label::kOpcode, Label::kAccu})
      if (!model.LabelText(l).empty()) return false;
    return true;
  }

  scmp::test::TempDir dir;
  PanelModel model;
};

TEST_F(ProgramMode, AddressSwitchesExamineRam) {
  model.Memory().data[0x123] = 0xA5;
  model.Memory().data[0x800] = 0x11;
  model.Memory().data[0x801] = 0x22;
  SetAddressSwitches(0x123);
  EXPECT_EQ(model.SwitchAddress(), 0x123);
  EXPECT_EQ(AddressSwitches(), 0x123);
  EXPECT_EQ(DataSwitches(), 0xA5);
  EXPECT_EQ(model.SwitchData(), 0xA5);
  EXPECT_EQ(Leds(), 0xA5);

  SetAddressSwitches(0x800);  // switch 11 alone
  EXPECT_EQ(model.SwitchAddress(), 2048);
  EXPECT_EQ(DataSwitches(), 0x11);
  model.ToggleAddressSwitch(0);
  EXPECT_EQ(model.SwitchAddress(), 2049);
  EXPECT_EQ(DataSwitches(), 0x22);
  EXPECT_EQ(Leds(), 0x22);
  EXPECT_TRUE(DisplayEmpty());
  EXPECT_EQ(model.Memory().data[0x123], 0xA5);
}

TEST_F(ProgramMode, ExaminingThePortCopiesTheSwitchesToTheLeds) {
  SetDataSwitches(0x3C);
  model.ExamineAddress(0xA80);
  EXPECT_EQ(DataSwitches(), 0x3C);
  EXPECT_EQ(Leds(), 0x3C);
  SetAddressSwitches(0xAFF);  // on the way there RAM sets the switches
  SetDataSwitches(0x81);
  model.ToggleAddressSwitch(0);  // 0xAFE, a port address
  EXPECT_EQ(model.SwitchAddress(), 0xAFE);
  EXPECT_EQ(DataSwitches(), 0x81);
  EXPECT_EQ(Leds(), 0x81);
}

TEST_F(ProgramMode, ExaminingAbsentMemoryShowsFE) {
  SetDataSwitches(0x01);
  model.ExamineAddress(0xB00);
  EXPECT_EQ(DataSwitches(), 0xFE);
  EXPECT_EQ(Leds(), 0xFE);
  model.Memory().data[0x10] = 0x07;
  model.ExamineAddress(0x10);
  model.ExamineAddress(0xFFF);
  EXPECT_EQ(DataSwitches(), 0xFE);
  EXPECT_EQ(Leds(), 0xFE);
}

TEST_F(ProgramMode, PlusAndMinusWrap) {
  model.Memory().data[0] = 0x5A;
  model.StepAddress(-1);  // 0 -> 4095
  EXPECT_EQ(model.SwitchAddress(), 4095);
  EXPECT_EQ(AddressSwitches(), 0xFFF);
  EXPECT_EQ(DataSwitches(), 0xFE);  // absent
  model.StepAddress(+1);  // 4095 -> 0
  EXPECT_EQ(model.SwitchAddress(), 0);
  EXPECT_EQ(AddressSwitches(), 0);
  EXPECT_EQ(DataSwitches(), 0x5A);
  EXPECT_EQ(Leds(), 0x5A);
  model.Memory().data[1] = 0x01;
  model.Memory().data[2] = 0x02;
  model.StepAddress(+1);
  model.StepAddress(+1);
  EXPECT_EQ(model.SwitchAddress(), 2);
  EXPECT_EQ(DataSwitches(), 0x02);
  model.StepAddress(-1);
  EXPECT_EQ(model.SwitchAddress(), 1);
  EXPECT_EQ(DataSwitches(), 0x01);
  EXPECT_TRUE(DisplayEmpty());
}

TEST_F(ProgramMode, DataSwitchesChangeNeitherMemoryNorLeds) {
  model.Memory().data[0x40] = 0x99;
  SetAddressSwitches(0x40);
  const scmp::MemoryArray before = model.Memory();
  model.ToggleDataSwitch(0);
  model.ToggleDataSwitch(7);
  EXPECT_EQ(DataSwitches(), 0x99 ^ 0x81);
  EXPECT_EQ(model.SwitchData(), 0x18);
  EXPECT_EQ(Leds(), 0x99);
  EXPECT_TRUE(model.Memory() == before);
  model.ToggleDataSwitch(7);
  EXPECT_EQ(DataSwitches(), 0x99 ^ 0x01);
}

TEST_F(ProgramMode, LatchStoresShowsAndWritesTheDisplay) {
  SetAddressSwitches(0x005);
  SetDataSwitches(0x0C);
  model.Latch();
  EXPECT_EQ(model.Memory().data[5], 0x0C);
  EXPECT_EQ(Leds(), 0x0C);  // LEDs 2 and 3
  EXPECT_EQ(model.LabelText(Label::kP0), " 005");
  EXPECT_EQ(model.LabelText(Label::kM1), " 0C");
  EXPECT_EQ(model.LabelText(Label::kM2), "");
  EXPECT_EQ(model.SwitchAddress(), 5);  // Latch does not move on
  EXPECT_EQ(DataSwitches(), 0x0C);

  // Entering the next byte: A+, switches, Latch.
  model.StepAddress(+1);
  EXPECT_EQ(DataSwitches(), 0x00);
  SetDataSwitches(0xFF);
  model.Latch();
  EXPECT_EQ(model.Memory().data[6], 0xFF);
  EXPECT_EQ(model.LabelText(Label::kP0), " 006");
  EXPECT_EQ(model.LabelText(Label::kM1), " FF");

  SetAddressSwitches(0x9AB);
  SetDataSwitches(0x00);
  model.Latch();
  EXPECT_EQ(model.Memory().data[0x9AB], 0);
  EXPECT_EQ(model.LabelText(Label::kP0), " 9AB");
  EXPECT_EQ(model.LabelText(Label::kM1), " 00");
  EXPECT_EQ(Leds(), 0);
}

TEST_F(ProgramMode, LatchAtAbsentOrPortAddresses) {
  const scmp::MemoryArray before = model.Memory();
  SetAddressSwitches(0xB00);
  SetDataSwitches(0x81);
  model.Latch();
  EXPECT_TRUE(model.Memory() == before);
  EXPECT_EQ(Leds(), 0x81);
  EXPECT_EQ(model.LabelText(Label::kP0), " B00");
  EXPECT_EQ(model.LabelText(Label::kM1), " 81");
  SetAddressSwitches(0xA42);
  SetDataSwitches(0x24);
  model.Latch();
  EXPECT_TRUE(model.Memory() == before);
  EXPECT_EQ(Leds(), 0x24);
  EXPECT_EQ(model.LabelText(Label::kP0), " A42");
}

TEST_F(ProgramMode, LedWritesFollowTheKindOfA00) {
  // A memory image may make 0xA00 RAM: examining then stores there and the
  // LEDs stay as they are.
  model.ExamineAddress(0xB00);
  ASSERT_EQ(Leds(), 0xFE);
  model.Memory().kind[0xA00] = scmp::kRam;
  model.Memory().data[0x10] = 0x42;
  model.ExamineAddress(0x10);
  EXPECT_EQ(DataSwitches(), 0x42);
  EXPECT_EQ(model.Memory().data[0xA00], 0x42);
  EXPECT_EQ(Leds(), 0xFE);
  // A port elsewhere now reads the switches.
  model.Memory().kind[0x100] = scmp::kPort;
  model.ExamineAddress(0x100);
  EXPECT_EQ(DataSwitches(), 0x42);
}

TEST_F(ProgramMode, ControlsActTheSameInRunMode) {
  model.Memory().data[1] = 0xC4;  // LDI 12, the one step of Run / Prgm
  model.Memory().data[2] = 0x12;
  model.RunOrProgram();
  ASSERT_TRUE(model.RunMode());
  ASSERT_EQ(model.LabelText(Label::kM2), "12");
  SetAddressSwitches(0x300);
  SetDataSwitches(0x77);
  model.Latch();
  EXPECT_EQ(model.Memory().data[0x300], 0x77);
  EXPECT_EQ(model.LabelText(Label::kP0), " 300");
  EXPECT_EQ(model.LabelText(Label::kM2), "");
  model.Memory().data[0x301] = 0x66;
  model.StepAddress(+1);
  EXPECT_EQ(DataSwitches(), 0x66);
  EXPECT_EQ(model.State().P[0], 2);
}

TEST_F(ProgramMode, EveryButtonTellsTheViewOfAChange) {
  model.Memory().data[1] = 0x08;
  model.Memory().data[2] = 0x08;
  const std::pair<const char*, std::function<void()>> presses[] = {
      {"address switch", [&] { model.ToggleAddressSwitch(3); }},
      {"data switch", [&] { model.ToggleDataSwitch(2); }},
      {"A+", [&] { model.StepAddress(+1); }},
      {"A-", [&] { model.StepAddress(-1); }},
      {"Latch", [&] { model.Latch(); }},
      {"HLT", [&] { model.Halt(); }},
      {"SST", [&] { model.ToggleSingleStep(); }},
      {"Run / Prgm", [&] { model.RunOrProgram(); }},
      {"RST", [&] { model.Reset(); }},
      {"SST again", [&] { model.ToggleSingleStep(); }},
      {"Step/Start", [&] { model.StepOrStart(); }},
  };
  for (const auto& [name, press] : presses) {
    const uint64_t before = model.ChangeCount();
    press();
    EXPECT_GT(model.ChangeCount(), before) << name;
  }
}

}  // namespace
