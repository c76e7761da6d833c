// Effective addresses, jump targets, the byte helpers and the fetch.
#include <gtest/gtest.h>

#include <string>

#include "core/address.h"
#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "tests/support/test_util.h"

namespace {

using scmp::BareBoard;
using scmp::Processor;

constexpr int kLdDisp = 0xC0;  // + pointer
constexpr int kLdAuto = 0xC4;  // + pointer 1..3
constexpr int kStAuto = 0xCC;  // + pointer 1..3
constexpr int kIldDisp = 0xA8;
constexpr int kJmp = 0x90, kJz = 0x98;

class Addressing : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(table_.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
    cpu.SetTable(table_);
    // All RAM, every cell holding a value derived from its address, so that
    // a load shows which address it read.
    for (int a = 0; a < scmp::kMemorySize; ++a) {
      cpu.memory.kind[a] = scmp::kRam;
      cpu.memory.data[a] = static_cast<int16_t>(Tag(a));
    }
  }
  static int Tag(int address) { return (address * 7 + (address >> 8)) & 0xFF; }
  // Executes a load and returns the address whose tag A received (or -1).
  int LoadAddress(int opcode, int disp) {
    cpu.state.A = 0x1FF;  // not a byte: shows that a load happened at all
    cpu.ExecuteInstruction(opcode, disp);
    return cpu.state.A;
  }

  BareBoard board;
  Processor cpu{board};
  scmp::InstructionTable table_;
};

TEST_F(Addressing, DisplacementModeWrapsBothWays) {
  struct Case {
    int pointer, base, disp, address;
  };
  const Case cases[] = {
      {1, 0x000, 0xFF, 0xFFF},  // -1 below 0
      {1, 0xFFF, 0x01, 0x000},  // +1 above 0xFFF
      {2, 0x100, 0x7F, 0x17F},  // +127
      {2, 0x100, 0x81, 0x081},  // -127
      {3, 0x010, 0x90, 0xFA0},  // -112
      {3, 0xFF0, 0x20, 0x010},
      {0, 0x400, 0x05, 0x405},
      {0, 0x001, 0xFE, 0xFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "P" << c.pointer << "=" << std::hex << c.base << " d=" << c.disp);
    cpu.state.P = {0x700, 0x701, 0x702, 0x703};
    cpu.state.P[c.pointer] = static_cast<int16_t>(c.base);
    const auto before = cpu.state;
    EXPECT_EQ(cpu.EffectiveAddress(kLdDisp + c.pointer, c.disp), c.address);
    EXPECT_EQ(cpu.state, before);
    EXPECT_EQ(LoadAddress(kLdDisp + c.pointer, c.disp), Tag(c.address));
    EXPECT_EQ(cpu.state.P, before.P);
  }
}

TEST_F(Addressing, ExtensionStandsInForDisplacement80InMemoryReferences) {
  struct Case {
    int e, address;
  };
  const Case cases[] = {{0x05, 0x205}, {0xFE, 0x1FE}, {0x80, 0x180}, {0x00, 0x200}, {0x7F, 0x27F}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.e);
    cpu.state.P[1] = 0x200;
    cpu.state.E = static_cast<int16_t>(c.e);
    EXPECT_EQ(cpu.EffectiveAddress(kLdDisp + 1, 0x80), c.address);
    EXPECT_EQ(LoadAddress(kLdDisp + 1, 0x80), Tag(c.address));
    EXPECT_EQ(cpu.state.E, c.e);
  }
  // ILD with the E displacement increments the cell at P1 + E.
  cpu.state.E = 0x03;
  cpu.memory.data[0x203] = 0x41;
  cpu.ExecuteInstruction(kIldDisp + 1, 0x80);
  EXPECT_EQ(cpu.memory.data[0x203], 0x42);
  EXPECT_EQ(cpu.state.A, 0x42);
}

TEST_F(Addressing, JumpsTakeDisplacement80AsMinus128) {
  for (int e : {0x05, 0xFE, 0x80}) {
    SCOPED_TRACE(e);
    cpu.state.E = static_cast<int16_t>(e);
    cpu.state.P[0] = 0x301;
    cpu.JumpTarget(kJmp, 0x80);
    EXPECT_EQ(cpu.state.P[0], 0x281);
    cpu.state.P[0] = 0x301;
    cpu.state.A = 0;
    cpu.ExecuteInstruction(kJz, 0x80);
    EXPECT_EQ(cpu.state.P[0], 0x281);
    cpu.state.P[2] = 0x040;
    cpu.ExecuteInstruction(kJmp + 2, 0x80);
    EXPECT_EQ(cpu.state.P[0], 0xFC0);
  }
}

TEST_F(Addressing, JumpsRelativeToTheProgramCounter) {
  // P0 holds the displacement byte's address when a jump executes.
  cpu.state.P[0] = 0xFFF;  // JMP at 0xFFE
  cpu.JumpTarget(kJmp, 0x01);
  EXPECT_EQ(cpu.state.P[0], 0x000);  // the next fetch reads 0x001
  cpu.state.P[0] = 0x101;            // JMP -2 at 0x100 jumps to itself
  cpu.JumpTarget(kJmp, 0xFE);
  EXPECT_EQ(cpu.state.P[0], 0x0FF);
  cpu.state.P[0] = 0x101;  // JMP -1 re-executes from its displacement byte
  cpu.JumpTarget(kJmp, 0xFF);
  EXPECT_EQ(cpu.state.P[0], 0x100);
  // A jump's base above 4095 contributes its low 12 bits.
  cpu.state.P[1] = 0x1234;
  cpu.JumpTarget(kJmp + 1, 0x01);
  EXPECT_EQ(cpu.state.P[0], 0x235);
  cpu.state.P[3] = -2;
  cpu.JumpTarget(kJmp + 3, 0x03);
  EXPECT_EQ(cpu.state.P[0], 0x001);
  EXPECT_EQ(cpu.state.P[3], -2);
}

TEST_F(Addressing, AutoIndexPreDecrementsAndPostIncrements) {
  struct Case {
    int pointer, base, disp, e, address, after;
  };
  const Case cases[] = {
      {2, 0x100, 0xFF, 0, 0x0FF, 0x0FF},     // -1: pre-decrement
      {2, 0x100, 0x01, 0, 0x100, 0x101},     // +1: post-increment
      {2, 0x100, 0x00, 0, 0x100, 0x100},     // 0
      {1, 0x000, 0xFF, 0, 0xFFF, 0xFFF},     // pre-decrement wraps
      {1, 0xFFF, 0x01, 0, 0xFFF, 0x000},     // post-increment wraps the pointer
      {3, 0x100, 0x80, 0xFF, 0x0FF, 0x0FF},  // E = -1 pre-decrements
      {3, 0x100, 0x80, 0x04, 0x100, 0x104},  // E = +4 post-increments
      {3, 0x100, 0x80, 0x80, 0x080, 0x080},  // E = -128
      {1, 0x7F0, 0x7F, 0, 0x7F0, 0x86F},
      {1, 0x7F0, 0x81, 0, 0x771, 0x771},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "P" << c.pointer << "=" << std::hex << c.base << " d=" << c.disp
                                      << " E=" << c.e);
    cpu.state.P = {0x700, 0x701, 0x702, 0x703};
    cpu.state.P[c.pointer] = static_cast<int16_t>(c.base);
    cpu.state.E = static_cast<int16_t>(c.e);
    EXPECT_EQ(cpu.EffectiveAddress(kLdAuto + c.pointer, c.disp), c.address);
    EXPECT_EQ(cpu.state.P[c.pointer], c.after);
    cpu.state.P[c.pointer] = static_cast<int16_t>(c.base);
    EXPECT_EQ(LoadAddress(kLdAuto + c.pointer, c.disp), Tag(c.address));
    EXPECT_EQ(cpu.state.P[c.pointer], c.after);
    EXPECT_EQ(cpu.state.P[0], 0x700);
  }
}

TEST_F(Addressing, PushThenPopRestoresPointerAndValue) {
  cpu.state.P[2] = 0x100;
  cpu.state.A = 0x5E;
  cpu.ExecuteInstruction(kStAuto + 2, 0xFF);  // ST @-1(P2)
  EXPECT_EQ(cpu.state.P[2], 0x0FF);
  EXPECT_EQ(cpu.memory.data[0x0FF], 0x5E);
  cpu.state.A = 0;
  cpu.ExecuteInstruction(kLdAuto + 2, 0x01);  // LD @1(P2)
  EXPECT_EQ(cpu.state.P[2], 0x100);
  EXPECT_EQ(cpu.state.A, 0x5E);
}

TEST_F(Addressing, PointersLoadedAbove4095OrNegative) {
  cpu.memory.LayOutStartupMap();  // so that out-of-range reads are told apart
  cpu.memory.data[0x234] = 0x77;
  // Displacement mode uses the low 12 bits.
  cpu.state.P[1] = 0x1234;
  EXPECT_EQ(cpu.EffectiveAddress(kLdDisp + 1, 0x00), 0x234);
  EXPECT_EQ(LoadAddress(kLdDisp + 1, 0x00), 0x77);
  EXPECT_EQ(cpu.state.P[1], 0x1234);
  // Post-increment uses the whole 16-bit value; the bus answers 0x55 there.
  EXPECT_EQ(cpu.EffectiveAddress(kLdAuto + 1, 0x01), 0x1234);
  EXPECT_EQ(cpu.state.P[1], 0x235);
  cpu.state.P[1] = 0x1234;
  EXPECT_EQ(LoadAddress(kLdAuto + 1, 0x01), 0x55);
  EXPECT_EQ(cpu.state.P[1], 0x235);
  // A store through such an address goes nowhere, and not to 0x234.
  cpu.state.P[1] = 0x1234;
  cpu.state.A = 0x11;
  cpu.ExecuteInstruction(kStAuto + 1, 0x00);
  EXPECT_EQ(cpu.memory.data[0x234], 0x77);
  EXPECT_EQ(cpu.state.P[1], 0x234);  // d = 0 drops the bits above 11
  // Pre-decrement from above 4095 gives the reduced address.
  cpu.state.P[1] = 0x1234;
  EXPECT_EQ(LoadAddress(kLdAuto + 1, 0xFF), Tag(0x233));
  EXPECT_EQ(cpu.state.P[1], 0x233);

  // Negative pointers.
  struct Case {
    int base, disp, address, after;
  };
  const Case cases[] = {
      {-2, 0x01, -2, 0xFFF},
      {-32768, 0x00, -32768, 0x000},
      {-32768, 0xFF, 0xFFF, 0xFFF},
      {0x7FFF, 0x01, 0x7FFF, 0x000},
      {-1, 0x80, 0xFFE, 0xFFE},  // E = 0xFF below
  };
  cpu.state.E = 0xFF;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.base << " " << c.disp);
    cpu.state.P[3] = static_cast<int16_t>(c.base);
    EXPECT_EQ(cpu.EffectiveAddress(kLdAuto + 3, c.disp), c.address);
    EXPECT_EQ(cpu.state.P[3], c.after);
  }
  cpu.state.P[2] = -2;
  EXPECT_EQ(cpu.EffectiveAddress(kLdDisp + 2, 0x03), 0x001);
  EXPECT_EQ(cpu.EffectiveAddress(kLdDisp + 2, 0xFF), 0xFFD);
  EXPECT_EQ(cpu.state.P[2], -2);
}

TEST(ByteHelpers, LowAndHighBytes) {
  EXPECT_EQ(scmp::LowByte(0x1234), 0x34);
  EXPECT_EQ(scmp::HighByte(0x1234), 0x12);
  EXPECT_EQ(scmp::HighByte(-128), 0xFF);
  EXPECT_EQ(scmp::LowByte(-128), 0x80);
  EXPECT_EQ(scmp::HighByte(-32768), 0x80);
  int16_t cell = 0x0F12;
  scmp::SetLowByte(cell, 0x134);
  EXPECT_EQ(cell, 0x0F34);
  scmp::SetHighByte(cell, 0x1A5);
  EXPECT_EQ(cell, static_cast<int16_t>(0xA534));
  EXPECT_LT(cell, 0);
  scmp::SetHighByte(cell, 0xFF);
  EXPECT_EQ(cell, static_cast<int16_t>(0xFF34));
  EXPECT_EQ(scmp::SignedDisplacement(0x7F), 127);
  EXPECT_EQ(scmp::SignedDisplacement(0x80), -128);
  EXPECT_EQ(scmp::SignedDisplacement(0x81), -127);
  EXPECT_EQ(scmp::WrapAddress(0xFFF, 1), 0);
  EXPECT_EQ(scmp::WrapAddress(0, -1), 0xFFF);
  EXPECT_EQ(scmp::WrapAddress(-32768, -1), 0xFFF);
}

// Custom tables: "@" on P0, no pointer, other modes.
class CustomAddressing : public ::testing::Test {
 protected:
  void Use(int opcode, const std::string& line) {
    scmp::InstructionTable t;
    t.records[opcode] = scmp::InstructionTable::RecordFromLine(line);
    cpu.SetTable(t);
  }
  BareBoard board;
  Processor cpu{board};
};

TEST_F(CustomAddressing, AutoIndexOnP0) {
  Use(0xC4, "LD  @P0");
  cpu.state.P[0] = 0x101;
  cpu.memory.data[0x101] = 0x42;
  cpu.ExecuteInstruction(0xC4, 0x02);  // post-increment: reads P0, then P0 += 2
  EXPECT_EQ(cpu.state.A, 0x42);
  EXPECT_EQ(cpu.state.P[0], 0x103);
  cpu.memory.data[0x102] = 0x24;
  cpu.ExecuteInstruction(0xC4, 0xFF);  // pre-decrement
  EXPECT_EQ(cpu.state.A, 0x24);
  EXPECT_EQ(cpu.state.P[0], 0x102);
}

TEST_F(CustomAddressing, NoPointerMeansBaseZero) {
  for (const char* reg : {"P4", "p1", "  ", "1P", "P"}) {
    SCOPED_TRACE(reg);
    for (const char* mode : {"D", "@"}) {
      Use(0xC1, std::string("LD  ") + mode + reg + "   X");
      cpu.state.P = {0x501, 0x502, 0x503, 0x504};
      cpu.memory.data[0x005] = 0x55 ^ 0x0F;
      cpu.memory.data[0xFFF] = 0x3C;
      cpu.ExecuteInstruction(0xC1, 0x05);
      EXPECT_EQ(cpu.state.A, 0x55 ^ 0x0F);
      cpu.ExecuteInstruction(0xC1, 0xFF);
      EXPECT_EQ(cpu.state.A, 0x3C);
      const std::array<int16_t, 4> same = {0x501, 0x502, 0x503, 0x504};
      EXPECT_EQ(cpu.state.P, same);
    }
    // Jumps take base 0 too.
    Use(0x91, std::string("JMP D") + reg + "   J");
    cpu.state.P[0] = 0x501;
    cpu.ExecuteInstruction(0x91, 0x10);
    EXPECT_EQ(cpu.state.P[0], 0x010);
    cpu.ExecuteInstruction(0x91, 0xF0);
    EXPECT_EQ(cpu.state.P[0], 0xFF0);
  }
}

TEST_F(CustomAddressing, OtherModesAddressZero) {
  for (const char* mode : {" ", "#", "d", "X"}) {
    SCOPED_TRACE(mode);
    Use(0xC9, std::string("ST  ") + mode + "P1   M");
    cpu.memory.data[0] = 0;
    cpu.state.P[1] = 0x300;
    cpu.state.A = 0x99;
    cpu.ExecuteInstruction(0xC9, 0x04);
    EXPECT_EQ(cpu.memory.data[0], 0x99);
    EXPECT_EQ(cpu.memory.data[0x304], 0);
    EXPECT_EQ(cpu.state.P[1], 0x300);
    EXPECT_EQ(cpu.EffectiveAddress(0xC9, 0x80), 0);
  }
  // A NUL mode as well.
  scmp::InstructionTable t;
  t.records[0xC1] = scmp::InstructionTable::RecordFromLine(std::string("LD  \0P1   M", 11));
  cpu.SetTable(t);
  cpu.state.P[1] = 0x300;
  EXPECT_EQ(cpu.EffectiveAddress(0xC1, 0x04), 0);
}

TEST_F(CustomAddressing, PointerExchangesWithoutAPointerDoNothing) {
  scmp::InstructionTable t;
  t.records[0x31] = scmp::InstructionTable::RecordFromLine("XPAL P5");
  t.records[0x35] = scmp::InstructionTable::RecordFromLine("XPAH  ");
  t.records[0x3D] = scmp::InstructionTable::RecordFromLine("XPPC p1");
  cpu.SetTable(t);
  cpu.state = {0x12, 0x00, 0x00, {0x100, 0x234, 0x345, 0x456}};
  const auto before = cpu.state;
  for (int op : {0x31, 0x35, 0x3D}) cpu.ExecuteInstruction(op, -1);
  EXPECT_EQ(cpu.state, before);
}

// ---- The fetch -------------------------------------------------------------

class Fetch : public Addressing {};

TEST_F(Fetch, AdvancesBeforeEachByte) {
  cpu.state.P[0] = 0;
  cpu.memory.data[1] = 0x08;  // NOP
  cpu.memory.data[2] = 0xC4;  // LDI 0x9A
  cpu.memory.data[3] = 0x9A;
  scmp::Fetched f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0x08);
  EXPECT_EQ(f.operand, -1);
  EXPECT_EQ(cpu.state.P[0], 1);
  f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0xC4);
  EXPECT_EQ(f.operand, 0x9A);
  EXPECT_EQ(cpu.state.P[0], 3);
}

TEST_F(Fetch, WrapsFrom0FFFTo000) {
  cpu.memory.data[0xFFF] = 0xC4;
  cpu.memory.data[0x000] = 0x3B;
  cpu.state.P[0] = 0xFFE;
  scmp::Fetched f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0xC4);
  EXPECT_EQ(f.operand, 0x3B);
  EXPECT_EQ(cpu.state.P[0], 0);
  cpu.state.P[0] = 0xFFF;
  cpu.memory.data[0x000] = 0x02;
  f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0x02);
  EXPECT_EQ(cpu.state.P[0], 0);
}

TEST_F(Fetch, ProgramCounterAbove4095ReadsAddressZero) {
  cpu.memory.data[0] = 0x1C;
  for (int p0 : {0x1000, 0x1234, 0x7FFE}) {
    SCOPED_TRACE(p0);
    cpu.state.P[0] = static_cast<int16_t>(p0);
    const scmp::Fetched f = cpu.FetchInstruction();
    EXPECT_EQ(f.opcode, 0x1C);
    EXPECT_EQ(cpu.state.P[0], 0);
  }
}

TEST_F(Fetch, NegativeProgramCounterCountsUpThroughOutOfRangeReads) {
  cpu.memory.LayOutStartupMap();
  cpu.memory.data[0] = 0x08;
  cpu.state.P[0] = -3;
  for (int expected_p0 : {-2, -1}) {
    const scmp::Fetched f = cpu.FetchInstruction();
    EXPECT_EQ(f.opcode, 0x55);
    EXPECT_EQ(f.operand, -1);
    EXPECT_EQ(cpu.state.P[0], expected_p0);
  }
  const scmp::Fetched f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0x08);
  EXPECT_EQ(cpu.state.P[0], 0);
  // 0x7FFF steps to -32768 and keeps counting up.
  cpu.state.P[0] = 0x7FFF;
  EXPECT_EQ(cpu.FetchInstruction().opcode, 0x55);
  EXPECT_EQ(cpu.state.P[0], -32768);
  EXPECT_EQ(cpu.FetchInstruction().opcode, 0x55);
  EXPECT_EQ(cpu.state.P[0], -32767);
}

TEST_F(Fetch, LengthComesFromBit7NotFromTheTable) {
  // A table that names nothing: opcode 0xC4 still takes two bytes, 0x44 one.
  scmp::InstructionTable empty;
  cpu.SetTable(empty);
  cpu.memory.data[1] = 0x44;
  cpu.memory.data[2] = 0xC4;
  cpu.memory.data[3] = 0x44;
  cpu.state.P[0] = 0;
  EXPECT_EQ(cpu.FetchInstruction().operand, -1);
  EXPECT_EQ(cpu.state.P[0], 1);
  EXPECT_EQ(cpu.FetchInstruction().operand, 0x44);
  EXPECT_EQ(cpu.state.P[0], 3);
}

TEST_F(Fetch, CellsOutsideByteRangeCountByTheirLow8Bits) {
  // 0x1C4 is LDI by its low byte: two bytes long.
  cpu.memory.data[1] = 0x1C4;
  cpu.memory.data[2] = 0x105;
  cpu.state.P[0] = 0;
  scmp::Fetched f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0xC4);
  EXPECT_EQ(f.operand, 0x05);
  EXPECT_EQ(cpu.state.P[0], 2);
  cpu.ExecuteInstruction(f.opcode, f.operand);
  EXPECT_EQ(cpu.state.A, 0x05);
  // A negative cell: -60 is 0xFFC4, LDI again; an operand cell of -1 is
  // 0xFF, not "no operand".
  cpu.memory.data[3] = -60;
  cpu.memory.data[4] = -1;
  f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0xC4);
  EXPECT_EQ(f.operand, 0xFF);
  EXPECT_EQ(cpu.state.P[0], 4);
  cpu.ExecuteInstruction(f.opcode, f.operand);
  EXPECT_EQ(cpu.state.A, 0xFF);
  // 0x108 is NOP by its low byte: one byte long.
  cpu.memory.data[5] = 0x108;
  f = cpu.FetchInstruction();
  EXPECT_EQ(f.opcode, 0x08);
  EXPECT_EQ(f.operand, -1);
  EXPECT_EQ(cpu.state.P[0], 5);
}

}  // namespace
