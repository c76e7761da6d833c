// The memory bus: RAM, the port, absent memory, unknown kinds and addresses
// outside the 12-bit space.
#include <gtest/gtest.h>

#include "tests/support/bare_board.h"
#include "core/processor.h"

namespace {

using scmp::BareBoard;
using scmp::Processor;

class Bus : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int a = 0; a < scmp::kMemorySize; ++a) cpu.memory.data[a] = static_cast<int16_t>((a * 13) & 0xFF);
    cpu.memory.LayOutStartupMap();
  }
  BareBoard board;
  Processor cpu{board};
};

TEST_F(Bus, StartupMapSetsKindsAndKeepsData) {
  for (int a = 0; a < scmp::kMemorySize; ++a) {
    const int want = a < 0xA00 ? scmp::kRam : a < 0xB00 ? scmp::kPort : scmp::kAbsent;
    ASSERT_EQ(cpu.memory.kind[a], want) << a;
    ASSERT_EQ(cpu.memory.data[a], (a * 13) & 0xFF) << a;
  }
}

TEST_F(Bus, RamIsAPlainCellAndIsNotMasked) {
  cpu.WriteMemory(0x000, 0x12);
  cpu.WriteMemory(0x9FF, 0x1FF);
  EXPECT_EQ(cpu.ReadMemory(0x000), 0x12);
  EXPECT_EQ(cpu.memory.data[0x9FF], 0x1FF);
  EXPECT_EQ(cpu.ReadMemory(0x9FF), 0x1FF);
  EXPECT_EQ(board.led_writes, 0);
}

TEST_F(Bus, PortReadsTheSwitchesAndDrivesTheLeds) {
  board.switches = 0x09;
  for (int a : {0xA00, 0xA7F, 0xAFF}) EXPECT_EQ(cpu.ReadMemory(a), 9) << a;
  board.switches = 0xFF;
  EXPECT_EQ(cpu.ReadMemory(0xA10), 255);
  EXPECT_EQ(board.switches, 0xFF);

  const int16_t cell = cpu.memory.data[0xA42];
  cpu.WriteMemory(0xA42, 0x81);
  EXPECT_EQ(board.leds, 0x81);
  EXPECT_EQ(board.led_writes, 1);
  EXPECT_EQ(cpu.memory.data[0xA42], cell);
  EXPECT_EQ(cpu.ReadMemory(0xA42), 0xFF);
  cpu.WriteMemory(0xAFF, 0);
  EXPECT_EQ(board.leds, 0);
  EXPECT_EQ(board.led_writes, 2);
}

TEST_F(Bus, AbsentAndUnknownKindsReadFEAndIgnoreWrites) {
  cpu.memory.kind[0x123] = 3;
  cpu.memory.kind[0x124] = -1;
  cpu.memory.kind[0x125] = 0x7FFF;
  cpu.memory.kind[0x126] = 256;  // low byte 0 must not make it RAM
  cpu.memory.kind[0x127] = 257;  // nor 1 a port
  const scmp::MemoryArray before = cpu.memory;
  for (int a : {0xB00, 0xFFF, 0xC34, 0x123, 0x124, 0x125, 0x126, 0x127}) {
    SCOPED_TRACE(a);
    EXPECT_EQ(cpu.ReadMemory(a), 0xFE);
    cpu.WriteMemory(a, 0x42);
  }
  EXPECT_TRUE(cpu.memory == before);
  EXPECT_EQ(board.led_writes, 0);
}

TEST_F(Bus, AddressesOutside12BitsRead55AndIgnoreWrites) {
  board.switches = 0x33;
  const scmp::MemoryArray before = cpu.memory;
  for (int a : {4096, 4096 + 0xA00, 0x1234, 0x7FFF, -1, -2, -32768, -4096 + 0x10}) {
    SCOPED_TRACE(a);
    EXPECT_EQ(cpu.ReadMemory(a), 0x55);
    cpu.WriteMemory(a, 0x42);
  }
  EXPECT_TRUE(cpu.memory == before);
  EXPECT_EQ(board.led_writes, 0);
}

TEST_F(Bus, KindsComeFromTheKindPlane) {
  cpu.memory.kind[0x100] = scmp::kPort;
  cpu.memory.kind[0xC00] = scmp::kRam;
  cpu.memory.kind[0x200] = scmp::kAbsent;
  board.switches = 0x5A;
  EXPECT_EQ(cpu.ReadMemory(0x100), 0x5A);
  cpu.WriteMemory(0x100, 0x3C);
  EXPECT_EQ(board.leds, 0x3C);
  cpu.WriteMemory(0xC00, 0x77);
  EXPECT_EQ(cpu.ReadMemory(0xC00), 0x77);
  EXPECT_EQ(cpu.ReadMemory(0x200), 0xFE);
  cpu.WriteMemory(0x200, 0x11);
  EXPECT_EQ(cpu.memory.data[0x200], (0x200 * 13) & 0xFF);
}

}  // namespace
