// Instruction execution with the shipped instruction file: the adders, the
// memory-reference, immediate and jump instructions, DLY, the halt, and the
// one-byte group.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "tests/support/test_util.h"

namespace {

using scmp::BareBoard;
using scmp::Processor;

// SC/MP opcodes as the shipped file lays them out.
enum : int {
  kHalt = 0x00, kXae = 0x01, kCcl = 0x02, kScl = 0x03, kDint = 0x04, kIen = 0x05, kCsa = 0x06,
  kCas = 0x07, kNop = 0x08, kSio = 0x19, kSr = 0x1C, kSrl = 0x1D, kRr = 0x1E, kRrl = 0x1F,
  kXpal = 0x30, kXpah = 0x34, kXppc = 0x3C, kLde = 0x40, kAne = 0x50, kOre = 0x58, kXre = 0x60,
  kDae = 0x68, kAde = 0x70, kCae = 0x78,
  kDly = 0x8F, kJmp = 0x90, kJp = 0x94, kJz = 0x98, kJnz = 0x9C, kIld = 0xA8, kDld = 0xB8,
  kLd = 0xC0, kLdi = 0xC4, kSt = 0xC8, kAnd = 0xD0, kAni = 0xD4, kOr = 0xD8, kOri = 0xDC,
  kXor = 0xE0, kXri = 0xE4, kDad = 0xE8, kDai = 0xEC, kAdd = 0xF0, kAdi = 0xF4, kCad = 0xF8,
  kCai = 0xFC,
};
constexpr int kCy = 0x80, kOv = 0x40;
constexpr int kRamCell = 0x234;  // operand cell, reached as 0(P1)

class Execute : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(table_.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
    cpu.SetTable(table_);
    cpu.memory.LayOutStartupMap();
    cpu.state.P[0] = 0x050;
    cpu.state.P[1] = kRamCell;
  }
  void Exec(int opcode, int operand = -1) { cpu.ExecuteInstruction(opcode, operand); }

  BareBoard board;
  Processor cpu{board};

 private:
  scmp::InstructionTable table_;
};

// The three ways an add reaches its second argument: memory 0(P1), the
// immediate byte, and E.
enum class Form { kMemory, kImmediate, kExtension };
const char* FormName(Form f) {
  return f == Form::kMemory ? "memory" : f == Form::kImmediate ? "immediate" : "E";
}

struct AddCase {
  int a, b;
  bool cy_in, ov_in;
  int result;
  bool cy_out, ov_out;
};

class AddFamily : public Execute {
 protected:
  // Runs one of the three opcodes of a family on `c` and checks the result,
  // CY/L, OV (or OV kept when `keeps_ov`) and the other SR bits.
  void Check(const AddCase& c, Form form, int memory_op, int immediate_op, int e_op, bool keeps_ov) {
    SCOPED_TRACE(::testing::Message() << FormName(form) << " a=" << std::hex << c.a << " b=" << c.b
                                      << " cy=" << c.cy_in << " ov=" << c.ov_in);
    const int other_bits = 0x35;
    cpu.state.A = static_cast<int16_t>(c.a);
    cpu.state.E = 0x5C;
    cpu.state.SR = static_cast<int16_t>(other_bits | (c.cy_in ? kCy : 0) | (c.ov_in ? kOv : 0));
    cpu.halt_requested = false;
    switch (form) {
      case Form::kMemory:
        cpu.memory.data[kRamCell] = static_cast<int16_t>(c.b);
        Exec(memory_op + 1, 0x00);
        break;
      case Form::kImmediate:
        Exec(immediate_op, c.b);
        break;
      case Form::kExtension:
        cpu.state.E = static_cast<int16_t>(c.b);
        Exec(e_op);
        break;
    }
    EXPECT_EQ(cpu.state.A, c.result);
    EXPECT_EQ((cpu.state.SR & kCy) != 0, c.cy_out);
    EXPECT_EQ((cpu.state.SR & kOv) != 0, keeps_ov ? c.ov_in : c.ov_out);
    EXPECT_EQ(cpu.state.SR & 0x3F, other_bits);
    EXPECT_EQ(cpu.state.E, form == Form::kExtension ? c.b : 0x5C);
    EXPECT_EQ(cpu.state.P[1], kRamCell);
    EXPECT_EQ(cpu.state.P[0], 0x050);
    EXPECT_FALSE(cpu.halt_requested);
    if (form == Form::kMemory) {
      EXPECT_EQ(cpu.memory.data[kRamCell], c.b);
    }
  }
};

TEST_F(AddFamily, BinaryAddSetsCarryAndOverflow) {
  const std::vector<AddCase> cases = {
      {0x7F, 0x01, false, false, 0x80, false, true},
      {0xFF, 0x01, false, true, 0x00, true, false},
      {0x80, 0x80, false, false, 0x00, true, true},
      {0x00, 0x00, true, false, 0x01, false, false},  // carry-in adds one
      {0x7F, 0x00, true, false, 0x80, false, true},   // overflow through the carry-in
      {0xFF, 0xFF, true, false, 0xFF, true, false},
      {0x40, 0x40, false, false, 0x80, false, true},
      {0xC0, 0xC0, false, true, 0x80, true, false},   // -64 + -64 = -128, no overflow
      {0x12, 0x34, false, true, 0x46, false, false},  // OV cleared
      {0x80, 0x7F, true, false, 0x00, true, false},
  };
  for (const AddCase& c : cases)
    for (Form f : {Form::kMemory, Form::kImmediate, Form::kExtension}) Check(c, f, kAdd, kAdi, kAde, false);
}

TEST_F(AddFamily, ComplementAddSubtractsWithBorrow) {
  const std::vector<AddCase> cases = {
      {0x50, 0x30, true, false, 0x20, true, false},
      {0x50, 0x30, false, false, 0x1F, true, false},
      {0x30, 0x50, true, false, 0xE0, false, false},  // borrow
      {0x42, 0x01, true, false, 0x41, true, false},   // CAI 1 with CY/L set decrements
      {0x80, 0x01, true, false, 0x7F, true, true},    // -128 - 1 overflows
      {0x7F, 0xFF, true, false, 0x80, false, true},   // 127 - (-1) overflows
      {0x00, 0x00, true, true, 0x00, true, false},
      {0x00, 0x01, true, false, 0xFF, false, false},
      {0x5A, 0x5A, true, false, 0x00, true, false},   // CAE with A = E and CY/L set
  };
  for (const AddCase& c : cases)
    for (Form f : {Form::kMemory, Form::kImmediate, Form::kExtension}) Check(c, f, kCad, kCai, kCae, false);
}

TEST_F(AddFamily, DecimalAddTakesCarryInAndLeavesOverflow) {
  const std::vector<AddCase> cases = {
      {0x45, 0x38, false, false, 0x83, false, false},
      {0x99, 0x01, false, true, 0x00, true, false},
      {0x50, 0x50, false, false, 0x00, true, false},
      {0x45, 0x38, true, false, 0x84, false, false},  // carry-in
      {0x99, 0x00, true, true, 0x00, true, false},
      {0x09, 0x00, true, false, 0x10, false, false},
      {0x99, 0x99, true, false, 0x99, true, false},
      {0x00, 0x00, true, false, 0x01, false, false},
      {0x58, 0x41, true, true, 0x00, true, false},
      {0x12, 0x34, false, false, 0x46, false, false},
      // Digits above 9: each digit sum is corrected by 10 once, the low 8
      // bits of high * 16 + low are kept.
      {0xFF, 0xFF, false, false, 0x64, true, false},  // 21 * 16 + 20 = 356
      {0x0A, 0x00, false, false, 0x10, false, false},
      {0xA0, 0x00, false, false, 0x00, true, false},
      {0x0F, 0x0F, true, false, 0x25, false, false},  // 1 * 16 + 21
      {0xF0, 0xF0, false, false, 0x40, true, false},  // 20 * 16
  };
  for (const AddCase& c : cases)
    for (Form f : {Form::kMemory, Form::kImmediate, Form::kExtension}) Check(c, f, kDad, kDai, kDae, true);
}

TEST_F(Execute, LogicalOperationsAgreeAcrossForms) {
  struct Op {
    const char* name;
    int memory_op, immediate_op, e_op;
    int (*f)(int, int);
  };
  const Op ops[] = {
      {"and", kAnd, kAni, kAne, [](int a, int b) { return a & b; }},
      {"or", kOr, kOri, kOre, [](int a, int b) { return a | b; }},
      {"xor", kXor, kXri, kXre, [](int a, int b) { return a ^ b; }},
  };
  const int pairs[][2] = {{0xF0, 0x3C}, {0x00, 0xFF}, {0xAA, 0x55}, {0xFF, 0xFF}, {0x81, 0x18}};
  for (const Op& op : ops) {
    for (const auto& p : pairs) {
      SCOPED_TRACE(::testing::Message() << op.name << " " << std::hex << p[0] << " " << p[1]);
      const int want = op.f(p[0], p[1]);
      // memory
      cpu.state.A = static_cast<int16_t>(p[0]);
      cpu.state.SR = 0xC5;
      cpu.memory.data[kRamCell] = static_cast<int16_t>(p[1]);
      Exec(op.memory_op + 1, 0);
      EXPECT_EQ(cpu.state.A, want);
      EXPECT_EQ(cpu.state.SR, 0xC5);
      // immediate
      cpu.state.A = static_cast<int16_t>(p[0]);
      Exec(op.immediate_op, p[1]);
      EXPECT_EQ(cpu.state.A, want);
      // E
      cpu.state.A = static_cast<int16_t>(p[0]);
      cpu.state.E = static_cast<int16_t>(p[1]);
      Exec(op.e_op);
      EXPECT_EQ(cpu.state.A, want);
      EXPECT_EQ(cpu.state.E, p[1]);
      EXPECT_EQ(cpu.state.SR, 0xC5);
    }
  }
}

TEST_F(Execute, LoadStoreAndImmediateLoad) {
  cpu.memory.data[kRamCell] = 0x9C;
  cpu.state.SR = 0xC0;
  Exec(kLd + 1, 0);
  EXPECT_EQ(cpu.state.A, 0x9C);
  Exec(kLdi, 0x21);
  EXPECT_EQ(cpu.state.A, 0x21);
  Exec(kSt + 1, 3);
  EXPECT_EQ(cpu.memory.data[kRamCell + 3], 0x21);
  EXPECT_EQ(cpu.memory.data[kRamCell], 0x9C);
  EXPECT_EQ(cpu.state.SR, 0xC0);
  EXPECT_EQ(cpu.state.P[1], kRamCell);
}

TEST_F(Execute, IncrementAndDecrementWrapAndLeaveFlags) {
  struct Case {
    int opcode, before, after;
  };
  const Case cases[] = {{kIld, 0xFF, 0x00}, {kDld, 0x00, 0xFF}, {kIld, 0x41, 0x42}, {kDld, 0x80, 0x7F}};
  for (const Case& c : cases) {
    for (int sr : {0x00, 0xC0}) {
      SCOPED_TRACE(::testing::Message() << std::hex << c.opcode << " " << c.before << " sr " << sr);
      cpu.memory.data[kRamCell + 2] = static_cast<int16_t>(c.before);
      cpu.state.A = 0x33;
      cpu.state.SR = static_cast<int16_t>(sr);
      Exec(c.opcode + 1, 2);
      EXPECT_EQ(cpu.memory.data[kRamCell + 2], c.after);
      EXPECT_EQ(cpu.state.A, c.after);
      EXPECT_EQ(cpu.state.SR, sr);
    }
  }
}

TEST_F(Execute, IncrementOnThePortDrivesTheLeds) {
  cpu.state.P[1] = 0xA10;
  board.switches = 0x41;
  Exec(kIld + 1, 0);
  EXPECT_EQ(cpu.state.A, 0x42);
  EXPECT_EQ(board.leds, 0x42);
  EXPECT_EQ(board.led_writes, 1);
  EXPECT_EQ(cpu.memory.data[0xA10], 0);
  Exec(kDld + 1, 0);
  EXPECT_EQ(cpu.state.A, 0x40);
  EXPECT_EQ(board.leds, 0x40);
  // Absent memory reads 0xFE and keeps nothing.
  cpu.state.P[1] = 0xC00;
  Exec(kIld + 1, 0);
  EXPECT_EQ(cpu.state.A, 0xFF);
  EXPECT_EQ(cpu.memory.data[0xC00], 0);
}

TEST_F(Execute, ConditionalJumps) {
  struct Case {
    int opcode, a;
    bool taken;
  };
  const Case cases[] = {
      {kJp, 0x80, false}, {kJp, 0x00, true},  {kJp, 0x7F, true},   {kJp, 0xFF, false},
      {kJz, 0x00, true},  {kJz, 0x01, false}, {kJz, 0x80, false},  {kJnz, 0x00, false},
      {kJnz, 0x01, true}, {kJnz, 0x80, true}, {kJmp, 0x00, true},  {kJmp, 0x80, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.opcode << " A=" << c.a);
    cpu.state.P[0] = 0x101;  // the displacement byte of a jump at 0x100
    cpu.state.A = static_cast<int16_t>(c.a);
    cpu.state.SR = 0x81;
    Exec(c.opcode, 0x10);
    EXPECT_EQ(cpu.state.P[0], c.taken ? 0x111 : 0x101);
    EXPECT_EQ(cpu.state.A, c.a);
    EXPECT_EQ(cpu.state.SR, 0x81);
  }
}

TEST_F(Execute, JumpsUseTheirBasePointer) {
  cpu.state.A = 0;
  cpu.state.P[2] = 0x3F0;
  Exec(kJz + 2, 0x20);
  EXPECT_EQ(cpu.state.P[0], 0x410);
  EXPECT_EQ(cpu.state.P[2], 0x3F0);
  cpu.state.P[3] = 0x005;
  Exec(kJmp + 3, 0xF0);  // -16 wraps below 0
  EXPECT_EQ(cpu.state.P[0], 0xFF5);
}

TEST_F(Execute, DelayCountsEmptyStepsAndChangesNothing) {
  struct Case {
    int operand, a;
    uint64_t steps;
  };
  const Case cases[] = {{0x00, 0x00, 10040}, {0xFF, 0xFF, 2570240}, {0x02, 0x10, 30000 + 17 * 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.operand << " " << c.a);
    board.delay_steps = 0;
    cpu.state.A = static_cast<int16_t>(c.a);
    cpu.state.E = 0x12;
    cpu.state.SR = 0xC3;
    const scmp::MachineState before = cpu.state;
    Exec(kDly, c.operand);
    EXPECT_EQ(board.delay_steps, c.steps);
    EXPECT_EQ(cpu.state, before);
    EXPECT_FALSE(cpu.halt_requested);
  }
}

TEST_F(Execute, HaltAndUndefinedOpcodesStopInBothGroups) {
  struct Case {
    int opcode, operand;
  };
  // HALT, an undefined one-byte opcode, an undefined two-byte opcode (no
  // store-immediate) and another.
  const Case cases[] = {{kHalt, -1}, {0x09, -1}, {0xCC, 0x12}, {0x80, 0x00}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opcode);
    BareBoard b;
    Processor p(b);
    std::string error;
    scmp::InstructionTable t;
    ASSERT_TRUE(t.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error));
    p.SetTable(t);
    p.memory.LayOutStartupMap();
    p.state.A = 0x12;
    p.state.P[0] = 0x345;
    const scmp::MachineState before = p.state;
    const scmp::MemoryArray memory_before = p.memory;
    p.ExecuteInstruction(c.opcode, c.operand);
    EXPECT_TRUE(p.halt_requested);
    EXPECT_TRUE(b.halt_led);
    EXPECT_EQ(p.state, before);
    EXPECT_TRUE(p.memory == memory_before);
  }
}

TEST_F(Execute, HaltProcessorSetsTheRequestAndTheLamp) {
  cpu.HaltProcessor();
  EXPECT_TRUE(cpu.halt_requested);
  EXPECT_TRUE(board.halt_led);
}

TEST_F(Execute, PointerExchanges) {
  // XPAL P1
  cpu.state.A = 0x34;
  cpu.state.P[1] = 0x0F12;
  Exec(kXpal + 1);
  EXPECT_EQ(cpu.state.A, 0x12);
  EXPECT_EQ(cpu.state.P[1], 0x0F34);
  // XPAH P1
  cpu.state.A = 0x0F;
  cpu.state.P[1] = 0x0234;
  Exec(kXpah + 1);
  EXPECT_EQ(cpu.state.A, 0x02);
  EXPECT_EQ(cpu.state.P[1], 0x0F34);
  // XPAH with 0x80 leaves a negative cell; reading it back gives 0x80.
  cpu.state.A = 0x80;
  cpu.state.P[2] = 0x0056;
  Exec(kXpah + 2);
  EXPECT_EQ(cpu.state.A, 0x00);
  EXPECT_EQ(cpu.state.P[2], static_cast<int16_t>(0x8056));
  Exec(kXpah + 2);
  EXPECT_EQ(cpu.state.A, 0x80);
  EXPECT_EQ(cpu.state.P[2], 0x0056);
  // XPAL P3 keeps bits 8..15 even above 4095.
  cpu.state.A = 0xAB;
  cpu.state.P[3] = static_cast<int16_t>(0xF3CD);
  Exec(kXpal + 3);
  EXPECT_EQ(cpu.state.A, 0xCD);
  EXPECT_EQ(cpu.state.P[3], static_cast<int16_t>(0xF3AB));
  // XPPC P3
  cpu.state.P[0] = 0x010;
  cpu.state.P[3] = 0x1FF;
  Exec(kXppc + 3);
  EXPECT_EQ(cpu.state.P[0], 0x1FF);
  EXPECT_EQ(cpu.state.P[3], 0x010);
  // XPPC P0 changes nothing.
  const scmp::MachineState before = cpu.state;
  Exec(kXppc + 0);
  EXPECT_EQ(cpu.state, before);
  // XPAL and XPAH on P0 change the program counter.
  cpu.state.P[0] = 0x123;
  cpu.state.A = 0x80;
  Exec(kXpal + 0);
  EXPECT_EQ(cpu.state.A, 0x23);
  EXPECT_EQ(cpu.state.P[0], 0x180);
  cpu.state.A = 0x07;
  Exec(kXpah + 0);
  EXPECT_EQ(cpu.state.A, 0x01);
  EXPECT_EQ(cpu.state.P[0], 0x780);
}

TEST_F(Execute, ExtensionRegister) {
  cpu.state.A = 0x12;
  cpu.state.E = 0xEF;
  Exec(kXae);
  EXPECT_EQ(cpu.state.A, 0xEF);
  EXPECT_EQ(cpu.state.E, 0x12);
  Exec(kXae);
  EXPECT_EQ(cpu.state.A, 0x12);
  EXPECT_EQ(cpu.state.E, 0xEF);
  Exec(kLde);
  EXPECT_EQ(cpu.state.A, 0xEF);
  EXPECT_EQ(cpu.state.E, 0xEF);
  cpu.state.E = 0xFF;
  Exec(kSio);
  EXPECT_EQ(cpu.state.E, 0x7F);
  Exec(kSio);
  EXPECT_EQ(cpu.state.E, 0x3F);
  EXPECT_EQ(cpu.state.A, 0xEF);
}

TEST_F(Execute, StatusOperations) {
  cpu.state.SR = 0x00;
  Exec(kIen);
  EXPECT_EQ(cpu.state.SR, 0x08);
  Exec(kScl);
  EXPECT_EQ(cpu.state.SR, 0x88);
  Exec(kDint);
  EXPECT_EQ(cpu.state.SR, 0x80);
  cpu.state.SR = 0xFF;
  Exec(kCcl);
  EXPECT_EQ(cpu.state.SR, 0x7F);
  Exec(kDint);
  EXPECT_EQ(cpu.state.SR, 0x77);
  EXPECT_EQ(board.flags, 0);  // only CAS shows the flags

  cpu.state.A = 0x05;
  Exec(kCas);
  EXPECT_EQ(cpu.state.SR, 0x05);
  EXPECT_EQ(board.flags, 0x05);
  cpu.state.A = 0x00;
  Exec(kCsa);
  EXPECT_EQ(cpu.state.A, 0x05);
  cpu.state.A = 0xFA;
  Exec(kCas);
  EXPECT_EQ(cpu.state.SR, 0xFA);
  EXPECT_EQ(board.flags, 0x02);
  Exec(kScl);
  Exec(kIen);
  EXPECT_EQ(board.flags, 0x02);
}

TEST_F(Execute, ShiftsAndRotates) {
  struct Case {
    int opcode, a, sr, a_after, sr_after;
  };
  const Case cases[] = {
      {kSr, 0x01, 0xC0, 0x00, 0xC0},   {kSr, 0xFF, 0x00, 0x7F, 0x00},
      {kSrl, 0x01, 0x80, 0x80, 0x80},  {kSrl, 0xFE, 0x40, 0x7F, 0x40},
      {kRr, 0x01, 0x00, 0x80, 0x00},   {kRr, 0x02, 0x80, 0x01, 0x80},
      {kRr, 0xFF, 0x40, 0xFF, 0x40},   {kRrl, 0x01, 0x00, 0x00, 0x80},
      {kRrl, 0x02, 0x80, 0x81, 0x00},  {kRrl, 0x03, 0xC1, 0x81, 0xC1},
      {kRrl, 0x80, 0x40, 0x40, 0x40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.opcode << " A=" << c.a << " SR=" << c.sr);
    cpu.state.A = static_cast<int16_t>(c.a);
    cpu.state.SR = static_cast<int16_t>(c.sr);
    cpu.state.E = 0x66;
    Exec(c.opcode);
    EXPECT_EQ(cpu.state.A, c.a_after);
    EXPECT_EQ(cpu.state.SR, c.sr_after);
    EXPECT_EQ(cpu.state.E, 0x66);
  }
}

TEST_F(Execute, NopChangesNothing) {
  cpu.state = {0x12, 0xC5, 0x34, {0x100, 0x200, 0x300, 0x400}};
  const scmp::MachineState before = cpu.state;
  Exec(kNop);
  EXPECT_EQ(cpu.state, before);
  EXPECT_FALSE(cpu.halt_requested);
}

// Data-sheet microcycles per instruction, from ExecuteInstruction; the
// jumps with A chosen to take or skip them, DLY with its variable part.
TEST_F(Execute, MicrocyclesFollowTheDataSheet) {
  struct Case {
    int opcode, operand, a;
    uint64_t microcycles;
  };
  const Case cases[] = {
      {kLd, 0, 0, 18},    {kSt, 0, 0, 18},    {kAnd, 0, 0, 18},   {kOr, 0, 0, 18},   {kXor, 0, 0, 18},
      {kAdd, 0, 0, 19},   {kCad, 0, 0, 20},   {kDad, 0, 0, 23},   {kIld, 0, 0, 22},  {kDld, 0, 0, 22},
      {0xC5, 1, 0, 18},  // LD @1(P1)
      {kLdi, 1, 0, 10},   {kAni, 1, 0, 10},   {kOri, 1, 0, 10},   {kXri, 1, 0, 10},  {kAdi, 1, 0, 11},
      {kCai, 1, 0, 12},   {kDai, 1, 0, 15},   {kJmp, 4, 0, 11},
      {kJp, 4, 0x01, 11}, {kJp, 4, 0x80, 9},  {kJz, 4, 0, 11},    {kJz, 4, 1, 9},    {kJnz, 4, 1, 11},
      {kJnz, 4, 0, 9},    {kLde, -1, 0, 6},   {kAne, -1, 0, 6},   {kOre, -1, 0, 6},  {kXre, -1, 0, 6},
      {kXae, -1, 0, 7},   {kAde, -1, 0, 7},   {kCae, -1, 0, 8},   {kDae, -1, 0, 11}, {kXpal, -1, 0, 8},
      {kXpah, -1, 0, 8},  {kXppc, -1, 0, 7},  {kSio, -1, 0, 5},   {kSr, -1, 0, 5},   {kSrl, -1, 0, 5},
      {kRr, -1, 0, 5},    {kRrl, -1, 0, 5},   {kCcl, -1, 0, 5},   {kScl, -1, 0, 5},  {kCsa, -1, 0, 5},
      {kNop, -1, 0, 5},   {kDint, -1, 0, 6},  {kIen, -1, 0, 6},   {kCas, -1, 0, 6},  {kHalt, -1, 0, 8},
      {0x09, -1, 0, 5},   {0xCC, 0x12, 0, 5},  // undefined in either group
      {kDly, 0, 0, 13},   {kDly, 0, 0xFF, 13 + 510}, {kDly, 0xFF, 0x10, 13 + 32 + 510 + 512 * 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.opcode << " " << c.operand << " A=" << c.a);
    cpu.state.A = static_cast<int16_t>(c.a);
    cpu.state.SR = 0;
    cpu.halt_requested = false;
    const uint64_t before = cpu.microcycles;
    Exec(c.opcode, c.operand);
    EXPECT_EQ(cpu.microcycles - before, c.microcycles);
  }
}

// Run counts the same as one instruction at a time, and a port write sees
// the count up to and including the writing instruction.
TEST_F(Execute, RunCountsMicrocyclesLikeSingleSteps) {
  struct CountingBoard : BareBoard {
    const Processor* cpu = nullptr;
    uint64_t microcycles_at_write = 0;
    void DriveLeds(int16_t value) override {
      BareBoard::DriveLeds(value);
      microcycles_at_write = cpu->microcycles;
    }
  } counting;
  Processor p(counting);
  counting.cpu = &p;
  std::string error;
  scmp::InstructionTable t;
  ASSERT_TRUE(t.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error));
  p.SetTable(t);
  p.memory.LayOutStartupMap();
  p.state.P[0] = 0x050;
  p.state.P[1] = kRamCell;
  const int code[] = {
      kLdi, 0x03,        // LDI 3            10
      kSt + 1, 0x00,     // ST 0(P1)         18
      kDld + 1, 0x00,    // loop: DLD 0(P1)  22, three times
      kJnz, 0xFC,        // JNZ loop         11 taken twice, 9 not
      kLdi, 0x0A,        // LDI 0A           10
      kXpah + 2,         // XPAH P2          8: P2 = 0A00, the port
      kLdi, 0x55,        // LDI 55           10
      kSt + 2, 0x00,     // ST 0(P2)         18
      kLdi, 0x00,        // LDI 0            10, after the write
  };
  for (size_t i = 0; i < std::size(code); ++i) p.memory.data[0x51 + i] = static_cast<int16_t>(code[i]);
  const uint64_t at_write = 10 + 18 + 3 * 22 + 2 * 11 + 9 + 10 + 8 + 10 + 18;
  EXPECT_EQ(p.Run(13), 13u);
  EXPECT_EQ(counting.leds, 0x55);
  EXPECT_EQ(counting.microcycles_at_write, at_write);
  EXPECT_EQ(p.microcycles, at_write + 10);
}

}  // namespace
