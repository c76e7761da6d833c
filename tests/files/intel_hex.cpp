// Intel HEX: what is written reads back, every faulty record is refused
// with memory unchanged, and bytes without RAM are dropped.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "files/intel_hex.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

std::unique_ptr<MemoryArray> StartupMemory() {
  auto m = std::make_unique<MemoryArray>();
  m->LayOutStartupMap();
  for (int a = 0; a < kMemorySize; ++a) m->data[a] = static_cast<int16_t>(a & 0x7F);
  return m;
}

TEST(IntelHex, WrittenRecordsCarryChecksumsAndEndWithTheEndRecord) {
  EXPECT_EQ(IntelHexText({{0x001, {0xC4, 0x0A}}}), ":02000100C40A2F\r\n:00000001FF\r\n");
  std::vector<uint8_t> twenty(20, 0x11);
  const std::string text = IntelHexText({{0x100, twenty}});
  EXPECT_EQ(text.substr(0, 9), ":10010000");   // 16 bytes in the first record
  EXPECT_NE(text.find("\r\n:04011000"), std::string::npos);  // and 4 in the second
}

// Past 0xFFFF an extended linear address record (04) comes first whenever
// the upper half changes, and no record crosses a 64K boundary.
TEST(IntelHex, AddressesPast64KGetExtendedAddressRecords) {
  const struct {
    std::vector<HexBlock> blocks;
    std::string text;
  } cases[] = {
      {{{0xD500, {0x01}}}, ":01D500000129\r\n:00000001FF\r\n"},
      {{{0xFFFF, {0x01, 0x02}}},
       ":01FFFF000100\r\n:020000040001F9\r\n:0100000002FD\r\n:00000001FF\r\n"},
      {{{0x10001, {0x77}}, {0x20000, {0x88}}},
       ":020000040001F9\r\n:010001007787\r\n:020000040002F8\r\n:0100000088""77\r\n:00000001FF\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(IntelHexText(c.blocks), c.text);
}

// A HEX load tells every dropped range with its reason.
TEST(IntelHex, DroppedBytesAreReportedByRangeAndReason) {
  test::TempDir dir;
  auto memory = StartupMemory();
  std::string error;
  IntelHexResult result;
  memory->kind[0xFFE] = memory->kind[0xFFF] = kRam;
  memory->kind[0xB00] = kAbsent;
  const std::string path =
      dir.Write("P.hex", IntelHexText({{0xFFE, {1, 2, 3, 4}}, {0xA00, {5}}, {0xB00, {8}}, {0xD500, {6, 7}}}));
  ASSERT_TRUE(LoadIntelHex(*memory, path, &error, &result)) << error;
  EXPECT_EQ(TallyReport("P.hex", result.tally),
            (std::vector<std::string>{"P.hex: 2 bytes, FFE-FFF; 6 bytes dropped (no RAM there)",
                                      "P.hex: 2 bytes at 1000-1001 dropped: outside the board's 4K",
                                      "P.hex: 1 byte at A00 dropped: port",
                                      "P.hex: 1 byte at B00 dropped: absent memory",
                                      "P.hex: 2 bytes at D500-D501 dropped: outside the board's 4K"}));
}

TEST(IntelHex, WhatIsSavedLoadsBackAndBytesWithoutRamAreDropped) {
  test::TempDir dir;
  const std::string path = dir.File("p.hex");
  std::string error;
  ASSERT_TRUE(SaveIntelHex({{0x001, {1, 2, 3}}, {0x9FF, {4, 5, 6}}}, path, &error)) << error;
  auto memory = StartupMemory();
  IntelHexResult result;
  ASSERT_TRUE(LoadIntelHex(*memory, path, &error, &result)) << error;
  EXPECT_EQ(memory->data[1], 1);
  EXPECT_EQ(memory->data[3], 3);
  EXPECT_EQ(memory->data[0x9FF], 4);
  EXPECT_EQ(memory->data[0xA00], 0xA00 & 0x7F);  // the port keeps its cell
  EXPECT_EQ(result.stored, 4);
  EXPECT_EQ(result.dropped, 2);
  EXPECT_EQ(result.last_address, 0x9FF);

  // An extended linear address puts the data far past 0xFFF: dropped.
  const std::string far = dir.Write("far.hex", ":020000040001F9\n:010001007787\n:00000001FF\n");
  ASSERT_TRUE(LoadIntelHex(*memory, far, &error, &result)) << error;
  EXPECT_EQ(TallyReport("far.hex", result.tally).back(), "far.hex: 1 byte at 10001 dropped: outside the board's 4K");
  EXPECT_EQ(result.stored, 0);
  EXPECT_EQ(result.dropped, 1);
  EXPECT_EQ(memory->data[1], 1);
}

TEST(IntelHex, FaultyFilesLeaveMemoryUnchanged) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {":02000100C40A2E\r\n:00000001FF\r\n", "line 1: the checksum is 0x2E, it should be 0x2F"},
      {":02000100C40G2F\r\n:00000001FF\r\n", "line 1: \"0G\" is not a hex byte"},
      {":03000100C40A2F\r\n:00000001FF\r\n", "says 3 data bytes but holds 2"},
      {"02000100C40A2F\r\n:00000001FF\r\n", "line 1: a record starts with \":\""},
      {":02000100C40A2F\r\n", "ends without an end record"},
      {":00000006FA\r\n:00000001FF\r\n", "record type 0x06 is unknown"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = dir.Write("bad.hex", c.text);
    auto memory = StartupMemory();
    auto before = StartupMemory();
    std::string error;
    EXPECT_FALSE(LoadIntelHex(*memory, path, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_NE(error.find("Memory is unchanged"), std::string::npos) << error;
    EXPECT_TRUE(*memory == *before);
  }
}

}  // namespace
}  // namespace scmp
