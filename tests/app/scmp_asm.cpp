// scmp-asm as a user runs it: exit statuses, the files it writes, and that a
// failed run leaves every output file as it was.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/asm_command.h"
#include "files/intel_hex.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

struct AsmRun {
  int status;
  std::string out, err;
};

AsmRun Asm(std::vector<std::string> args) {
  args.insert(args.begin(), {"--dir", test::SourceDataDir()});
  std::ostringstream out, err;
  const int status = RunAssembler(args, "scmp-asm", out, err);
  return {status, out.str(), err.str()};
}

constexpr const char* kProgram = " .org 0x001\nLOOP: LDI 0x5A\n JMP LOOP\n";

TEST(ScmpAsm, ExitStatusesForOptionsSourcesAndFiles) {
  test::TempDir dir;
  const std::string good = dir.Write("good.s", kProgram);
  const std::string bad = dir.Write("bad.s", " LDI 0x5A\n FOO\n");
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{}, 2},
      {{good, "--dis", good}, 2},
      {{good, "--from", "1"}, 2},
      {{"--dis", good, "--from", "XYZ"}, 2},
      {{"--dis", good, "--from", "200", "--to", "100"}, 2},
      {{good, "--bogus"}, 2},
      {{"--dis", good, "--dbyte-high-first"}, 2},
      {{dir.File("missing.s")}, 1},
      {{bad}, 1},
      {{good}, 0},
      {{"--help"}, 0},
  };
  for (const auto& c : cases) {
    const AsmRun r = Asm(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
  }
  EXPECT_NE(Asm({bad}).err.find("bad.s:2:2: error: unknown mnemonic FOO"), std::string::npos);
}

TEST(ScmpAsm, WritesListingImageHexAndSymbolsThatLoadTheProgram) {
  test::TempDir dir;
  const std::string source = dir.Write("prog.s", kProgram);
  const AsmRun r = Asm({source, "--ram", dir.File("p.RAM"), "--hex", dir.File("p.hex"), "--symbols", dir.File("p.sym")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<int16_t> expected = {0xC4, 0x5A, 0x90, 0xFC};
  std::string error;
  auto from_listing = std::make_unique<MemoryArray>();
  from_listing->LayOutStartupMap();
  ASSERT_TRUE(LoadListing(*from_listing, dir.File("prog.ASM"), &error)) << error;
  auto from_hex = std::make_unique<MemoryArray>(*from_listing);
  from_hex->data.fill(0);
  ASSERT_TRUE(LoadIntelHex(*from_hex, dir.File("p.hex"), &error)) << error;
  auto from_image = std::make_unique<MemoryArray>();
  ASSERT_TRUE(LoadMemoryImage(*from_image, dir.File("p.RAM"), nullptr, &error)) << error;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(from_listing->data[1 + i], expected[i]);
    EXPECT_EQ(from_hex->data[1 + i], expected[i]);
    EXPECT_EQ(from_image->data[1 + i], expected[i]);
  }
  EXPECT_EQ(from_image->kind[0xA00], kPort);
  EXPECT_EQ(test::ReadFile(dir.File("p.sym")), "LOOP = 0x0001\n");

  // --dis prints source that assembles to the same bytes again.
  const AsmRun dis = Asm({"--dis", dir.File("p.hex")});
  ASSERT_EQ(dis.status, 0) << dis.err;
  const std::string again = dir.Write("again.s", dis.out);
  ASSERT_EQ(Asm({again, "--hex", dir.File("again.hex")}).status, 0);
  EXPECT_EQ(test::ReadFile(dir.File("again.hex")), test::ReadFile(dir.File("p.hex")));
}

// .DBYTE stores the low byte first unless --dbyte-high-first says otherwise;
// the bytes past the board's 4K are one note, not one for each stretch.
TEST(ScmpAsm, DbyteOrderOptionAndOneNoteForBytesOutside4K) {
  test::TempDir dir;
  const std::string source =
      dir.Write("table.s", " .org 0x001\n .dbyte 0x1234\n .org 0x2000\n .byte 1\n .org 0x3000\n .byte 2\n");
  for (const bool high : {false, true}) {
    std::vector<std::string> args = {source, "-o", dir.File("t.ASM")};
    if (high) args.push_back("--dbyte-high-first");
    const AsmRun r = Asm(args);
    ASSERT_EQ(r.status, 0) << r.err;
    auto memory = std::make_unique<MemoryArray>();
    memory->LayOutStartupMap();
    std::string error;
    ASSERT_TRUE(LoadListing(*memory, dir.File("t.ASM"), &error)) << error;
    EXPECT_EQ(memory->data[1], high ? 0x12 : 0x34);
    EXPECT_EQ(memory->data[2], high ? 0x34 : 0x12);
    size_t notes = 0;
    for (size_t at = r.err.find("scmp-asm: note:"); at != std::string::npos; at = r.err.find("scmp-asm: note:", at + 1))
      ++notes;
    EXPECT_EQ(notes, 1u) << r.err;
    EXPECT_NE(r.err.find("2 bytes outside the board's 4K (2000-2000, 3000-3000)"), std::string::npos) << r.err;
  }
}

// Reserved space takes addresses but stores nothing: the listing and the HEX
// load only the real bytes, and the memory image holds 0 there.
TEST(ScmpAsm, ReservedSpaceIsLeftUnloadedInEveryOutput) {
  test::TempDir dir;
  const std::string source = dir.Write("res.s", " LDI 1\nBUF: DS 3\n .BLKB 1\n .space 2\n .byte 9\n");
  const AsmRun r = Asm({source, "--ram", dir.File("r.RAM"), "--hex", dir.File("r.hex")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string error;
  auto memory = std::make_unique<MemoryArray>();
  memory->LayOutStartupMap();
  ListingResult listing;
  ASSERT_TRUE(LoadListing(*memory, dir.File("res.ASM"), &error, &listing)) << error;
  IntelHexResult hex;
  ASSERT_TRUE(LoadIntelHex(*memory, dir.File("r.hex"), &error, &hex)) << error;
  for (const ByteTally* tally : {&listing.tally, &hex.tally}) {
    EXPECT_EQ(tally->stored(), 3);
    for (int a = 1; a <= 9; ++a) EXPECT_EQ(tally->stored_cells()[static_cast<size_t>(a)], a <= 2 || a == 9) << a;
  }
  EXPECT_EQ(memory->data[9], 9);
  auto image = std::make_unique<MemoryArray>();
  ASSERT_TRUE(LoadMemoryImage(*image, dir.File("r.RAM"), nullptr, &error)) << error;
  for (int a = 3; a <= 8; ++a) EXPECT_EQ(image->data[a], 0) << a;
}

TEST(ScmpAsm, AFailedAssemblyLeavesOutputFilesUntouched) {
  test::TempDir dir;
  const std::string source = dir.Write("prog.s", " LDI 300\n");
  const std::string listing = dir.Write("prog.ASM", "old listing\r\n");
  const AsmRun r = Asm({source, "--ram", dir.File("p.RAM"), "--hex", dir.File("p.hex")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(test::ReadFile(listing), "old listing\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("p.RAM")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("p.hex")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no temporary left
}

}  // namespace
}  // namespace scmp

namespace scmp {
namespace {

// -D NAME[=VALUE], repeatable or joined by commas, chooses a variant; a bad
// NAME is a bad option.
TEST(ScmpAsm, DefinitionsOnTheCommandLineChooseTheVariant) {
  test::TempDir dir;
  const std::string source =
      dir.Write("v.s", " IFDEF EMULA\n DB 0xE0+N\n ELSE\n DB 0x10\n ENDIF\n IF N > 4\n DB 0x99\n ENDIF\n");
  const std::string listing = dir.File("v.ASM");
  const struct {
    std::vector<std::string> defines;
    int status;
    std::vector<int> bytes;  // at 001..
  } cases[] = {
      {{"-D", "EMULA", "-D", "N=5"}, 0, {0xE5, 0x99}},
      {{"-DN=1"}, 0, {0x10}},
      {{"-D", "N=2", "-D", "EMULA"}, 0, {0xE2}},
      {{"-D", "N"}, 0, {0x10}},
      {{"-D", "EMULA,N=5"}, 0, {0xE5, 0x99}},  // several joined by commas
      {{"-D", "N=2,"}, 2, {}},
      {{"-D", "9X"}, 2, {}},
      {{"-D", "N="}, 2, {}},
      {{"-D", "N=UNDEFINED"}, 1, {}},
      {{}, 1, {}},  // N is not defined above the IF
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.defines;
    args.insert(args.end(), {source, "-o", listing});
    std::remove(listing.c_str());
    const AsmRun r = Asm(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.status != 0) continue;
    auto loaded = std::make_unique<MemoryArray>();
    loaded->LayOutStartupMap();
    std::string error;
    ASSERT_TRUE(LoadListing(*loaded, listing, &error)) << error;
    std::vector<int> bytes;
    for (int a = 1; a < 1 + static_cast<int>(c.bytes.size()); ++a) bytes.push_back(loaded->data[a]);
    EXPECT_EQ(bytes, c.bytes) << r.err;
  }
}

}  // namespace
}  // namespace scmp
