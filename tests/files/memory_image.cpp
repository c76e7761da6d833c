#include "files/memory_image.h"

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;

std::unique_ptr<MemoryArray> StartupMemory() {
  auto m = std::make_unique<MemoryArray>();
  m->LayOutStartupMap();
  return m;
}

// A memory with a value in every cell that differs from its neighbours, some
// outside a byte, and a map with every kind and one unknown kind.
std::unique_ptr<MemoryArray> PatternMemory() {
  auto m = std::make_unique<MemoryArray>();
  for (int a = 0; a < kMemorySize; ++a) {
    m->data[a] = static_cast<int16_t>((a * 37 + 11) % 256);
    m->kind[a] = static_cast<int16_t>(a % 3);
  }
  m->data[0] = -1;
  m->data[1] = -32768;
  m->data[2] = 32767;
  m->data[4095] = 1000;
  m->kind[7] = 3;
  m->kind[8] = -2;
  return m;
}

// An image in the writer's form from explicit planes.
std::string ImageText(const MemoryArray& m, const std::string& marker = "MEMFLAGS") {
  std::string s;
  for (int16_t v : m.data) s += MemoryImageNumberLine(v);
  s += marker + "\r\n";
  for (int16_t v : m.kind) s += MemoryImageNumberLine(v);
  return s;
}

int CountLines(const std::string& text) {
  int n = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '\r' && text[i + 1] == '\n') ++n;
  return n;
}

struct AlertCounter {
  int count = 0;
  std::function<void()> hook() {
    return [this] { ++count; };
  }
};

TEST(MemoryImageFormat, NumberLineHasSignPositionDigitsAndTrailingBlank) {
  EXPECT_EQ(MemoryImageNumberLine(196), " 196 \r\n");
  EXPECT_EQ(MemoryImageNumberLine(0), " 0 \r\n");
  EXPECT_EQ(MemoryImageNumberLine(-5), "-5 \r\n");
  EXPECT_EQ(MemoryImageNumberLine(-32768), "-32768 \r\n");
  EXPECT_EQ(MemoryImageNumberLine(32767), " 32767 \r\n");
}

TEST(MemoryImageSave, StartupImageIsTheExpected8193Lines) {
  TempDir dir;
  auto m = StartupMemory();
  std::string error;
  ASSERT_TRUE(SaveMemoryImage(*m, dir.File("Noname.ram"), &error)) << error;
  const std::string text = ReadFile(dir.File("Noname.ram"));

  std::string expected;
  for (int line = 1; line <= 8193; ++line) {
    if (line <= 4096) expected += " 0 \r\n";
    else if (line == 4097) expected += "MEMFLAGS\r\n";
    else if (line <= 6657) expected += " 0 \r\n";
    else if (line <= 6913) expected += " 1 \r\n";
    else expected += " 2 \r\n";
  }
  EXPECT_EQ(CountLines(text), 8193);
  EXPECT_EQ(text, expected);
}

TEST(MemoryImageSave, RoundTripGivesIdenticalPlanesAndOneAlert) {
  TempDir dir;
  auto saved = PatternMemory();
  const std::string path = dir.File("pattern.ram");
  std::string error;
  ASSERT_TRUE(SaveMemoryImage(*saved, path, &error)) << error;
  EXPECT_EQ(CountLines(ReadFile(path)), 8193);

  auto loaded = StartupMemory();
  AlertCounter alerts;
  ASSERT_TRUE(LoadMemoryImage(*loaded, path, alerts.hook(), &error)) << error;
  EXPECT_EQ(*loaded, *saved);
  EXPECT_EQ(alerts.count, 1);
  // No temporary file is left beside the image.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(MemoryImageSave, OverwritesAnExistingFileWholeAndKeepsItsPermissions) {
  TempDir dir;
  auto m = PatternMemory();
  const std::string path = dir.Write("old.ram", std::string(200000, 'x') + "\r\n1\r\n2\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  std::string error;
  ASSERT_TRUE(SaveMemoryImage(*m, path, &error)) << error;
  const std::string text = ReadFile(path);
  EXPECT_EQ(text, ImageText(*m));
  EXPECT_EQ(CountLines(text), 8193);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(MemoryImageSave, FailuresLeaveTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  auto m = PatternMemory();
  std::string error;

  // Missing folder.
  const std::string missing = dir.File("no-such-folder/image.ram");
  EXPECT_FALSE(SaveMemoryImage(*m, missing, &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(missing));

  // A parent that is a file.
  dir.Write("plain", "x");
  error.clear();
  EXPECT_FALSE(SaveMemoryImage(*m, dir.File("plain/image.ram"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFile(dir.File("plain")), "x");

  // The target is a folder: it stays as it was.
  fs::create_directory(dir.path() / "folder.ram");
  dir.Write("folder.ram/inside", "keep");
  error.clear();
  EXPECT_FALSE(SaveMemoryImage(*m, dir.File("folder.ram"), &error));
  EXPECT_NE(error.find("folder.ram"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(dir.File("folder.ram/inside")), "keep");

  // Empty name.
  error.clear();
  EXPECT_FALSE(SaveMemoryImage(*m, "", &error));
  EXPECT_FALSE(error.empty());

  // Only the two files written by the test remain.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// A write that runs out of room: the file size limit stands in for a full
// disk, since the tests may run with the rights to write anywhere.
TEST(MemoryImageSave, WriteFailureLeavesTheOldFileIntact) {
  TempDir dir;
  const std::string old_content = ImageText(*StartupMemory());
  const std::string path = dir.Write("keep.ram", old_content);
  auto m = PatternMemory();

  struct rlimit saved_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const bool ok = SaveMemoryImage(*m, path, &error);
  ::setrlimit(RLIMIT_FSIZE, &saved_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(ok);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_EQ(ReadFile(path), old_content);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// The marker field decides the alerts only: one for "MEMFLAGS", two for
// anything else, and the image loads either way.
TEST(MemoryImageLoad, MarkerFieldGivesOneOrTwoAlerts) {
  TempDir dir;
  auto image = PatternMemory();
  const std::vector<std::pair<std::string, int>> cases = {
      {"memflags", 2}, {"MEMFLAG", 2},   {"MEMFLAGSX", 2},  {"MEM FLAGS", 2}, {"1", 2},
      {"MEMFLAGS   ", 1}, {"  MEMFLAGS", 1}, {"MEMFLAGS,", 1},
  };
  for (const auto& [marker, expected_alerts] : cases) {
    SCOPED_TRACE("marker \"" + marker + "\"");
    auto m = StartupMemory();
    AlertCounter alerts;
    std::string error;
    ASSERT_TRUE(LoadMemoryImage(*m, dir.Write("m.ram", ImageText(*image, marker)), alerts.hook(), &error))
        << error;
    EXPECT_EQ(alerts.count, expected_alerts);
    EXPECT_EQ(*m, *image);
  }
  // An empty marker line is skipped like any blank line: the first kind
  // becomes the marker field and the image ends one number short.
  auto m = StartupMemory();
  AlertCounter alerts;
  std::string error;
  EXPECT_FALSE(LoadMemoryImage(*m, dir.Write("m.ram", ImageText(*image, "")), alerts.hook(), &error));
  EXPECT_EQ(alerts.count, 0);
}

TEST(MemoryImageLoad, LenientNumbersAndSeparators) {
  TempDir dir;
  auto image = PatternMemory();
  // Bare numbers with LF ends, then the same run with commas, blanks, tabs
  // and CR ends mixed, and trailing lines that are never read.
  std::string bare, mixed;
  for (int a = 0; a < kMemorySize; ++a) bare += std::to_string(image->data[a]) + "\n";
  bare += "MEMFLAGS\n";
  for (int a = 0; a < kMemorySize; ++a) bare += std::to_string(image->kind[a]) + "\n";
  bare += "extra line\nnot a number at all\n";

  const char* separators[] = {",", " ", "\t,", " , ", "\r", "\r\n\r\n", "\n  ", ",\r\n"};
  for (int a = 0; a < kMemorySize; ++a) mixed += std::to_string(image->data[a]) + separators[a % 8];
  mixed.replace(mixed.find("32767"), 5, "032767");  // a leading zero
  mixed += "\r\nMEMFLAGS\r";
  for (int a = 0; a < kMemorySize; ++a) mixed += (image->kind[a] >= 0 ? "+" : "") + std::to_string(image->kind[a]) + separators[(a + 3) % 8];
  mixed += "garbage, 99999999";

  for (const std::string* text : {&bare, &mixed}) {
    auto m = StartupMemory();
    AlertCounter alerts;
    std::string error;
    ASSERT_TRUE(LoadMemoryImage(*m, dir.Write("lenient.ram", *text), alerts.hook(), &error)) << error;
    EXPECT_EQ(*m, *image);
    EXPECT_EQ(alerts.count, 1);
  }
}

TEST(MemoryImageLoad, KindsFromTheImageChangeTheMap) {
  TempDir dir;
  auto image = StartupMemory();
  for (int a = 0xB00; a < kMemorySize; ++a) image->kind[a] = kRam;
  image->kind[0x100] = kPort;
  const std::string path = dir.Write("map.ram", ImageText(*image));
  auto m = StartupMemory();
  m->data[5] = 77;  // replaced by the image's 0
  std::string error;
  ASSERT_TRUE(LoadMemoryImage(*m, path, nullptr, &error)) << error;
  EXPECT_EQ(m->kind[0xFFF], kRam);
  EXPECT_EQ(m->kind[0x100], kPort);
  EXPECT_EQ(m->data[5], 0);
}

// Every failed load: memory untouched, no alert, and a message naming the
// file and, where there is one, the line.
TEST(MemoryImageLoad, FailuresLeaveMemoryUntouched) {
  TempDir dir;
  const std::string good = ImageText(*PatternMemory());
  auto line_start = [&](int line) {  // offset of line `line` (1-based) in `good`
    size_t pos = 0;
    for (int i = 1; i < line; ++i) pos = good.find("\r\n", pos) + 2;
    return pos;
  };
  auto replace_line = [&](int line, const std::string& text) {
    size_t a = line_start(line), b = good.find("\r\n", a);
    return good.substr(0, a) + text + good.substr(b);
  };
  struct Case {
    std::string name, content, expect_in_message;
  };
  const std::vector<Case> cases = {
      {"empty.ram", "", "line 0"},
      {"short-data.ram", good.substr(0, line_start(101)), "line 100"},
      {"no-marker.ram", good.substr(0, line_start(4097)), "MEMFLAGS"},
      {"short-kinds.ram", good.substr(0, line_start(8193)), "line 8192"},
      {"last-without-end.ram", good.substr(0, line_start(8193)) + "   ", "0xFFF"},
      {"letters.ram", replace_line(100, " 12x "), "line 100"},
      {"hex.ram", replace_line(7000, "0x10"), "line 7000"},
      {"too-big.ram", replace_line(3, " 32768 "), "line 3"},
      {"too-small.ram", replace_line(8193, "-32769"), "line 8193"},
      {"huge.ram", replace_line(9, "123456789012345678901234567890"), "line 9"},
      {"sign-only.ram", replace_line(9, " - "), "line 9"},
      {"empty-field.ram", replace_line(12, "1,,2"), "line 12"},
      {"decimal.ram", replace_line(12, "1.5"), "line 12"},
      // Raw bytes are not copied to the terminal, and a long field is cut.
      {"binary.ram", replace_line(12, std::string("\x01\xFF\0" "7", 4)), "\"\\x01\\xFF\\x007\""},
      {"long-field.ram", replace_line(12, std::string(100, '9') + "x"), "\"" + std::string(60, '9') + "...\""},
      // The first line that leaves one number a line is named, not the
      // line where the count ran out.
      {"extra-number.ram", replace_line(1, " 0 0 "), "line 1: a second number on the line"},
      {"missing-number.ram", replace_line(50, ""), "line 50: an empty line"},
      {"missing-number-at-end.ram", replace_line(8000, ""), "line 8000: an empty line"},
      {"byte-order-mark.ram", "\xEF\xBB\xBF" + good, "line 1: a byte-order mark at the start; save the file as plain text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write(c.name, c.content);
    auto m = StartupMemory();
    m->data[0x123] = 0x45;
    auto before = std::make_unique<MemoryArray>(*m);
    AlertCounter alerts;
    std::string error;
    EXPECT_FALSE(LoadMemoryImage(*m, path, alerts.hook(), &error));
    EXPECT_EQ(*m, *before);
    EXPECT_EQ(alerts.count, 0);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find(c.expect_in_message), std::string::npos) << error;
  }
}

TEST(MemoryImageLoad, PathsThatCannotBeOpened) {
  TempDir dir;
  for (const std::string& path : {std::string(), dir.File("missing.ram"), dir.path().string()}) {
    SCOPED_TRACE(path);
    auto m = PatternMemory();
    auto before = std::make_unique<MemoryArray>(*m);
    AlertCounter alerts;
    std::string error;
    EXPECT_FALSE(LoadMemoryImage(*m, path, alerts.hook(), &error));
    EXPECT_FALSE(error.empty());
    if (!path.empty()) {
      EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_EQ(*m, *before);
    EXPECT_EQ(alerts.count, 0);
  }
}

TEST(MemoryImageLoad, LongLinesAndFieldsStayBounded) {
  TempDir dir;
  auto image = PatternMemory();
  // A number preceded by a megabyte of blanks loads.
  std::string text = ImageText(*image);
  text.insert(0, std::string(1 << 20, ' '));
  auto m = StartupMemory();
  std::string error;
  ASSERT_TRUE(LoadMemoryImage(*m, dir.Write("blanks.ram", text), nullptr, &error)) << error;
  EXPECT_EQ(*m, *image);

  // A megabyte-long bad field is reported by its first characters only.
  std::string bad = std::string(1 << 20, '7') + "x\r\n" + ImageText(*image);
  error.clear();
  EXPECT_FALSE(LoadMemoryImage(*m, dir.Write("long.ram", bad), nullptr, &error));
  EXPECT_NE(error.find("line 1"), std::string::npos) << error;
  EXPECT_LT(error.size(), 400u);
}

}  // namespace
}  // namespace scmp
