// The panel's ways of running a program (the fast loop, the traced loop and
// single steps) against the bare processor: after every loop the registers,
// memory, LEDs, flag LEDs, the halt request and the step count must be those
// of the same steps performed on a scmp::Processor with a bare board.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/hex.h"
#include "core/processor.h"
#include "trainer/panel_model.h"
#include "trainer/trace_log.h"
#include "tests/support/test_util.h"

namespace {

using scmp::PanelModel;

class Paths : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(scmp::test::DataDirWithShippedTable(dir), &error)) << error;
    ASSERT_TRUE(model.EnableTrace(dir.File("TRACE.LOG"), &error)) << error;
    ref.SetTable(model.Cpu().table());
    ref.memory = model.Memory();
  }

  int Leds() const {
    int v = 0;
    for (int i = 0; i < 8; ++i) v |= model.LedState(i) << i;
    return v;
  }
  int Flags() const {
    int v = 0;
    for (int i = 0; i < 3; ++i) v |= model.FlagLedState(i) << i;
    return v;
  }

  scmp::test::TempDir dir;
  PanelModel model;
  scmp::BareBoard board;
  scmp::Processor ref{board};
};

TEST_F(Paths, FastTracedAndSingleStepRunsMatchTheProcessor) {
  std::mt19937 rng(2024);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  // Code made of the file's defined opcodes (HALT and DLY rarely), data
  // bytes anywhere.
  std::vector<int> defined;
  for (int op = 0; op < 256; ++op)
    if (!model.Cpu().table()[op].IsUndefined() && op != 0x00 && op != 0x8F) defined.push_back(op);
  for (int a = 0; a < 0xA00; ++a) {
    const int r = pick(1000);
    int byte = defined[pick(static_cast<int>(defined.size()))];
    if (r < 2) byte = 0x00;
    else if (r < 12) byte = 0x8F;
    else if (r < 15) byte = pick(256);
    model.Memory().data[a] = static_cast<int16_t>(byte);
    if (byte & 0x80 && a + 1 < 0xA00) model.Memory().data[++a] = static_cast<int16_t>(pick(256));
  }
  ref.memory = model.Memory();
  model.RunOrProgram();  // enter run mode (one single step)
  ref.Run(1);
  model.ToggleSingleStep();  // single step off

  for (int loop = 0; loop < 4000; ++loop) {
    SCOPED_TRACE(::testing::Message() << "loop " << loop);
    // Now and then new registers (pointers anywhere), switches, modes.
    if (pick(10) == 0) {
      scmp::MachineState s;
      s.A = static_cast<int16_t>(pick(256));
      s.E = static_cast<int16_t>(pick(256));
      s.SR = static_cast<int16_t>(pick(256));
      for (int i = 0; i < 4; ++i) s.P[i] = static_cast<int16_t>(pick(4) == 0 ? pick(65536) : pick(0xA00));
      if (pick(4) != 0) s.P[0] = static_cast<int16_t>(pick(0x9F0));
      model.State() = s;
      ref.state = s;
    }
    if (pick(8) == 0) {
      const int i = pick(8);
      model.ToggleDataSwitch(i);
      board.switches = static_cast<int16_t>(board.switches ^ (1 << i));
    }
    if (pick(40) == 0) model.ToggleSingleStep();
    model.MutableOptions().trace_on = pick(3) == 0;
    const int32_t pause = 1 + pick(300);
    model.MutableOptions().pause_count = pause;
    if (model.HaltRequested() && pick(5) != 0) {
      model.Halt();
      ref.halt_requested = false;
    }

    const bool single = model.SingleStepMode();
    model.StepOrStart();
    const uint32_t steps = ref.Run(single ? 1 : static_cast<uint32_t>(pause));

    ASSERT_EQ(model.State(), ref.state);
    ASSERT_TRUE(model.Memory() == ref.memory);
    ASSERT_EQ(model.InstructionCount(), static_cast<int32_t>(steps));
    ASSERT_EQ(model.HaltRequested(), ref.halt_requested);
    ASSERT_EQ(model.LampOn(scmp::Lamp::kHaltLed), ref.halt_requested);
    ASSERT_EQ(Leds(), board.leds & 0xFF);
    ASSERT_EQ(Flags(), board.flags);
    ASSERT_EQ(model.Paused(), static_cast<int32_t>(steps) >= pause);
    if (ref.halt_requested) board.halt_led = false;
  }
}

TEST(TraceFormat, LinesOfRandomRecordsAndRegisters) {
  std::mt19937 rng(77);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  for (int i = 0; i < 2000; ++i) {
    scmp::InstructionRecord r;
    for (char& c : r.Mnemonic) c = static_cast<char>(pick(256));
    r.Amode[0] = static_cast<char>(pick(256));
    for (char& c : r.Register) c = static_cast<char>(pick(256));
    r.Cflag[0] = static_cast<char>(pick(256));
    r.OFlag[0] = static_cast<char>(pick(256));
    r.Operation[0] = static_cast<char>(pick(256));
    scmp::MachineState s;
    s.A = static_cast<int16_t>(pick(256));
    s.E = static_cast<int16_t>(pick(256));
    s.SR = static_cast<int16_t>(pick(256));
    for (int16_t& p : s.P) p = static_cast<int16_t>(pick(65536));
    const int opcode = pick(256);
    const int operand = opcode & 0x80 ? pick(256) : -1;
    char buf[128];
    auto hex = [&](int v, int digits) {
      std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<unsigned>(v) & (digits == 2 ? 0xFFu : 0xFFFFu));
      return std::string(buf);
    };
    std::string want(r.Mnemonic.data(), 4);
    want += ' ';
    want += std::string(1, r.Amode[0]) + ' ' + std::string(r.Register.data(), 2) + ' ' + r.Cflag[0] + ' ' +
            r.OFlag[0] + ' ' + r.Operation[0] + ' ';
    want += hex(s.P[0], 4) + ' ' + hex(opcode, 2) + ' ' + (operand < 0 ? std::string("   ") : hex(operand, 2) + ' ');
    want += "P0-3: " + hex(s.P[0], 4) + ' ' + hex(s.P[1], 4) + ' ' + hex(s.P[2], 4) + ' ' + hex(s.P[3], 4) + ' ';
    want += "A,EX,ST: " + hex(s.A, 2) + ' ' + hex(s.E, 2) + ' ' + hex(s.SR, 2) + ' ';
    ASSERT_EQ(want.size(), 71u);
    ASSERT_EQ(scmp::TraceLog::FormatInstruction(r, opcode, operand, s), want) << i;
  }
}

TEST(TraceFormat, HexTexts) {
  EXPECT_EQ(scmp::HexByte(5), "05");
  EXPECT_EQ(scmp::HexByte(0x0A), "0A");
  EXPECT_EQ(scmp::HexByte(0xFF), "FF");
  EXPECT_EQ(scmp::HexByte(0), "00");
  EXPECT_EQ(scmp::HexByte(0x1FF), "1FF");
  EXPECT_EQ(scmp::HexByte(-1), "FFFF");
  EXPECT_EQ(scmp::HexWord(0x12345), "12345");
  EXPECT_EQ(scmp::HexWord(0xFFF), "0FFF");
  EXPECT_EQ(scmp::HexWord(0x00A), "000A");
  EXPECT_EQ(scmp::HexWord(0), "0000");
  EXPECT_EQ(scmp::HexWord(-32768), "8000");
  EXPECT_EQ(scmp::HexWord(-1), "FFFF");
  EXPECT_EQ(scmp::HexWord(0x7FFF), "7FFF");
}

}  // namespace
