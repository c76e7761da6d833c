// Files that nobody should load, and places that cannot be written: binary
// files as the instruction file, an image and a listing; files of 100 MB;
// lines of a megabyte; a trace folder that cannot take the log; a disk that
// fills up while an image is saved. Nothing may crash, hang, grow without
// bound or leave memory or an old file half changed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/machine.h"
#include "core/safe_save.h"
#include "core/table.h"
#include "files/intel_hex.h"
#include "files/source_file.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "trainer/panel_model.h"
#include "trainer/save_state.h"
#include "trainer/trace_log.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::FinishesWithin;
using test::TempDir;

// ---- Helpers -------------------------------------------------------------------

std::unique_ptr<MemoryArray> StartupMemory() {
  auto m = std::make_unique<MemoryArray>();
  m->LayOutStartupMap();
  for (int a = 0; a < kMemorySize; ++a) m->data[a] = static_cast<int16_t>((a * 5 + 3) & 0xFF);
  return m;
}

std::string ImageText(const MemoryArray& m, const std::string& marker = "MEMFLAGS") {
  std::string s;
  for (int16_t v : m.data) s += MemoryImageNumberLine(v);
  s += marker + "\r\n";
  for (int16_t v : m.kind) s += MemoryImageNumberLine(v);
  return s;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// This test program itself: a real binary of a few megabytes.
std::string SelfBinary() { return fs::read_symlink("/proc/self/exe").string(); }

// A listing must never touch the kind plane or the cells of other kinds, and
// what it stores is a byte.
void ExpectOnlyRamBytesChanged(const MemoryArray& before, const MemoryArray& after) {
  EXPECT_EQ(after.kind, before.kind);
  for (int a = 0; a < kMemorySize; ++a) {
    if (after.data[a] == before.data[a]) continue;
    EXPECT_EQ(before.kind[a], kRam) << "address " << a;
    EXPECT_GE(after.data[a], 0) << "address " << a;
    EXPECT_LE(after.data[a], 0xFF) << "address " << a;
  }
}

// Writes `head`, then `block` repeated to about `total` bytes, then `tail`
// to `path`, without holding the whole file in memory.
void WriteRepeated(const std::string& path, const std::string& head, const std::string& block, size_t total,
                   const std::string& tail) {
  std::ofstream out(path, std::ios::binary);
  out << head;
  std::string chunk;
  while (chunk.size() < (1u << 20)) chunk += block;
  size_t written = head.size();
  while (written + chunk.size() <= total) {
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    written += chunk.size();
  }
  out << tail;
  ASSERT_TRUE(out.good());
}

// Resident memory of this process in KiB, from /proc/self/status.
long StatusKb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
  return -1;
}

// How much the peak resident memory grows while `body` runs, in MiB. The
// kernel's peak is reset first so that earlier tests in this process do not
// count.
long PeakGrowthMb(const std::function<void()>& body) {
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  const long before = StatusKb("VmRSS");
  body();
  return (StatusKb("VmHWM") - before) / 1024;
}


constexpr long kBoundMb = 48;  // far below the 100 MB files read

// ---- Binary files ------------------------------------------------------------------

TEST(BinaryFiles, AsTheInstructionFileStartUpRefusesNamingIt) {
  TempDir dir;
  fs::create_directories(dir.path() / "data");
  fs::copy_file(SelfBinary(), dir.path() / "data" / "SCMP.DEL");
  const std::string binary = ReadFile(dir.File("data/SCMP.DEL"));
  size_t line_ends = 0;
  for (size_t i = 0; i < binary.size(); ++i)
    if (binary[i] == '\n' || (binary[i] == '\r' && (i + 1 == binary.size() || binary[i + 1] != '\n'))) ++line_ends;
  ASSERT_GT(line_ends, 256u);  // so it is outside the format

  PanelModel model;
  std::string error;
  EXPECT_FALSE(model.StartUp(dir.File("data") + "/", &error));
  EXPECT_NE(error.find(dir.File("data") + "/SCMP.DEL"), std::string::npos) << error;
  EXPECT_LT(error.size(), 1000u);
}

TEST(BinaryFiles, AsAMemoryImageAreRefusedAndChangeNothing) {
  TempDir dir;
  const std::vector<std::string> paths = {
      SelfBinary(),
      dir.Write("random.ram", RandomBytes(256 << 10, 1)),
      // Digits first, so that the reader gets some way before the bytes.
      dir.Write("digits-then-binary.ram", " 1 \r\n 2 \r\n" + RandomBytes(64 << 10, 2)),
      dir.Write("nul.ram", std::string(70000, '\0')),
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    auto m = StartupMemory();
    auto before = std::make_unique<MemoryArray>(*m);
    int alerts = 0;
    std::string error;
    EXPECT_FALSE(LoadMemoryImage(*m, path, [&] { ++alerts; }, &error));
    EXPECT_EQ(*m, *before);
    EXPECT_EQ(alerts, 0);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_LT(error.size(), 1000u) << error;  // the bytes are not copied into the message
  }
}

TEST(BinaryFiles, AsAMemoryImageThroughThePanelChangeNothingElse) {
  TempDir dir;
  PanelModel model;
  model.SetWaitHook([](double) {});
  std::string error;
  ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  model.Memory().data[0x10] = 0x42;
  model.State() = MachineState{1, 2, 3, {4, 5, 6, 7}};
  int alerts = 0;
  model.SetAlertHook([&] { ++alerts; });
  const auto memory = std::make_unique<MemoryArray>(model.Memory());
  const uint64_t changes = model.ChangeCount();
  EXPECT_FALSE(model.LoadMemoryImage(SelfBinary(), &error));
  EXPECT_EQ(model.Memory(), *memory);
  EXPECT_EQ(model.State(), (MachineState{1, 2, 3, {4, 5, 6, 7}}));
  EXPECT_EQ(model.ChangeCount(), changes);
  EXPECT_EQ(alerts, 0);
}

TEST(BinaryFiles, AsAListingStoreOnlyBytesIntoRam) {
  TempDir dir;
  const std::vector<std::string> paths = {
      SelfBinary(),
      dir.Write("random.asm", RandomBytes(256 << 10, 3)),
      // Random bytes cut into lines that mostly begin like byte lines.
      dir.Write("lines.asm",
                [] {
                  std::mt19937 rng(4);
                  std::string s;
                  const char starts[] = "0123456789ABCDEF@ ;";
                  for (int i = 0; i < 20000; ++i) {
                    s += starts[rng() % (sizeof starts - 1)];
                    s += RandomBytes(rng() % 8, rng());
                    s += "\r\n";
                  }
                  return s;
                }()),
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    for (int map = 0; map < 2; ++map) {
      auto m = StartupMemory();
      if (map == 1) m->kind.fill(kRam);  // the load address can pass 0xFFF
      auto before = std::make_unique<MemoryArray>(*m);
      ListingResult result;
      std::string error;
      ASSERT_TRUE(LoadListing(*m, path, &error, &result)) << error;
      ExpectOnlyRamBytesChanged(*before, *m);
      EXPECT_GE(result.load_address, 0);
      EXPECT_LE(result.load_address, kMemorySize);
      // The same file loads the same way again.
      auto again = std::make_unique<MemoryArray>(*before);
      ListingResult again_result;
      ASSERT_TRUE(LoadListing(*again, path, &error, &again_result));
      EXPECT_EQ(*again, *m);
      EXPECT_EQ(again_result.stored, result.stored);
      EXPECT_EQ(again_result.dropped, result.dropped);
    }
  }
}

// ---- Files of 100 MB -------------------------------------------------------------------

constexpr size_t k100Mb = 100u << 20;

TEST(HugeFiles, A100MbListingLoadsInBoundedMemory) {
  TempDir dir;
  const std::string path = dir.File("huge.asm");
  // A block of an address line, two byte lines and a long comment, again and
  // again; the last block points somewhere else.
  std::string block = "@0300\r\nC4 01\r\n12\r\n;";
  block += std::string(1024 - block.size() - 2, 'x') + "\r\n";
  const std::string tail = "@0A00\r\n77\r\n@1234\r\n5A\r\n";
  WriteRepeated(path, "", block, k100Mb, tail);
  const size_t blocks = (fs::file_size(path) - tail.size()) / block.size();
  ASSERT_GE(fs::file_size(path), k100Mb - (1u << 20));

  auto m = StartupMemory();
  auto before = std::make_unique<MemoryArray>(*m);
  ListingResult result;
  std::string error;
  bool ok = false;
  const long growth = PeakGrowthMb([&] { ok = LoadListing(*m, path, &error, &result); });
  ASSERT_TRUE(ok) << error;
  EXPECT_LT(growth, kBoundMb);
  EXPECT_EQ(m->data[0x300], 0xC4);
  EXPECT_EQ(m->data[0x301], 0x12);
  EXPECT_EQ(m->data[0x234], 0x5A);
  EXPECT_EQ(m->data[0xA00], before->data[0xA00]);  // the port is not RAM
  EXPECT_EQ(result.stored, static_cast<int>(2 * blocks + 1));
  EXPECT_EQ(result.dropped, 1);
  EXPECT_EQ(result.load_address, 0x235);
}

TEST(HugeFiles, A100MbImageWithBlanksBeforeItsNumbersLoads) {
  TempDir dir;
  const std::string path = dir.File("blanks.ram");
  auto image = StartupMemory();
  image->data[0] = -32768;
  image->data[4095] = 32767;
  image->kind[0xFFF] = kRam;
  WriteRepeated(path, "", " \t\r\n\n\r  ", k100Mb, ImageText(*image));

  auto m = std::make_unique<MemoryArray>();
  int alerts = 0;
  std::string error;
  bool ok = false;
  const long growth = PeakGrowthMb([&] { ok = LoadMemoryImage(*m, path, [&] { ++alerts; }, &error); });
  ASSERT_TRUE(ok) << error;
  EXPECT_LT(growth, kBoundMb);
  EXPECT_EQ(*m, *image);
  EXPECT_EQ(alerts, 1);
}

TEST(HugeFiles, A100MbImageFieldIsAShortClearError) {
  TempDir dir;
  const std::string path = dir.File("digits.ram");
  // One field of 100 MB of digits, then a good image that is never reached.
  WriteRepeated(path, "", "12345678", k100Mb, "\r\n" + ImageText(*StartupMemory()));

  auto m = StartupMemory();
  auto before = std::make_unique<MemoryArray>(*m);
  int alerts = 0;
  std::string error;
  bool ok = true;
  const long growth = PeakGrowthMb([&] { ok = LoadMemoryImage(*m, path, [&] { ++alerts; }, &error); });
  EXPECT_FALSE(ok);
  EXPECT_LT(growth, kBoundMb);
  EXPECT_EQ(*m, *before);
  EXPECT_EQ(alerts, 0);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("line 1"), std::string::npos) << error;
  EXPECT_LT(error.size(), 1000u);
}

TEST(HugeFiles, A100MbImageWithTrailingJunkLoadsItsImage) {
  TempDir dir;
  const std::string path = dir.File("trailing.ram");
  auto image = StartupMemory();
  image->data[7] = 99;
  WriteRepeated(path, ImageText(*image), std::string("junk\0\xFF\r\n", 8), k100Mb, "");

  auto m = std::make_unique<MemoryArray>();
  std::string error;
  bool ok = false;
  const long growth = PeakGrowthMb([&] { ok = LoadMemoryImage(*m, path, nullptr, &error); });
  ASSERT_TRUE(ok) << error;
  EXPECT_LT(growth, kBoundMb);
  EXPECT_EQ(*m, *image);
}

// ---- Lines of a megabyte ------------------------------------------------------------------

constexpr size_t kMb = 1u << 20;

TEST(LongLines, ImageMarkerAndNumbersSurroundedByAMegabyte) {
  TempDir dir;
  auto image = StartupMemory();
  image->data[1] = 0xC4;
  struct Case {
    std::string name;
    std::string marker;
    int alerts;
  };
  const std::vector<Case> cases = {
      {"marker with a megabyte of trailing blanks", "MEMFLAGS" + std::string(kMb, ' '), 1},
      {"marker with trailing blanks and tabs", "MEMFLAGS" + std::string(kMb, '\t') + " ", 1},
      {"marker followed far away by a letter", "MEMFLAGS" + std::string(kMb, ' ') + "X", 2},
      {"a megabyte-long marker field", std::string(kMb, 'M'), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto m = std::make_unique<MemoryArray>();
    int alerts = 0;
    std::string error;
    ASSERT_TRUE(LoadMemoryImage(*m, dir.Write("m.ram", ImageText(*image, c.marker)), [&] { ++alerts; }, &error))
        << error;
    EXPECT_EQ(alerts, c.alerts);
    EXPECT_EQ(*m, *image);
  }
  // A megabyte of blanks and tabs after every 512th number still separates
  // them.
  std::string spaced;
  for (int a = 0; a < kMemorySize; ++a)
    spaced += std::to_string(image->data[a]) + (a % 512 == 0 ? std::string(kMb, a % 1024 ? ' ' : '\t') : "\r\n");
  spaced += "MEMFLAGS\r\n";
  for (int a = 0; a < kMemorySize; ++a) spaced += std::to_string(image->kind[a]) + "\n";
  auto m = std::make_unique<MemoryArray>();
  std::string error;
  ASSERT_TRUE(LoadMemoryImage(*m, dir.Write("spaced.ram", spaced), nullptr, &error)) << error;
  EXPECT_EQ(*m, *image);
}

TEST(LongLines, ListingLinesOfAMegabyte) {
  TempDir dir;
  const std::string text = "@0100\r\n" +
                           std::string(kMb, ' ') + "C4\r\n" +           // indented by a megabyte: a byte line
                           "12" + std::string(kMb, ' ') + "\r\n" +      // trailing spaces
                           std::string(kMb, ' ') + "\r\n" +             // only spaces: blank
                           "\t" + std::string(kMb, 'A') + "\r\n" +      // a tab first: ignored
                           "@0200" + std::string(kMb, '7') + "\r\n" +   // address field, then a megabyte of text
                           "34" + std::string(kMb, '5') + "\n" +        // only the first two characters count
                           std::string(kMb, ';') + "\r" +               // a comment
                           "@" + std::string(kMb, ' ') + "\r\n" +       // "@" alone once stripped
                           "56";                                        // last line without a line end
  auto m = StartupMemory();
  auto before = std::make_unique<MemoryArray>(*m);
  ListingResult result;
  std::string error;
  ASSERT_TRUE(LoadListing(*m, dir.Write("long.asm", text), &error, &result)) << error;
  EXPECT_EQ(m->data[0x100], 0xC4);
  EXPECT_EQ(m->data[0x101], 0x12);
  EXPECT_EQ(m->data[0x102], before->data[0x102]);
  EXPECT_EQ(m->data[0x200], 0x34);
  EXPECT_EQ(m->data[0x201], 0x56);
  EXPECT_EQ(result.stored, 4);
  EXPECT_EQ(result.load_address, 0x202);
}

// A CR LF pair split between two reads of the file is one line end: the
// line numbers of an image's error message count it once.
TEST(LongLines, CrLfSplitAcrossReadsCountsOnce) {
  TempDir dir;
  const std::string good = ImageText(*StartupMemory());
  for (size_t split : {4096u, 8192u, 65536u, 131072u}) {
    SCOPED_TRACE(split);
    // Line 1: a number padded with blanks so that its CR is byte split - 1
    // and its LF byte split; the field on line 5 is bad.
    std::string text = "1" + std::string(split - 2, ' ') + "\r\n";
    ASSERT_EQ(text[split - 1], '\r');
    text += " 2 \r\n 3 \r\n 4 \r\n x \r\n" + good;
    auto m = StartupMemory();
    std::string error;
    EXPECT_FALSE(LoadMemoryImage(*m, dir.Write("split.ram", text), nullptr, &error));
    EXPECT_NE(error.find("line 5"), std::string::npos) << error;
  }
}

// ---- Device files ---------------------------------------------------------------------------

// Files without an end, such as a character device or a FIFO nobody writes
// to, must give an error rather than a load that never returns.
TEST(DeviceFiles, EndlessFilesAreRefused) {
  TempDir dir;
  const std::string fifo = dir.File("fifo.asm");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), std::string("/dev/urandom"), fifo}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(FinishesWithin(5, [&] {
      auto m = StartupMemory();
      std::string error;
      return !LoadListing(*m, path, &error) && error.find(path) != std::string::npos ? 0 : 1;
    })) << "listing";
    EXPECT_TRUE(FinishesWithin(5, [&] {
      auto m = StartupMemory();
      std::string error;
      return !LoadMemoryImage(*m, path, nullptr, &error) && error.find(path) != std::string::npos ? 0 : 1;
    })) << "memory image";
  }
}

// ---- A trace folder that cannot take the log ---------------------------------------------------

class TraceFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    data_dir_ = test::DataDirWithShippedTable(dir_, "data");
    model_.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model_.StartUp(data_dir_, &error)) << error;
  }

  // OK in the settings window with tracing enabled, pause 7, slow mode.
  SettingsResult ApplyWithTrace() {
    SettingsInput input;
    input.pause_text = "7";
    input.delay_text = "0.5";
    input.fast = false;
    input.trace = true;
    return model_.ApplySettings(input);
  }

  // The refusal: tracing off and said so, the message naming the log, the
  // other options applied all the same, and a run that goes on without it.
  void ExpectTracingRefused(const SettingsResult& result) {
    EXPECT_NE(result.trace_error.find("TRACE.LOG"), std::string::npos) << result.trace_error;
    EXPECT_FALSE(model_.Options().trace_on);
    EXPECT_FALSE(model_.Trace().IsOpen());
    EXPECT_EQ(model_.LabelText(Label::kTrace), "Trace = off");
    EXPECT_EQ(model_.Options().pause_count, 7);
    EXPECT_FALSE(model_.Options().fast_mode);
    EXPECT_EQ(model_.Options().delay_seconds, 0.5f);
    const uint64_t steps = model_.ExecutedSteps();
    model_.RunOrProgram();  // run mode, single step on: one step
    EXPECT_EQ(model_.ExecutedSteps(), steps + 1);
  }

  TempDir dir_;
  std::string data_dir_;
  PanelModel model_;
};

TEST_F(TraceFolder, TraceLogNameTakenByAFolder) {
  fs::create_directory(fs::path(data_dir_) / "TRACE.LOG");
  ExpectTracingRefused(ApplyWithTrace());
  EXPECT_TRUE(fs::is_directory(fs::path(data_dir_) / "TRACE.LOG"));

  // Once the name is free again, the next OK opens the log.
  fs::remove(fs::path(data_dir_) / "TRACE.LOG");
  const SettingsResult again = ApplyWithTrace();
  EXPECT_TRUE(again.trace_error.empty()) << again.trace_error;
  EXPECT_TRUE(model_.Options().trace_on);
  EXPECT_TRUE(fs::is_regular_file(fs::path(data_dir_) / "TRACE.LOG"));
}

TEST_F(TraceFolder, DataFolderGoneAfterStartUp) {
  fs::remove_all(data_dir_);
  ExpectTracingRefused(ApplyWithTrace());
  EXPECT_FALSE(fs::exists(data_dir_));
}

TEST_F(TraceFolder, DataFolderReplacedByAFile) {
  fs::remove_all(data_dir_);
  std::ofstream(fs::path(data_dir_).parent_path()) << "a file";
  ExpectTracingRefused(ApplyWithTrace());
  std::string error;
  EXPECT_FALSE(model_.EnableTrace(data_dir_ + "TRACE.LOG", &error));
  EXPECT_NE(error.find(data_dir_ + "TRACE.LOG"), std::string::npos) << error;
}

TEST_F(TraceFolder, ReadOnlyFolder) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the cases above stand in";
  ::chmod(data_dir_.c_str(), 0555);
  ExpectTracingRefused(ApplyWithTrace());
  ::chmod(data_dir_.c_str(), 0755);
  EXPECT_FALSE(fs::exists(fs::path(data_dir_) / "TRACE.LOG"));
}

// A trace that the disk cannot take (/dev/full refuses every write) costs
// nothing but the log: the run ends as an untraced one does.
TEST(TraceFullDisk, RunEndsAsWithoutTrace) {
  auto run = [](bool trace) {
    auto model = std::make_unique<PanelModel>();
    model->SetWaitHook([](double) {});
    std::string error;
    EXPECT_TRUE(model->StartUp(test::SourceDataDir(), &error)) << error;
    // P1 = 0x100, P2 = the port; then count at 0x100 and show it on the LEDs.
    const int program[] = {0xC4, 0x01, 0x35, 0xC4, 0x00, 0x31, 0xC4, 0x0A, 0x36, 0xC4,
                           0x00, 0x32, 0xA9, 0x00, 0xCA, 0x00, 0x90, 0xFA};
    for (size_t i = 0; i < std::size(program); ++i) model->Memory().data[1 + i] = static_cast<int16_t>(program[i]);
    if (trace) {
      EXPECT_TRUE(model->EnableTrace("/dev/full", &error)) << error;
    }
    model->MutableOptions().pause_count = 3000;
    model->ToggleSingleStep();
    model->RunOrProgram();
    model->CloseTrace();
    return model;
  };
  auto traced = run(true);
  auto plain = run(false);
  EXPECT_EQ(traced->ExecutedSteps(), 3000u);
  EXPECT_EQ(traced->State(), plain->State());
  EXPECT_EQ(traced->Memory(), plain->Memory());
  EXPECT_NE(plain->Memory().data[0x100], 0);  // the program ran
  for (int i = 0; i < 8; ++i) EXPECT_EQ(traced->LedState(i), plain->LedState(i)) << i;
}

// ---- A full disk while saving ----------------------------------------------------------------------

// Saves through the panel in a child process whose files may not grow past
// `limit` bytes, as on a disk with that much room; returns the child's
// message, and whether it reported success.
struct SaveOutcome {
  bool ended_normally = false;
  bool saved = false;
  std::string message;
};

SaveOutcome SaveWithRoomFor(rlim_t limit, const std::string& path) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return {};
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit room = {limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &room) != 0) ::_exit(3);
    PanelModel model;
    std::string error;
    if (!model.StartUp(test::SourceDataDir(), &error)) ::_exit(4);
    for (int a = 0; a < kMemorySize; ++a) model.Memory().data[a] = static_cast<int16_t>(a % 251);
    const bool ok = model.SaveMemoryImage(path, &error);
    if (::write(pipe_fds[1], error.data(), error.size()) < 0) ::_exit(5);
    ::_exit(ok ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  SaveOutcome outcome;
  char buf[512];
  ssize_t n;
  while ((n = ::read(pipe_fds[0], buf, sizeof buf)) > 0) outcome.message.append(buf, static_cast<size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  outcome.ended_normally = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
  outcome.saved = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return outcome;
}

TEST(FullDisk, SavingLeavesTheOldImageIntact) {
  TempDir dir;
  auto old_memory = StartupMemory();
  const std::string old_text = ImageText(*old_memory);
  const std::string path = dir.Write("keep.ram", old_text);
  auto new_memory = StartupMemory();
  for (int a = 0; a < kMemorySize; ++a) new_memory->data[a] = static_cast<int16_t>(a % 251);
  const std::string new_text = ImageText(*new_memory);

  for (rlim_t room : {rlim_t{0}, rlim_t{1}, rlim_t{4096}, rlim_t{new_text.size() / 2}, rlim_t{new_text.size() - 1}}) {
    SCOPED_TRACE("room for " + std::to_string(room) + " bytes");
    const SaveOutcome outcome = SaveWithRoomFor(room, path);
    ASSERT_TRUE(outcome.ended_normally);
    EXPECT_FALSE(outcome.saved);
    EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
    EXPECT_EQ(ReadFile(path), old_text);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    // And the old image still loads.
    auto m = std::make_unique<MemoryArray>();
    std::string error;
    ASSERT_TRUE(LoadMemoryImage(*m, path, nullptr, &error)) << error;
    EXPECT_EQ(*m, *old_memory);
  }

  // With room for exactly the new image the same save goes through.
  const SaveOutcome outcome = SaveWithRoomFor(new_text.size(), path);
  ASSERT_TRUE(outcome.ended_normally);
  EXPECT_TRUE(outcome.saved) << outcome.message;
  EXPECT_EQ(ReadFile(path), new_text);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
// ---- Messages ---------------------------------------------------------------------

// A path or a file's text that holds terminal controls reaches a message
// only escaped: no control byte gets through, and the escapes are there.
TEST(HostileText, EveryMessageQuotesPathsAndFileTextEscaped) {
  TempDir dir;
  const std::string hostile = "\x1B[2J\nfake: ok\n";
  const std::string missing = dir.File("nodir/" + hostile + ".x");
  const auto mem = StartupMemory();
  const std::function<void()> silent = [] {};
  struct Case {
    const char* what;
    std::function<std::string()> message;
  };
  std::string e, text;
  SavedState state;
  TraceLog log;
  InstructionTable table;
  const std::vector<Case> cases = {
      {"trace log", [&] { return log.Open(missing, &e), e; }},
      {"instruction file", [&] { return table.Load(missing, &e), e; }},
      {"memory image", [&] { return LoadMemoryImage(*mem, missing, silent, &e), e; }},
      {"image saved", [&] { return SaveMemoryImage(*mem, missing, &e), e; }},
      {"listing", [&] { return LoadListing(*mem, missing, &e), e; }},
      {"Intel HEX", [&] { return LoadIntelHex(*mem, missing, &e), e; }},
      {"source", [&] { return ReadSourceFile(missing, &text, &e), e; }},
      {"state", [&] { return LoadStateFile(missing, &state, &e), e; }},
      {"state's text",
       [&] { return LoadStateFile(dir.Write("s", "SCMP-TRAINER-STATE\nVERSION " + hostile), &state, &e), e; }},
      {"image's text", [&] { return LoadMemoryImage(*mem, dir.Write("i", "4\r\n" + hostile), silent, &e), e; }},
      {"HEX file's text", [&] { return LoadIntelHex(*mem, dir.Write("h", ":01000000\x1B\x1B" "FF\n"), &e), e; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    e.clear();
    const std::string message = c.message();
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(std::count_if(message.begin(), message.end(), [](unsigned char b) { return b < 0x20 || b == 0x7F; }), 0)
        << message;
    EXPECT_NE(message.find("\\x1B"), std::string::npos) << message;
  }
}

}  // namespace scmp
