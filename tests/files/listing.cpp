#include "files/listing.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

using test::TempDir;

class ListingTest : public ::testing::Test {
 protected:
  ListingTest() : memory_(std::make_unique<MemoryArray>()), expected_(std::make_unique<MemoryArray>()) {
    memory_->LayOutStartupMap();
    *expected_ = *memory_;
  }

  // Loads `content` and returns what the load did; fails the test if the
  // load reports an error.
  ListingResult Load(const std::string& content) {
    ListingResult result;
    std::string error;
    EXPECT_TRUE(LoadListing(*memory_, dir_.Write("p.asm", content), &error, &result)) << error;
    return result;
  }

  TempDir dir_;
  std::unique_ptr<MemoryArray> memory_;
  std::unique_ptr<MemoryArray> expected_;
};

TEST_F(ListingTest, AddressLineThenBytes) {
  ListingResult r = Load("@0200\r\nC4\r\n12\r\n");
  expected_->data[0x200] = 0xC4;
  expected_->data[0x201] = 0x12;
  EXPECT_EQ(*memory_, *expected_);
  EXPECT_EQ(r.load_address, 0x202);
  EXPECT_EQ(r.stored, 2);
  EXPECT_EQ(r.dropped, 0);
}

TEST_F(ListingTest, WithoutAddressLineLoadsFromZero) {
  ListingResult r = Load("; comment\r\n01\r\n02\r\n");
  expected_->data[0] = 1;
  expected_->data[1] = 2;
  EXPECT_EQ(*memory_, *expected_);
  EXPECT_EQ(r.load_address, 2);
}

TEST_F(ListingTest, AddressFieldRules) {
  struct Case {
    const char* line;
    int address;
  };
  const std::vector<Case> cases = {
      {"@1200", 0x200},  {"@0123", 0x123},  {"@F123", 0x123},   {"@0abc", 0xABC},  {"@200", 0x000},
      {"@12", 0x002},    {"@1", 0x000},     {"@ 1A0", 0x1A0},   {"@0300 ; entry", 0x300},
      {"@03zz", 0x003},  {"@0\t12", 0x012}, {"  @0456  ", 0x456}, {"@-123", 0x123},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    // Start somewhere else so that an ignored line would show.
    ListingResult r = Load("@0777\r\n" + std::string(c.line) + "\r\n");
    EXPECT_EQ(r.load_address, c.address);
  }
  // "@" alone is ignored: the bytes go on where they were.
  ListingResult r = Load("@0010\r\n01\r\n@\r\n  @  \r\n02\r\n");
  EXPECT_EQ(r.load_address, 0x12);
  EXPECT_EQ(memory_->data[0x11], 2);
  EXPECT_EQ(memory_->data[0], 0);
}

TEST_F(ListingTest, ClassificationByFirstCharacter) {
  const std::string text =
      "@0100\r\n"
      "   C4   \r\n"      // spaces stripped: 0xC4
      "\tC4\r\n"          // tab: ignored
      "c4\r\n"            // lower case: ignored
      "Ab\r\n"            // upper first character, lower second: 0xAB
      "ADD\r\n"           // 0xAD
      "DLY 5\r\n"         // 0x0D: reading stops at the L
      "C4 12\r\n"         // first byte only
      "7\r\n"             // one digit
      "C\t4\r\n"          // the tab is skipped, the 4 lies past two characters: 0x0C
      "; comment\r\n:label\r\n'quote\r\nLDI 0x12\r\nLOOP: JMP\r\n"
      "G0\r\n\t\r\n"
      "1 2\r\n";          // the 2 lies past two characters: 0x01
  ListingResult r = Load(text);
  const std::vector<int> bytes = {0xC4, 0xAB, 0xAD, 0x0D, 0xC4, 0x07, 0x0C, 0x01};
  for (size_t i = 0; i < bytes.size(); ++i) expected_->data[0x100 + i] = static_cast<int16_t>(bytes[i]);
  EXPECT_EQ(*memory_, *expected_);
  EXPECT_EQ(r.stored, static_cast<int>(bytes.size()));
  EXPECT_EQ(r.load_address, 0x100 + static_cast<int>(bytes.size()));
}

TEST_F(ListingTest, LineEndsAndBlankLines) {
  const std::vector<std::string> texts = {
      "@0040\r\n11\r\n22\r\n33\r\n\r\n\r\n   \r\n",  // CR LF, blank lines at the end
      "@0040\r11\r22\r33\r\r",                    // CR alone
      "@0040\n11\n\n22\n33\n\n",                  // LF alone
      "@0040\r\n11\r22\n\n33",                    // mixed, no end on the last line
      "\r\n\r\n@0040\r\n  \r\n11\r\n\r\n22\r\n33\r\n",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(::testing::PrintToString(text));
    memory_->LayOutStartupMap();
    memory_->data.fill(0);
    ListingResult r = Load(text);
    EXPECT_EQ(memory_->data[0x40], 0x11);
    EXPECT_EQ(memory_->data[0x41], 0x22);
    EXPECT_EQ(memory_->data[0x42], 0x33);
    EXPECT_EQ(r.stored, 3);
    EXPECT_EQ(r.load_address, 0x43);
  }
}

TEST_F(ListingTest, BytesAtPortAndAbsentAddressesAreDropped) {
  // From 0x9FE four bytes: two stored, two dropped at the port, where the
  // load address stays; the next address line moves on.
  ListingResult r = Load("@09FE\r\n01\r\n02\r\n03\r\n04\r\n@0020\r\n05\r\n@FFFF\r\n06\r\n@0B00\r\n07\r\n");
  expected_->data[0x9FE] = 1;
  expected_->data[0x9FF] = 2;
  expected_->data[0x20] = 5;
  EXPECT_EQ(*memory_, *expected_);
  EXPECT_EQ(r.stored, 3);
  EXPECT_EQ(r.dropped, 4);
  EXPECT_EQ(r.load_address, 0xB00);

  // With 0xFFF made RAM, a byte there is stored and the next one, with no
  // cell left, is dropped; the address stays at 4096.
  memory_->kind[0xFFF] = kRam;
  memory_->kind[0x000] = kRam;
  memory_->data[0] = 0x5A;
  r = Load("@0FFF\r\n08\r\n09\r\n0A\r\n");
  EXPECT_EQ(memory_->data[0xFFF], 8);
  EXPECT_EQ(memory_->data[0], 0x5A);
  EXPECT_EQ(r.stored, 1);
  EXPECT_EQ(r.dropped, 2);
  EXPECT_EQ(r.load_address, 4096);

  // A kind that is none of the three counts as not RAM.
  memory_->kind[0x300] = 7;
  r = Load("@0300\r\n01\r\n");
  EXPECT_EQ(memory_->data[0x300], 0);
  EXPECT_EQ(r.dropped, 1);
}

TEST_F(ListingTest, TwoListingsAddUp) {
  Load("@0010\r\n01\r\n02\r\n03\r\n");
  Load("@0011\r\nFF\r\n@0100\r\n44\r\n");
  expected_->data[0x10] = 1;
  expected_->data[0x11] = 0xFF;
  expected_->data[0x12] = 3;
  expected_->data[0x100] = 0x44;
  EXPECT_EQ(*memory_, *expected_);
}

TEST_F(ListingTest, LongLinesAreStreamed) {
  // A comment line of two megabytes, then a byte line whose tail is long too.
  std::string text = "@0050\r\n;" + std::string(2 << 20, 'x') + "\r\n";
  text += "9A" + std::string(1 << 20, ' ') + std::string(1 << 20, 'y') + "\r\n3B\r\n";
  ListingResult r = Load(text);
  EXPECT_EQ(memory_->data[0x50], 0x9A);
  EXPECT_EQ(memory_->data[0x51], 0x3B);
  EXPECT_EQ(r.stored, 2);
}

TEST_F(ListingTest, PathsThatCannotBeReadLeaveMemoryAlone) {
  memory_->data[3] = 9;
  auto before = std::make_unique<MemoryArray>(*memory_);
  for (const std::string& path : {std::string(), dir_.File("missing.asm"), dir_.path().string()}) {
    SCOPED_TRACE(path);
    std::string error;
    EXPECT_FALSE(LoadListing(*memory_, path, &error));
    EXPECT_FALSE(error.empty());
    if (!path.empty()) {
      EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_EQ(*memory_, *before);
  }
}

// Every load says what it stored; a file that holds no byte line says so.
TEST_F(ListingTest, SummarySaysWhatWasStored) {
  const struct {
    std::string content;
    std::string summary;
  } cases[] = {
      {"@0001\r\nC4\r\n0A\r\n35\r\nC1\r\n00\r\nC9\r\n00\r\n00\r\n", "ECHO.ASM: 8 bytes, 001-008"},
      {"@0100\r\n01\r\n@0005\r\n02\r\n", "ECHO.ASM: 2 bytes, 005-100"},
      {"@0001\nc4\nfe\n", "ECHO.ASM: no byte line, nothing stored"},
      {"@0A00\nC4\n", "ECHO.ASM: no bytes stored; 1 byte dropped (no RAM there)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ListingSummary("ECHO.ASM", Load(c.content)), c.summary);
}

// Lines the format reads by its rule but that are most likely a mistake are
// told once per kind, at the first; a file with no listing line at all is
// refused as not a listing.
TEST_F(ListingTest, DoubtfulLinesWarnAndAFileWithoutListingLinesIsRefused) {
  const struct {
    std::string content;
    std::vector<std::string> warnings;  // the start of each, in kind order
    bool loads = true;
  } cases[] = {
      {"@0100\r\nC4\r\n", {}},
      {"@100\r\nC4\r\n@10\r\n", {"line 1: \"@100\" has fewer than four address characters; the format reads it as "
                                  "@0000. Write four, such as @0100. (1 more such lines)"}},
      {"@0001\nc4\nC4\nfe\n", {"line 2: \"c4\" starts with a lower-case"}},
      {" .org 1\nADD 0(P1)\nBEGIN: LDI 1\n", {"line 2: \"ADD 0(P1\" is read as the byte AD; it looks like source text"}},
      {"@1\nab\nBEGIN:\n", {"line 1: \"@1\" has fewer", "line 2: \"ab\" starts", "line 3: \"BEGIN:\" is read"}},
      {std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), {}, false},
      {std::string("\xFF\xFE@\0" "0\0" "0\0" "0\0" "1\0\r\0\n\0" "C\0" "4\0", 20), {}, false},
      {"; only a comment\n\n", {}, false},
  };
  for (const auto& c : cases) {
    ListingResult result;
    std::string error;
    const auto before = std::make_unique<MemoryArray>(*memory_);
    ASSERT_EQ(LoadListing(*memory_, dir_.Write("p.asm", c.content), &error, &result), c.loads) << c.content;
    if (!c.loads) {
      EXPECT_NE(error.find("is not a listing"), std::string::npos) << error;
      EXPECT_EQ(*memory_, *before);
      continue;
    }
    ASSERT_EQ(result.warnings.size(), c.warnings.size()) << c.content;
    for (size_t i = 0; i < c.warnings.size(); ++i)
      EXPECT_EQ(result.warnings[i].substr(0, c.warnings[i].size()), c.warnings[i]);
  }
}

// Dropped bytes are told as ranges with their reason; a listing keeps its
// address while it drops, so one range may repeat an address.
TEST_F(ListingTest, DroppedBytesAreReportedByRangeAndReason) {
  memory_->kind[0xFFE] = memory_->kind[0xFFF] = kRam;
  const ListingResult r = Load("@0FFE\n01\n02\n03\n04\n@0A00\n05\n06\n");
  EXPECT_EQ(TallyReport("P.ASM", r.tally),
            (std::vector<std::string>{"P.ASM: 2 bytes, FFE-FFF; 4 bytes dropped (no RAM there)",
                                      "P.ASM: 2 bytes at 1000 dropped: outside the board's 4K",
                                      "P.ASM: 2 bytes at A00 dropped: port"}));
}

TEST(ListingHex, LenientReader) {
  EXPECT_EQ(ReadListingHex("C4"), 0xC4);
  EXPECT_EQ(ReadListingHex("c4"), 0xC4);
  EXPECT_EQ(ReadListingHex("aF"), 0xAF);
  EXPECT_EQ(ReadListingHex(" 1 f"), 0x1F);
  EXPECT_EQ(ReadListingHex("\t3\n4"), 0x34);
  EXPECT_EQ(ReadListingHex("0FFF"), 0xFFF);
  EXPECT_EQ(ReadListingHex("1G5"), 1);
  EXPECT_EQ(ReadListingHex("g"), 0);
  EXPECT_EQ(ReadListingHex(""), 0);
  EXPECT_EQ(ReadListingHex("\r5"), 0);
}

}  // namespace
}  // namespace scmp
