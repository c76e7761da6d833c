// Disassembling and assembling again gives the same bytes; each sample
// source assembles to the shipped listing byte for byte.
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "asm/listing_writer.h"
#include "asm/opcode_map.h"
#include "tests/asm/asm_support.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Random programs of defined instructions, each operand byte random too.
TEST(DisassemblerRoundTrip, RandomProgramsOfDefinedInstructionsAssembleBackToTheSameBytes) {
  const InstructionTable& table = test::ShippedTable();
  const assembler::OpcodeMap map(table);
  std::vector<int> defined;
  for (int n = 0; n < 256; ++n)
    if (map.FormOf(n).op != Op::kNothing) defined.push_back(n);
  ASSERT_GT(defined.size(), 60u);

  std::mt19937 random(12);
  for (int round = 0; round < 300; ++round) {
    auto memory = std::make_unique<MemoryArray>();
    const int from = static_cast<int>(random() % 0xF00);
    int address = from;
    for (int i = 0; i < 40; ++i) {
      const int opcode = defined[random() % defined.size()];
      memory->data[address++] = static_cast<int16_t>(opcode);
      if (opcode & 0x80) memory->data[address++] = static_cast<int16_t>(random() % 256);
    }
    const int to = address - 1;
    const std::string text = Joined(Disassemble(*memory, from, to, table));
    SCOPED_TRACE(text);
    EXPECT_EQ(text.find(".byte"), std::string::npos) << "every defined instruction is written as one";
    const Assembly a = Assemble(text, "dis.s", table);
    ASSERT_TRUE(a.Succeeded()) << FormatDiagnostic(a.diagnostics.front());
    ASSERT_FALSE(a.code.empty());
    EXPECT_EQ(a.code.front().address, from);
    std::vector<uint8_t> expected;
    for (int x = from; x <= to; ++x) expected.push_back(static_cast<uint8_t>(memory->data[x]));
    EXPECT_EQ(test::AllBytes(a), expected);
  }
}

TEST(DisassemblerRoundTrip, UndefinedOpcodesAndCutInstructionsBecomeBytes) {
  auto memory = std::make_unique<MemoryArray>();
  memory->data[1] = 0x09;  // undefined
  memory->data[2] = 0x90;  // JMP, its displacement beyond the range
  const std::vector<std::string> lines = Disassemble(*memory, 1, 2, test::ShippedTable());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[1].find(".byte 0x09"), std::string::npos);
  EXPECT_NE(lines[2].find(".byte 0x90"), std::string::npos);

  memory->data[3] = 0xF8;
  const std::vector<std::string> jump = Disassemble(*memory, 2, 3, test::ShippedTable());
  EXPECT_NE(jump[1].find("JMP -8(PC)"), std::string::npos) << jump[1];
  EXPECT_NE(jump[1].find("-> 0FFC"), std::string::npos) << jump[1];  // 0x003 - 8 + 1, in 12 bits
}

TEST(SampleSources, EachSourceAssemblesToTheShippedListing) {
  int sources = 0;
  for (const auto& entry : fs::directory_iterator(test::SourceDataDir() + "Samples")) {
    if (entry.path().extension() != ".s") continue;
    ++sources;
    const std::string path = entry.path().string();
    SCOPED_TRACE(path);
    const std::string source = test::ReadFile(path);
    const Assembly a = Assemble(source, path, test::ShippedTable());
    for (const Diagnostic& d : a.diagnostics) ADD_FAILURE() << FormatDiagnostic(d);
    fs::path listing = entry.path();
    listing.replace_extension(".ASM");
    EXPECT_EQ(ListingText(a, source, entry.path().filename().string()), test::ReadFile(listing.string()));
  }
  EXPECT_GE(sources, 8);
}

}  // namespace
}  // namespace scmp
