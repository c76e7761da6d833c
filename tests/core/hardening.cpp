// The instruction-table reader and the processor on files nobody should
// give them: binary files, lines of a megabyte, line ends split between two
// reads, files without an end. The table must come out column by column or
// be refused as a whole, and a processor running whatever table results must
// keep to the bus rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "tests/support/record_columns.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::FinishesWithin;
using test::TempDir;



// Runs `table` on random bytes with random kinds from random registers and
// checks after every step what holds whatever the table says: the map and
// the cells that are not RAM never change, and with bytes in every cell and
// register, bytes is all there is afterwards; P0 stays an address.
void RunAnyTable(const InstructionTable& table, unsigned seed, int steps) {
  std::mt19937 rng(seed);
  BareBoard board;
  board.switches = static_cast<int16_t>(rng() & 0xFF);
  auto cpu = std::make_unique<Processor>(board);
  cpu->SetTable(table);
  for (int a = 0; a < kMemorySize; ++a) {
    cpu->memory.data[a] = static_cast<int16_t>(rng() & 0xFF);
    const unsigned k = rng() % 16;
    cpu->memory.kind[a] = static_cast<int16_t>(k < 12 ? kRam : k < 14 ? kPort : k == 14 ? kAbsent : 7);
  }
  cpu->state = {static_cast<int16_t>(rng() & 0xFF), static_cast<int16_t>(rng() & 0xFF),
                static_cast<int16_t>(rng() & 0xFF),
                {static_cast<int16_t>(rng() & 0xFFF), static_cast<int16_t>(rng() & 0xFFF),
                 static_cast<int16_t>(rng() & 0xFFF), static_cast<int16_t>(rng() & 0xFFF)}};
  const auto start = std::make_unique<MemoryArray>(cpu->memory);
  auto is_byte = [](int v) { return v >= 0 && v <= 0xFF; };
  for (int step = 0; step < steps; ++step) {
    const Fetched f = cpu->FetchInstruction();
    cpu->ExecuteInstruction(f.opcode, f.operand);
    cpu->halt_requested = false;
    ASSERT_TRUE(is_byte(cpu->state.A) && is_byte(cpu->state.E) && is_byte(cpu->state.SR)) << "step " << step;
    ASSERT_GE(cpu->state.P[0], 0) << "step " << step;
    ASSERT_LE(cpu->state.P[0], 0xFFF) << "step " << step;
    ASSERT_TRUE(is_byte(board.leds)) << "step " << step;
  }
  EXPECT_EQ(cpu->memory.kind, start->kind);
  for (int a = 0; a < kMemorySize; ++a) {
    if (start->kind[a] != kRam) {
      EXPECT_EQ(cpu->memory.data[a], start->data[a]) << "address " << a;
    }
    EXPECT_TRUE(is_byte(cpu->memory.data[a])) << "address " << a;
  }
}

TEST(BinaryInstructionFile, FewLineEndsLoadColumnByColumnAndRun) {
  TempDir dir;
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    // Bytes of every value but CR and LF, with 200 line ends of all three
    // kinds at random places.
    std::mt19937 rng(seed);
    std::string text;
    std::vector<std::string> lines;
    for (int n = 0; n < 200; ++n) {
      std::string line;
      const size_t length = rng() % 24;
      while (line.size() < length) {
        const char c = static_cast<char>(rng() & 0xFF);
        if (c != '\r' && c != '\n') line += c;
      }
      lines.push_back(line);
      text += line;
      text += n % 3 == 0 ? "\r\n" : n % 3 == 1 ? "\n" : "\r";
    }
    // Parsed from text: loading such a file refuses it as mostly binary,
    // but whatever the table holds must still run safely.
    InstructionTable table;
    std::string error;
    ASSERT_TRUE(table.Parse(text, "SCMP.DEL", &error)) << error;
    for (int n = 0; n < 256; ++n) {
      const InstructionRecord want = n < 200 ? test::RecordByColumns(lines[n]) : InstructionRecord{};
      ASSERT_TRUE(table.records[n] == want) << "record " << n;
    }
    RunAnyTable(table, seed, 5000);
  }
}

TEST(BinaryInstructionFile, AProgramFileIsRefusedWholeNamingIt) {
  TempDir dir;
  fs::copy_file(fs::read_symlink("/proc/self/exe"), dir.path() / "SCMP.DEL");
  const std::string path = dir.File("SCMP.DEL");
  InstructionTable table;
  std::string error;
  ASSERT_TRUE(table.Load(test::SourceDataDir() + "SCMP.DEL", &error)) << error;
  const InstructionTable before = table;
  EXPECT_FALSE(table.Load(path, &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_LT(error.size(), 1000u);
  EXPECT_TRUE(table.records == before.records);
}

TEST(LongInstructionLines, OnlyTheColumnsAndTheLastCharacterCount) {
  TempDir dir;
  constexpr size_t kMb = 1u << 20;
  const std::vector<std::string> lines = {
      "LD  DP1" + std::string(kMb, 'x') + "Z",  // a load through P1, shown as Z
      std::string(kMb, ' ') + "Q",              // four blanks first: undefined
      "HALT",
      std::string(kMb, '\0'),                   // NUL, not blank
      "XPAL P3" + std::string(kMb, ' ') + "!",  // last line, no line end
  };
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i + 1 < lines.size() ? "\r\n" : "");
  InstructionTable table;
  std::string error;
  ASSERT_TRUE(table.Load(dir.Write("SCMP.DEL", text), &error)) << error;
  for (size_t n = 0; n < lines.size(); ++n) EXPECT_TRUE(table.records[n] == test::RecordByColumns(lines[n])) << "record " << n;
  EXPECT_EQ(FieldText(table.records[0].Mnemonic), "LD  ");
  EXPECT_EQ(table.records[0].Operation[0], 'Z');
  EXPECT_TRUE(table.records[1].IsUndefined());
  EXPECT_EQ(table.records[1].Operation[0], 'Q');
  EXPECT_FALSE(table.records[3].IsUndefined());
  EXPECT_EQ(table.records[4].Operation[0], '!');
  for (size_t n = lines.size(); n < 256; ++n) EXPECT_TRUE(table.records[n] == InstructionRecord{}) << "record " << n;

  // The load of record 0 works as its columns say, on opcode 0xC1.
  table.records[0xC1] = table.records[0];
  BareBoard board;
  auto cpu = std::make_unique<Processor>(board);
  cpu->SetTable(table);
  cpu->memory.data[0x105] = 0x3C;
  cpu->state.P[1] = 0x100;
  cpu->ExecuteInstruction(0xC1, 0x05);
  EXPECT_EQ(cpu->state.A, 0x3C);
}

// A CR LF pair that the reader meets split between two reads is one line
// end, wherever the split falls.
TEST(LongInstructionLines, CrLfSplitAcrossReadsIsOneLineEnd) {
  TempDir dir;
  for (size_t split : {4096u, 8192u, 65536u, 131072u}) {
    SCOPED_TRACE(split);
    std::string text = std::string(split - 1, 'A') + "\r\nHALT\r\nXAE";
    ASSERT_EQ(text[split - 1], '\r');
    InstructionTable table;
    std::string error;
    ASSERT_TRUE(table.Load(dir.Write("SCMP.DEL", text), &error)) << error;
    EXPECT_EQ(FieldText(table.records[1].Mnemonic), "HALT");
    EXPECT_EQ(FieldText(table.records[2].Mnemonic), "XAE ");
    EXPECT_TRUE(table.records[3] == InstructionRecord{});
  }
}

// A table file without an end (a character device, a FIFO nobody writes
// to) must give an error, not a start-up that never finishes.
TEST(EndlessInstructionFile, IsRefused) {
  TempDir dir;
  const std::string fifo = dir.File("SCMP.DEL");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), fifo}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(FinishesWithin(5, [&] {
      InstructionTable table;
      std::string error;
      return !table.Load(path, &error) && error.find(path) != std::string::npos ? 0 : 1;
    }));
  }
}

}  // namespace
}  // namespace scmp
