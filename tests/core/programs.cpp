// Small SC/MP programs run from reset, once by calling the fetch and the
// executor in a loop and once through Processor::Run; both must end alike.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "tests/support/test_util.h"

namespace {

using scmp::BareBoard;
using scmp::Processor;

struct Block {
  int address;
  std::vector<int> bytes;
};

struct Program {
  const char* name;
  std::vector<Block> blocks;
  std::function<void(Processor&, BareBoard&)> prepare;  // may be empty
  std::function<void(const Processor&, const BareBoard&)> check;
  int steps;  // instructions up to and including the HALT
};

class Machine {
 public:
  explicit Machine(const Program& p) {
    static const scmp::InstructionTable table = [] {
      scmp::InstructionTable t;
      std::string error;
      EXPECT_TRUE(t.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
      return t;
    }();
    cpu.SetTable(table);
    cpu.memory.LayOutStartupMap();
    for (const Block& b : p.blocks)
      for (size_t i = 0; i < b.bytes.size(); ++i) cpu.memory.data[b.address + i] = static_cast<int16_t>(b.bytes[i]);
    if (p.prepare) p.prepare(cpu, board);
  }
  BareBoard board;
  Processor cpu{board};
};

std::vector<Program> AllPrograms() {
  std::vector<Program> list;

  list.push_back({"SumOfFourBytes",
                  {{0x001,
                    {
                        0xC4, 0x02,  // 0001 LDI 02
                        0x35,        // 0003 XPAH P1      P1 = 0200, the list
                        0xC4, 0x03,  // 0004 LDI 03
                        0x36,        // 0006 XPAH P2      P2 = 0300, count and sum
                        0xC4, 0x04,  // 0007 LDI 04
                        0xCA, 0x00,  // 0009 ST 0(P2)     count = 4
                        0xC4, 0x00,  // 000B LDI 00
                        0xCA, 0x01,  // 000D ST 1(P2)     sum = 0
                        0x02,        // 000F loop: CCL
                        0xC5, 0x01,  // 0010 LD @1(P1)
                        0xF2, 0x01,  // 0012 ADD 1(P2)
                        0xCA, 0x01,  // 0014 ST 1(P2)
                        0xBA, 0x00,  // 0016 DLD 0(P2)
                        0x9C, 0xF5,  // 0018 JNZ loop     0x0F - 0x18 - 2 = -11
                        0x00,        // 001A HALT
                    }},
                   {0x200, {0x10, 0x20, 0x30, 0x05}}},
                  nullptr,
                  [](const Processor& c, const BareBoard&) {
                    EXPECT_EQ(c.memory.data[0x301], 0x65);
                    EXPECT_EQ(c.memory.data[0x300], 0x00);
                    EXPECT_EQ(c.state.P[1], 0x204);
                    EXPECT_EQ(c.state.A, 0x00);
                    EXPECT_EQ(c.state.P[0], 0x01A);
                  },
                  8 + 4 * 6 + 1});

  // Three-byte BCD addition, low byte first: CCL once, then DAD byte by
  // byte, each taking the carry of the one before.
  const std::vector<int> bcd_add = {
      0xC4, 0x02,  // 0001 LDI 02
      0x35,        // 0003 XPAH P1   P1 = 0200: augend and sum
      0xC4, 0x03,  // 0004 LDI 03
      0x36,        // 0006 XPAH P2   P2 = 0300: addend
      0x02,        // 0007 CCL
      0xC1, 0x00,  // 0008 LD 0(P1)
      0xEA, 0x00,  // 000A DAD 0(P2)
      0xC9, 0x00,  // 000C ST 0(P1)
      0xC1, 0x01,  // 000E LD 1(P1)
      0xEA, 0x01,  // 0010 DAD 1(P2)
      0xC9, 0x01,  // 0012 ST 1(P1)
      0xC1, 0x02,  // 0014 LD 2(P1)
      0xEA, 0x02,  // 0016 DAD 2(P2)
      0xC9, 0x02,  // 0018 ST 2(P1)
      0x00,        // 001A HALT
  };
  list.push_back({"BcdAdd019999Plus1",
                  {{0x001, bcd_add}, {0x200, {0x99, 0x99, 0x01}}, {0x300, {0x01, 0x00, 0x00}}},
                  [](Processor& c, BareBoard&) { c.state.SR = 0x80; },  // CCL must clear it
                  [](const Processor& c, const BareBoard&) {
                    EXPECT_EQ(c.memory.data[0x200], 0x00);
                    EXPECT_EQ(c.memory.data[0x201], 0x00);
                    EXPECT_EQ(c.memory.data[0x202], 0x02);
                    EXPECT_EQ(c.state.SR & 0x80, 0);
                  },
                  15});
  list.push_back({"BcdAdd382745Plus619568",
                  {{0x001, bcd_add}, {0x200, {0x45, 0x27, 0x38}}, {0x300, {0x68, 0x95, 0x61}}},
                  nullptr,
                  [](const Processor& c, const BareBoard&) {  // 1002313
                    EXPECT_EQ(c.memory.data[0x200], 0x13);
                    EXPECT_EQ(c.memory.data[0x201], 0x23);
                    EXPECT_EQ(c.memory.data[0x202], 0x00);
                    EXPECT_EQ(c.state.SR & 0x80, 0x80);
                  },
                  15});

  list.push_back({"SubroutineCallAndPortOutput",
                  {{0x001,
                    {
                        0xC4, 0x0A,  // 0001 LDI 0A
                        0x35,        // 0003 XPAH P1   P1 = 0A00, the port
                        0xC4, 0x01,  // 0004 LDI 01
                        0x37,        // 0006 XPAH P3
                        0xC4, 0xFF,  // 0007 LDI FF
                        0x33,        // 0009 XPAL P3   P3 = 01FF: routine at 0200
                        0xC4, 0x5A,  // 000A LDI 5A
                        0x3F,        // 000C XPPC P3   call
                        0xC9, 0x01,  // 000D ST 1(P1)  LEDs
                        0x00,        // 000F HALT
                    }},
                   {0x200,
                    {
                        0xE4, 0xFF,  // 0200 XRI FF
                        0x3F,        // 0202 XPPC P3   return
                    }}},
                  nullptr,
                  [](const Processor& c, const BareBoard& b) {
                    EXPECT_EQ(c.state.A, 0xA5);
                    EXPECT_EQ(b.leds, 0xA5);
                    EXPECT_EQ(b.led_writes, 1);
                    EXPECT_EQ(c.state.P[3], 0x202);
                    EXPECT_EQ(c.state.P[1], 0xA00);
                    EXPECT_EQ(c.state.P[0], 0x00F);
                    EXPECT_EQ(c.memory.data[0xA01], 0);
                  },
                  12});

  list.push_back({"StackAndSwitches",
                  {{0x001,
                    {
                        0xC4, 0x0A,  // 0001 LDI 0A
                        0x35,        // 0003 XPAH P1    P1 = 0A00
                        0xC4, 0x01,  // 0004 LDI 01
                        0x36,        // 0006 XPAH P2    P2 = 0100, the stack
                        0xC1, 0x00,  // 0007 LD 0(P1)   the switches
                        0xCE, 0xFF,  // 0009 ST @-1(P2) push
                        0xC4, 0x07,  // 000B LDI 07
                        0xCE, 0xFF,  // 000D ST @-1(P2) push
                        0xC4, 0x00,  // 000F LDI 00
                        0xC6, 0x01,  // 0011 LD @1(P2)  pop 07
                        0x01,        // 0013 XAE
                        0xC6, 0x01,  // 0014 LD @1(P2)  pop the switches
                        0x02,        // 0016 CCL
                        0x70,        // 0017 ADE
                        0xC9, 0x00,  // 0018 ST 0(P1)   LEDs
                        0x00,        // 001A HALT
                    }}},
                  [](Processor& c, BareBoard& b) {
                    b.switches = 0x3C;
                    c.state.SR = 0x80;
                  },
                  [](const Processor& c, const BareBoard& b) {
                    EXPECT_EQ(c.state.P[2], 0x100);
                    EXPECT_EQ(c.state.E, 0x07);
                    EXPECT_EQ(c.state.A, 0x43);
                    EXPECT_EQ(b.leds, 0x43);
                    EXPECT_EQ(c.memory.data[0x0FF], 0x3C);
                    EXPECT_EQ(c.memory.data[0x0FE], 0x07);
                  },
                  16});

  // A jump back by 128 is not redirected through E; a load with the same
  // displacement byte is.
  list.push_back({"JumpBack128AndLoadThroughE",
                  {{0x001,
                    {
                        0xC4, 0x05,  // 0001 LDI 05
                        0x01,        // 0003 XAE         E = 5
                        0x90, 0x7E,  // 0004 JMP +126    to 0084
                    }},
                   {0x008,
                    {
                        0xC0, 0x80,  // 0008 LD 0x80(P0) reads 0009 + E = 000E
                        0x00,        // 000A HALT
                    }},
                   {0x00E, {0x77}},
                   {0x084,
                    {
                        0xC4, 0x11,  // 0084 LDI 11
                        0x90, 0x80,  // 0086 JMP -128    to 0008
                    }},
                   {0x08D, {0xC4, 0xEE, 0x00}}},  // where E = 5 would lead
                  nullptr,
                  [](const Processor& c, const BareBoard&) {
                    EXPECT_EQ(c.state.A, 0x77);
                    EXPECT_EQ(c.state.E, 0x05);
                    EXPECT_EQ(c.state.P[0], 0x00A);
                  },
                  7});

  list.push_back({"FlagsShiftsAndStatus",
                  {{0x001,
                    {
                        0xC4, 0x05,  // 0001 LDI 05
                        0x07,        // 0003 CAS       SR = 05: F0 and F2
                        0xC4, 0x81,  // 0004 LDI 81
                        0x03,        // 0006 SCL
                        0x1F,        // 0007 RRL       C0, CY/L 1
                        0x1D,        // 0008 SRL       E0
                        0x1E,        // 0009 RR        70
                        0x1C,        // 000A SR        38
                        0x01,        // 000B XAE
                        0x06,        // 000C CSA       85
                        0x00,        // 000D HALT
                    }}},
                  nullptr,
                  [](const Processor& c, const BareBoard& b) {
                    EXPECT_EQ(c.state.E, 0x38);
                    EXPECT_EQ(c.state.A, 0x85);
                    EXPECT_EQ(c.state.SR, 0x85);
                    EXPECT_EQ(b.flags, 0x05);
                  },
                  11});

  // A counted loop with a delay: ILD on a RAM counter, shown on the LEDs.
  list.push_back({"DelayLoopCountsOnTheLeds",
                  {{0x001,
                    {
                        0xC4, 0x0A,  // 0001 LDI 0A
                        0x35,        // 0003 XPAH P1    P1 = 0A00
                        0xC4, 0x01,  // 0004 LDI 01
                        0x36,        // 0006 XPAH P2    P2 = 0100, the counter
                        0x8F, 0x01,  // 0007 loop: DLY 01
                        0xAA, 0x00,  // 0009 ILD 0(P2)
                        0xC9, 0x00,  // 000B ST 0(P1)   LEDs
                        0xE4, 0x03,  // 000D XRI 03
                        0x9C, 0xF6,  // 000F JNZ loop   0x07 - 0x0F - 2 = -10
                        0x00,        // 0011 HALT
                    }}},
                  nullptr,
                  [](const Processor& c, const BareBoard& b) {
                    // A before each DLY: 0, then 3 ^ 1 = 2, then 3 ^ 2 = 1.
                    EXPECT_EQ(b.delay_steps, 3u * 20000 + (1 + 3 + 2) * 40);
                    EXPECT_EQ(b.leds, 0x03);
                    EXPECT_EQ(b.led_writes, 3);
                    EXPECT_EQ(c.memory.data[0x100], 0x03);
                    EXPECT_EQ(c.state.A, 0x00);
                  },
                  4 + 3 * 5 + 1});
  return list;
}

class Programs : public ::testing::TestWithParam<Program> {};

TEST_P(Programs, StepLoop) {
  const Program& p = GetParam();
  Machine m(p);
  int steps = 0;
  while (!m.cpu.halt_requested && steps < 10000) {
    const scmp::Fetched f = m.cpu.FetchInstruction();
    m.cpu.ExecuteInstruction(f.opcode, f.operand);
    ++steps;
  }
  EXPECT_EQ(steps, p.steps);
  EXPECT_TRUE(m.board.halt_led);
  p.check(m.cpu, m.board);
}

TEST_P(Programs, RunAgreesWithTheStepLoop) {
  const Program& p = GetParam();
  Machine looped(p);
  while (!looped.cpu.halt_requested) {
    const scmp::Fetched f = looped.cpu.FetchInstruction();
    looped.cpu.ExecuteInstruction(f.opcode, f.operand);
  }
  Machine run(p);
  EXPECT_EQ(run.cpu.Run(10000), static_cast<uint32_t>(p.steps));
  EXPECT_TRUE(run.cpu.halt_requested);
  EXPECT_EQ(run.cpu.state, looped.cpu.state);
  EXPECT_TRUE(run.cpu.memory == looped.cpu.memory);
  EXPECT_EQ(run.board.leds, looped.board.leds);
  EXPECT_EQ(run.board.flags, looped.board.flags);
  EXPECT_EQ(run.board.delay_steps, looped.board.delay_steps);
  p.check(run.cpu, run.board);

  // In slices: the same end after the same number of steps.
  Machine sliced(p);
  uint32_t total = 0;
  for (int i = 0; i < 10000 && !sliced.cpu.halt_requested; ++i) total += sliced.cpu.Run(3);
  EXPECT_EQ(total, static_cast<uint32_t>(p.steps));
  EXPECT_EQ(sliced.cpu.state, looped.cpu.state);
  EXPECT_TRUE(sliced.cpu.memory == looped.cpu.memory);
}

INSTANTIATE_TEST_SUITE_P(Core, Programs, ::testing::ValuesIn(AllPrograms()),
                         [](const ::testing::TestParamInfo<Program>& info) { return info.param.name; });

// ---- Run's stop rules ----------------------------------------------------------

class RunLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(table.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
    cpu.SetTable(table);
    cpu.memory.LayOutStartupMap();
  }
  scmp::InstructionTable table;
  BareBoard board;
  Processor cpu{board};
};

TEST_F(RunLoop, EndsAfterMaxStepsOnAnEndlessLoop) {
  cpu.memory.data[1] = 0x90;  // 0001 JMP -2: itself
  cpu.memory.data[2] = 0xFE;
  EXPECT_EQ(cpu.Run(100), 100u);
  EXPECT_EQ(cpu.state.P[0], 0);
  EXPECT_FALSE(cpu.halt_requested);
  EXPECT_EQ(cpu.Run(1), 1u);
  EXPECT_EQ(cpu.Run(0), 0u);
}

TEST_F(RunLoop, CountsPastTheEndOfAnEndlessStraightLine) {
  // NOPs everywhere in RAM; the run goes on through 0x9FF into the port
  // (0x00 switches: HALT). Run stops at that HALT.
  for (int a = 0; a < 0xA00; ++a) cpu.memory.data[a] = 0x08;
  board.switches = 0x00;
  EXPECT_EQ(cpu.Run(5000), 0xA00u);
  EXPECT_TRUE(cpu.halt_requested);
  EXPECT_EQ(cpu.state.P[0], 0xA00);
}

TEST_F(RunLoop, AStopRequestAlreadySetStillAllowsOneStep) {
  cpu.memory.data[1] = 0x08;
  cpu.memory.data[2] = 0x08;
  cpu.halt_requested = true;
  EXPECT_EQ(cpu.Run(50), 1u);
  EXPECT_EQ(cpu.state.P[0], 1);
  EXPECT_TRUE(cpu.halt_requested);
}

class BreakingBoard : public BareBoard {
 public:
  Processor* cpu = nullptr;
  void DriveLeds(int16_t value) override {
    BareBoard::DriveLeds(value);
    cpu->BreakRun();
  }
};

TEST(RunBreak, ABoardHookEndsTheRunAfterTheStep) {
  scmp::InstructionTable table;
  std::string error;
  ASSERT_TRUE(table.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
  BreakingBoard board;
  Processor cpu(board);
  board.cpu = &cpu;
  cpu.SetTable(table);
  cpu.memory.LayOutStartupMap();
  const std::vector<int> code = {
      0xC4, 0x0A,  // 0001 LDI 0A
      0x35,        // 0003 XPAH P1
      0xC9, 0x00,  // 0004 loop: ST 0(P1)
      0xF4, 0x01,  // 0006 ADI 01
      0x90, 0xFA,  // 0008 JMP loop  0x04 - 0x08 - 2 = -6
  };
  for (size_t i = 0; i < code.size(); ++i) cpu.memory.data[1 + i] = static_cast<int16_t>(code[i]);
  EXPECT_EQ(cpu.Run(1000), 3u);  // LDI, XPAH, ST
  EXPECT_EQ(board.led_writes, 1);
  EXPECT_FALSE(cpu.halt_requested);
  EXPECT_EQ(cpu.Run(1000), 3u);  // ADI, JMP, ST: the break does not linger
  EXPECT_EQ(board.led_writes, 2);
  EXPECT_EQ(board.leds, 1);
  EXPECT_EQ(cpu.Run(2), 2u);
  EXPECT_EQ(board.led_writes, 2);
}

}  // namespace
