// The panel read out in words: the Lamps as Text line and each lamp's
// spoken name, against the model's lamps.
#include "trainer/lamps_text.h"

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

class LampsTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(test::DataDirWithShippedTable(dir), &error)) << error;
  }
  void SetSwitches(int address, int data) {
    for (int i = 0; i < 12; ++i)
      if (model.AddressSwitch(i) != (((address >> i) & 1) != 0)) model.ToggleAddressSwitch(i);
    for (int i = 0; i < 8; ++i)
      if (model.DataSwitch(i) != (((data >> i) & 1) != 0)) model.ToggleDataSwitch(i);
  }
  test::TempDir dir;
  PanelModel model;
};

TEST_F(LampsTextTest, ReadsTheBoardOutAsTheLampsShowIt) {
  struct Case {
    int address, data;
    bool latch, single_step, run;
    const char* expected;
  } cases[] = {
      // Latching at the output port shows the data switches on the LEDs.
      {0xA00, 0x5A, true, false, false,
       "LEDs 0101 1010 (5A)  Flags F2 off F1 off F0 off  Switches 0101 1010 (5A)  Address 1010 0000 0000 (A00)"
       "  PRGM  single step off  Halt off"},
      // Run mode (which starts with the LEDs dark and the halt lamp lit) and
      // single step are read out.
      {0x012, 0x35, false, true, true,
       "LEDs 0000 0000 (00)  Flags F2 off F1 off F0 off  Switches 0011 0101 (35)  Address 0000 0001 0010 (012)"
       "  RUN  single step on  Halt on"},
  };
  for (const Case& c : cases) {
    SetSwitches(c.address, c.data);
    if (c.latch) model.Latch();
    if (model.SingleStepMode() != c.single_step) model.ToggleSingleStep();
    if (model.RunMode() != c.run) model.RunOrProgram();
    EXPECT_EQ(LampsText(model), c.expected);
  }
}

TEST(LampSpoken, NamesEveryKindOfLampAndItsState) {
  struct Case {
    Lamp lamp;
    int index;
    bool on;
    const char* expected;
  } cases[] = {
      {Lamp::kLed, 3, true, "LED 3, lit"},
      {Lamp::kLed, 0, false, "LED 0, dark"},
      {Lamp::kFlagLed, 1, true, "Flag F1, lit"},
      {Lamp::kDataSwitch, 3, true, "Data switch 3, on"},
      {Lamp::kAddressSwitch, 10, false, "Address switch A, off"},
      {Lamp::kHaltLed, 0, true, "Halt, lit"},
      {Lamp::kSingleStepLed, 0, false, "Single step, dark"},
      {Lamp::kRunLed, 0, true, "Run/Prgm, RUN"},
      {Lamp::kRunLed, 0, false, "Run/Prgm, PRGM"},
  };
  for (const Case& c : cases) EXPECT_EQ(LampSpoken(c.lamp, c.index, c.on), c.expected);
}

}  // namespace
}  // namespace scmp
