// What a file is taken for by its extension, and the one-line load report.
#include <gtest/gtest.h>

#include "files/file_kind.h"
#include "files/load_report.h"

namespace scmp {
namespace {

TEST(FileKind, ExtensionInAnyCaseNamesTheLoader) {
  const struct {
    const char* path;
    FileKind kind;
  } cases[] = {
      {"/a/PROG.s", FileKind::kSource},       {"prog.S", FileKind::kSource},
      {"x/ECHO.ASM", FileKind::kListing},     {"echo.asm", FileKind::kListing},
      {"BIGMAP.RAM", FileKind::kMemoryImage}, {"bigmap.Ram", FileKind::kMemoryImage},
      {"p.hex", FileKind::kIntelHex},         {"P.HEX", FileKind::kIntelHex},
      {"p.ihx", FileKind::kIntelHex},         {"notes.txt", FileKind::kUnknown},
      {"s", FileKind::kUnknown},              {"dir.s/README", FileKind::kUnknown},
      {"", FileKind::kUnknown},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOfFile(c.path), c.kind) << c.path;
}

TEST(LoadReport, NamesTheFileTheBytesAndTheirRange) {
  EXPECT_EQ(LoadReport("ECHO.s", 12, 0x001, 0x00C), "ECHO.s: 12 bytes, 001-00C");
  EXPECT_EQ(LoadReport("ONE.hex", 1, 0xFFF, 0xFFF), "ONE.hex: 1 byte, FFF-FFF");
  EXPECT_EQ(LoadReport("P.ASM", 2, 0x9FE, 0x9FF, 3), "P.ASM: 2 bytes, 9FE-9FF; 3 bytes dropped (no RAM there)");
  EXPECT_EQ(LoadReport("E.s", 0, 0, -1), "E.s: no bytes stored");
}

}  // namespace
}  // namespace scmp
