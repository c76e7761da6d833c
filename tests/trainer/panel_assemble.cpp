// Sources assembled into the panel: all or nothing, the symbols of the last
// good assembly, Reassemble after an edit, and Intel HEX through the panel.
#include <gtest/gtest.h>

#include <string>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

class PanelAssemble : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  }
  int Byte(int address) { return model.Memory().data[address]; }

  test::TempDir dir;
  PanelModel model;
};

TEST_F(PanelAssemble, GoodSourceLoadsAndKeepsItsSymbols) {
  const std::string path = dir.Write("ECHO.s", "PORT = 0xA00\n .org 1\nSTART: LDI H(PORT)\n XPAH P1\nEND: HALT\n");
  SourceLoad result;
  ASSERT_TRUE(model.AssembleSource(path, &result)) << result.error;
  EXPECT_EQ(result.report, "ECHO.s: 4 bytes, 001-004");
  EXPECT_TRUE(result.diagnostics.empty());
  EXPECT_EQ(Byte(1), 0xC4);
  EXPECT_EQ(Byte(2), 0x0A);
  EXPECT_EQ(Byte(3), 0x35);
  ASSERT_EQ(model.Symbols().size(), 3u);
  EXPECT_EQ(model.Symbols()[0].name, "END");
  EXPECT_EQ(model.Symbols()[0].value, 4);
  EXPECT_EQ(model.Debug().SymbolAt(1), "START");  // the Monitor's disassembly names it
  EXPECT_EQ(model.SourcePath(), path);
}

TEST_F(PanelAssemble, SourcesThatFailLoadNothing) {
  const std::string good = dir.Write("GOOD.s", " .org 1\nKEEP: LDI 1\n");
  SourceLoad result;
  ASSERT_TRUE(model.AssembleSource(good, &result));
  const struct {
    const char* name;
    const char* text;  // nullptr: no such file
    const char* error;
    size_t diagnostics;
  } cases[] = {
      // The first line is good: its bytes must not reach memory either.
      {"BAD.s", " .org 1\n LDI 0x55\n BOGUS 1\n LD NOWHERE\n", "BAD.s: 2 errors; nothing loaded.", 2},
      {"MISSING.s", nullptr, "MISSING.s", 0},
  };
  for (const auto& c : cases) {
    const std::string path = c.text ? dir.Write(c.name, c.text) : dir.File(c.name);
    EXPECT_FALSE(model.AssembleSource(path, &result)) << c.name;
    EXPECT_NE(result.error.find(c.error), std::string::npos) << result.error;
    EXPECT_EQ(result.diagnostics.size(), c.diagnostics) << c.name;
    EXPECT_TRUE(result.report.empty());
    EXPECT_EQ(Byte(2), 0x01) << c.name;  // GOOD.s's bytes stay
    ASSERT_EQ(model.Symbols().size(), 1u);
    EXPECT_EQ(model.Symbols()[0].name, "KEEP");
    EXPECT_EQ(model.SourcePath(), path);  // for Reassemble once it is fixed
  }
  // The diagnostics name the file as given, with line and column.
  const std::string bad = dir.File("BAD.s");
  EXPECT_FALSE(model.AssembleSource(bad, &result));
  ASSERT_FALSE(result.diagnostics.empty());
  EXPECT_EQ(FormatDiagnostic(result.diagnostics[0]).rfind(bad + ":3:2: error: ", 0), 0u)
      << FormatDiagnostic(result.diagnostics[0]);
}

TEST_F(PanelAssemble, ReassemblePicksUpTheEditedSource) {
  SourceLoad result;
  EXPECT_FALSE(model.Reassemble(&result));
  EXPECT_EQ(result.error, "No source has been assembled yet.");

  const std::string path = dir.Write("EDIT.s", " .org 1\n LDI 0x11\n");
  ASSERT_TRUE(model.AssembleSource(path, &result));
  EXPECT_EQ(Byte(2), 0x11);
  dir.Write("EDIT.s", " .org 1\n LDI 0x22\n LDI 0x33\n");
  ASSERT_TRUE(model.Reassemble(&result)) << result.error;
  EXPECT_EQ(Byte(2), 0x22);
  EXPECT_EQ(Byte(4), 0x33);
  EXPECT_EQ(result.report, "EDIT.s: 4 bytes, 001-004");
}

TEST_F(PanelAssemble, IntelHexReportsWhatItStoredAndDropped) {
  // 3 bytes at 0x010 and 1 at the port 0xA00.
  const std::string path = dir.Write("P.HEX", ":03001000010203E7\r\n:010A0000FFF6\r\n:00000001FF\r\n");
  std::string error, report;
  ASSERT_TRUE(model.LoadIntelHex(path, &error, &report)) << error;
  EXPECT_EQ(report, "P.HEX: 3 bytes, 010-012; 1 byte dropped (no RAM there)");
  EXPECT_EQ(Byte(0x12), 3);
}

}  // namespace
}  // namespace scmp
