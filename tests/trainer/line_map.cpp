// The line map: address -> source line and kind, line -> first instruction,
// the stamp of the text, and the panel keeping it only while the assembled
// program is what memory holds.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "asm/assembler.h"
#include "core/table.h"
#include "trainer/line_map.h"
#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

constexpr const char* kSource =
    "; counts down\n"           // 1
    "COUNT = 3\n"               // 2
    " .org 0x010\n"             // 3
    "START: LDI COUNT\n"        // 4: 010-011
    "LOOP:\n"                   // 5
    " DLY 1 ; wait\n"           // 6: 012-013
    " XAE\n"                    // 7: 014
    "TABLE: .byte 1, 2\n"       // 8: 015-016
    " .ascii \"AB\"\n"          // 9: 017-018
    " .space 2\n"               // 10: 019-01A reserved, no byte placed
    " .dbyte 0x1234\n"          // 11: 01B-01C
    " HALT\n";                  // 12: 01D

class LineMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  }
  test::TempDir dir;
  PanelModel model;
};

TEST_F(LineMapTest, MapsBothWaysAndTellsCodeFromData) {
  const Assembly assembly = Assemble(kSource, "COUNT.s", model.Cpu().table());
  ASSERT_TRUE(assembly.Succeeded());
  const LineMap map(assembly, kSource, "COUNT.s");
  using K = LineMap::Kind;
  const struct {
    int address;
    int line;  // 0: no line placed it
    K kind;
  } bytes[] = {
      {0x00F, 0, K::kNone}, {0x010, 4, K::kCode},  {0x011, 4, K::kCode},  {0x013, 6, K::kCode},
      {0x014, 7, K::kCode}, {0x015, 8, K::kData},  {0x016, 8, K::kData},  {0x018, 9, K::kData},
      {0x019, 0, K::kNone}, {0x01C, 11, K::kData}, {0x01D, 12, K::kCode}, {0x01E, 0, K::kNone},
      {-1, 0, K::kNone},    {kMemorySize, 0, K::kNone},
  };
  for (const auto& b : bytes) {
    EXPECT_EQ(map.KindAt(b.address), b.kind) << b.address;
    EXPECT_EQ(map.PlaceOf(b.address), (SourcePlace{b.line ? "COUNT.s" : "", b.line})) << b.address;
  }
  const struct {
    int line;
    int address;  // -1: the line placed no instruction
  } lines[] = {{1, -1}, {2, -1}, {3, -1}, {4, 0x010}, {5, -1}, {6, 0x012}, {7, 0x014},
               {8, -1}, {9, -1}, {10, -1}, {12, 0x01D}, {13, -1}, {0, -1}};
  for (const auto& l : lines) EXPECT_EQ(map.FirstInstruction(l.line), l.address) << "line " << l.line;
  EXPECT_EQ(map.FirstInstruction("OTHER.s", 4), -1);
}

// A macro's bytes belong to the line that called it (the outermost call
// when macros call macros); an included file's bytes to their own file and
// line.
TEST_F(LineMapTest, MacroBytesMapToTheCallAndIncludedBytesToTheirFile) {
  constexpr const char* kMain =
      "TWICE MACRO\n"          // 1
      " XAE\n"                 // 2
      " XAE\n"                 // 3
      " ENDM\n"                // 4
      " .org 0x020\n"          // 5
      " NOP\n"                 // 6: 020
      " TWICE\n"               // 7: 021-022
      " INCLUDE \"PART.inc\"\n"  // 8: the included HALT at 023
      " NOP\n"                 // 9: 024
      "OUTER MACRO\n"          // 10
      " TWICE\n"               // 11
      " ENDM\n"                // 12
      " OUTER\n";              // 13: 025-026
  const IncludeReader part = [](const std::string&, std::string* text, std::string*) {
    *text = "; part\n HALT\n";  // HALT on line 2
    return true;
  };
  const Assembly assembly = Assemble(kMain, "MAIN.s", model.Cpu().table(), part);
  ASSERT_TRUE(assembly.Succeeded());
  const LineMap map(assembly, kMain, "MAIN.s");
  const struct {
    int address;
    int line;
    bool included;
  } bytes[] = {{0x020, 6, false}, {0x021, 7, false}, {0x022, 7, false}, {0x023, 2, true},
               {0x024, 9, false}, {0x025, 13, false}, {0x026, 13, false}};
  for (const auto& b : bytes) {
    const SourcePlace place = map.PlaceOf(b.address);
    EXPECT_EQ(place.line, b.line) << b.address;
    EXPECT_EQ(place.file.find("PART.inc") != std::string::npos, b.included) << place.file;
  }
  EXPECT_EQ(map.FirstInstruction(7), 0x021);
  EXPECT_EQ(map.FirstInstruction(2), -1);  // inside the macro's definition: no byte of its own
}

TEST_F(LineMapTest, StampMatchesOnlyTheExactText) {
  const Assembly assembly = Assemble(kSource, "COUNT.s", model.Cpu().table());
  const LineMap map(assembly, kSource, "COUNT.s");
  const std::string text = kSource;
  EXPECT_TRUE(map.Matches(text));
  for (const std::string& edited : {text + "\n", text.substr(1), std::string(" ") + text, std::string()})
    EXPECT_FALSE(map.Matches(edited)) << edited;
  EXPECT_FALSE(LineMap().Matches(""));  // the empty map fits no text
  EXPECT_NE(LineMap::StampOf("ab"), LineMap::StampOf("ba"));
}

TEST_F(LineMapTest, PanelKeepsTheMapOfTheProgramInMemory) {
  SourceLoad result;
  const std::string path = dir.Write("COUNT.s", kSource);
  ASSERT_TRUE(model.AssembleSource(path, &result)) << result.error;
  EXPECT_TRUE(model.Lines().Matches(kSource));
  EXPECT_EQ(model.Lines().PlaceOf(0x014), (SourcePlace{path, 7}));
  // A source with errors loads nothing, so the map of what memory holds stays.
  ASSERT_FALSE(model.AssembleSource(dir.Write("BAD.s", " BOGUS\n"), &result));
  EXPECT_EQ(model.Lines().FirstInstruction(path, 4), 0x010);

  std::string error;
  const std::string image = dir.File("M.bin");
  ASSERT_TRUE(model.SaveMemoryImage(image, &error)) << error;
  const std::string state = dir.File("S.state");
  ASSERT_TRUE(model.SaveState(state, &error)) << error;
  const std::string hex = dir.Write("P.HEX", ":03001000010203E7\r\n:00000001FF\r\n");
  const struct {
    const char* kind;
    std::function<bool()> load;
  } others[] = {
      {"image", [&] { return model.LoadMemoryImage(image, &error); }},
      {"HEX", [&] { return model.LoadIntelHex(hex, &error); }},
      {"state", [&] { return model.LoadState(state, &error); }},
  };
  for (const auto& other : others) {
    ASSERT_TRUE(model.AssembleSource(path, &result)) << result.error;
    ASSERT_FALSE(model.Lines().Empty());
    ASSERT_TRUE(other.load()) << other.kind << ": " << error;
    EXPECT_TRUE(model.Lines().Empty()) << other.kind;
    EXPECT_EQ(model.Lines().KindAt(0x010), LineMap::Kind::kNone) << other.kind;
  }
}

}  // namespace
}  // namespace scmp
