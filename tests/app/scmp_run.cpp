// The headless runner: options, exit statuses and the result line, both
// in-process and through the scmp-run executable.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/runner.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

using test::TempDir;

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result Batch(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = RunBatch(args, "/nonexistent/scmp-run", out, err);
  return {status, out.str(), err.str()};
}

// LDI 0A; XPAH P1 (P1 = 0A00, the port); LD 0(P1) (the switches); ST 0(P1)
// (the LEDs); HALT.
constexpr const char* kEcho = "@0001\r\nC4\r\n0A\r\n35\r\nC1\r\n00\r\nC9\r\n00\r\n00\r\n";

TEST(ScmpRun, EchoesTheSwitchesAndPrintsTheResultLine) {
  TempDir dir;
  const std::string asm_path = dir.Write("ECHO.ASM", kEcho);
  const Result r = Batch({"--dir", test::SourceDataDir(), "--asm", asm_path, "--switches", "a5"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "A=A5 E=00 SR=00 P0=0008 P1=0A00 P2=0000 P3=0000 LEDS=A5 FLAGS=0 HALT=1 STEPS=5\n");
}

TEST(ScmpRun, StepsBoundTheRunAndZeroMeansNoPause) {
  TempDir dir;
  // 001: JMP -2 (to itself), forever.
  const std::string loop = dir.Write("LOOP.ASM", "@0001\n90\nFE\n");
  Result r = Batch({"--dir", test::SourceDataDir(), "--asm", loop, "--steps", "1234"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("HALT=0 STEPS=1234\n"), std::string::npos) << r.out;

  // With no pause the run ends at the HALT only. A counter at 081 counts up
  // with ILD until it wraps to 0: 001 ILD 7F(P0); 003 JNZ -4; 005 HALT.
  const std::string count = dir.Write("COUNT.ASM", "@0001\nA8\n7F\n9C\nFC\n00\n");
  r = Batch({"--dir", test::SourceDataDir(), "--asm", count, "--steps", "0"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("A=00"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("HALT=1 STEPS=513\n"), std::string::npos) << r.out;  // 256 x (ILD, JNZ) + HALT
}

// --cycles ends the line with the data-sheet microcycles of the run.
TEST(ScmpRun, CyclesOptionAppendsTheMicrocycles) {
  TempDir dir;
  struct Case {
    const char* listing;
    const char* tail;
  };
  const Case cases[] = {
      // 256 x ILD (22) + 255 x JNZ taken (11) + JNZ not taken (9) + HALT (8).
      {"@0001\nA8\n7F\n9C\nFC\n00\n", "HALT=1 STEPS=513 CYCLES=8454\n"},
      // DLY 02 with A = 0 (13 + 1028), HALT (8).
      {"@0001\n8F\n02\n00\n", "HALT=1 STEPS=2 CYCLES=1049\n"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write("P.ASM", c.listing);
    const Result r = Batch({"--dir", test::SourceDataDir(), "--asm", path, "--steps", "0", "--cycles"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.ends_with(c.tail)) << r.out;
  }
}

TEST(ScmpRun, TraceAndSavedImageAreWritten) {
  TempDir dir;
  const std::string asm_path = dir.Write("ECHO.ASM", kEcho);
  const std::string trace = dir.File("T.LOG");
  const std::string image = dir.File("OUT.RAM");
  const Result r = Batch({"--dir", test::SourceDataDir(), "--asm", asm_path, "--trace", trace, "--save-ram", image,
                        "--quiet"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string log = test::ReadFile(trace);
  EXPECT_NE(log.find("------Run Mode-------\r\n"), std::string::npos);
  EXPECT_NE(log.find("HALT      - - H 0008 00    P0-3: 0008 0A00 0000 0000 A,EX,ST: 00 00 00 \r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.substr(log.size() - 28), "------End of Trace -------\r\n");
  const std::string saved = test::ReadFile(image);
  EXPECT_EQ(saved.substr(0, 12), " 0 \r\n 196 \r\n");  // address 0 empty, 001 holds C4
}

TEST(ScmpRun, BadOptionsExitWithTwoAndUsage) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, {"--steps"}, {"--steps", "-1"}, {"--steps", "1000000001"},
        {"--steps", "12x"}, {"--switches", "100"}, {"--switches", "G0"}, {"--save-ram", ""}, {"--trace", ""},
        {"--ram", ""}, {"--asm", ""}, {"--trace-limit", "0"}, {"--trace-limit", "1000001"}, {"--trace-limit", "1.5"}}) {
    const Result r = Batch(args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
    EXPECT_NE(r.err.find("usage: scmp-run"), std::string::npos) << args[0];
  }
  const Result help = Batch({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--save-ram FILE"), std::string::npos);
}

TEST(ScmpRun, UnreadableFilesExitWithOneNamingTheFile) {
  TempDir dir;
  Result r = Batch({"--dir", dir.path().string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("SCMP.DEL"), std::string::npos) << r.err;

  r = Batch({"--dir", test::SourceDataDir(), "--asm", dir.File("MISSING.ASM")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("MISSING.ASM"), std::string::npos) << r.err;

  r = Batch({"--dir", test::SourceDataDir(), "--ram", dir.File("MISSING.RAM")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("MISSING.RAM"), std::string::npos) << r.err;

  const std::string asm_path = dir.Write("ECHO.ASM", kEcho);
  r = Batch({"--dir", test::SourceDataDir(), "--asm", asm_path, "--trace", dir.File("no/such/folder/T.LOG")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("T.LOG"), std::string::npos) << r.err;
}

TEST(ScmpRun, ListingsSourcesAndHexFilesLoadInCommandLineOrder) {
  TempDir dir;
  // Each puts another byte at 002, the operand of LDI at 001.
  const std::string a = dir.Write("A.ASM", "@0001\nC4\n11\n00\n");
  const std::string b = dir.Write("B.s", " .org 1\n LDI 0x22\n HALT\n");
  const std::string c = dir.Write("C.hex", ":0100020033CA\n:00000001FF\n");
  const struct {
    std::vector<std::string> loads;
    const char* accumulator;
  } cases[] = {
      {{"--asm", a, "--src", b, "--hex", c}, "A=33 "},
      {{"--hex", c, "--src", b, "--asm", a}, "A=11 "},
      {{"--asm", a, "--src", b}, "A=22 "},
      {{"--src", b, "--asm", a}, "A=11 "},
      {{"--src", b, "--asm", a, "--src", b}, "A=22 "},
  };
  for (const auto& t : cases) {
    std::vector<std::string> args = {"--dir", test::SourceDataDir()};
    args.insert(args.end(), t.loads.begin(), t.loads.end());
    const Result r = Batch(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(t.accumulator, 0), 0u) << r.out;
  }
}

TEST(ScmpRun, FaultySourcesAndHexFilesExitWithOneBeforeRunning) {
  TempDir dir;
  const std::string bad = dir.Write("BAD.s", " .org 1\n LDI 0x300\n HALT\n BOGUS\n");
  const struct {
    std::string file;
    const char* option;
    std::vector<std::string> messages;
  } cases[] = {
      {bad, "--src", {bad + ":2:", bad + ":4:", "BAD.s: 2 errors; nothing loaded."}},
      {dir.File("MISSING.s"), "--src", {"MISSING.s"}},
      {dir.Write("BAD.hex", ":0100020033CB\n:00000001FF\n"), "--hex", {"BAD.hex", "checksum"}},
  };
  for (const auto& c : cases) {
    const Result r = Batch({"--dir", test::SourceDataDir(), c.option, c.file});
    EXPECT_EQ(r.status, 1) << c.file;
    EXPECT_EQ(r.out, "") << c.file;  // no run, no result line
    for (const std::string& m : c.messages) EXPECT_NE(r.err.find(m), std::string::npos) << r.err;
  }
}

TEST(ScmpRun, ExecutableUsesTheDataFolderBesideIt) {
  TempDir dir;
  const std::string asm_path = dir.Write("ECHO.ASM", kEcho);
  const std::string cmd = std::string("env -u SCMP_DIR ") + SCMP_RUN_PATH + " --asm " + asm_path + " --switches 3C";
  std::FILE* p = ::popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::array<char, 256> buf{};
  std::string out;
  while (std::fgets(buf.data(), buf.size(), p) != nullptr) out += buf.data();
  const int status = ::pclose(p);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "A=3C E=00 SR=00 P0=0008 P1=0A00 P2=0000 P3=0000 LEDS=3C FLAGS=0 HALT=1 STEPS=5\n");
}

// ---- The trace log's end: write errors, the limit, signals -------------------

// 001: JMP -2 (to itself), forever.
constexpr const char* kLoop = "@0001\n90\nFE\n";

TEST(ScmpRunTrace, WriteErrorsAndTheLimitEndTracingWithAMessage) {
  struct Case {
    const char* what;
    std::string trace;  // empty: a file in the test folder
    std::vector<std::string> more;
    int status;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"a full device", "/dev/full", {}, 1, "Cannot write the trace log \"/dev/full\": No space left on device"},
      {"the limit", "", {"--trace-limit", "1"}, 0, "reached its limit of 1 MB"},
  };
  for (const Case& c : cases) {
    if (c.trace == "/dev/full" && ::access("/dev/full", W_OK) != 0) continue;
    TempDir dir;
    const std::string trace = c.trace.empty() ? dir.File("T.LOG") : c.trace;
    std::vector<std::string> args = {"--dir", test::SourceDataDir(), "--asm", dir.Write("LOOP.ASM", kLoop),
                                     "--steps", "20000", "--trace", trace};
    args.insert(args.end(), c.more.begin(), c.more.end());
    const Result r = Batch(args);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(r.err.find(c.message), r.err.rfind(c.message)) << "told more than once: " << r.err;
    EXPECT_NE(r.out.find("STEPS=20000\n"), std::string::npos) << c.what << ": the run goes on without the trace";
    if (c.trace.empty()) {
      const std::string log = test::ReadFile(trace);
      EXPECT_LE(log.size(), 1u << 20);
      EXPECT_EQ(log.substr(log.size() - 34), "------Trace limit reached-------\r\n");
    }
  }
}

// The executable in a child with its output in files; `stop` is sent after
// a moment unless it is 0.
Result RunExecutable(const TempDir& dir, const std::vector<std::string>& args, int stop) {
  const std::string out_path = dir.File("stdout"), err_path = dir.File("stderr");
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    ::dup2(::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    std::vector<char*> argv = {const_cast<char*>(SCMP_RUN_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(SCMP_RUN_PATH, argv.data());
    ::_exit(127);
  }
  if (stop != 0) {
    ::usleep(200000);
    ::kill(child, stop);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status), test::ReadFile(out_path),
          test::ReadFile(err_path)};
}

TEST(ScmpRunTrace, SigintSigtermAndSighupEndANeverEndingRunCleanly) {
  for (const auto& [signal_number, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
    TempDir dir;
    const std::string trace = dir.File("T.LOG");
    const Result r = RunExecutable(
        dir, {"--dir", test::SourceDataDir(), "--asm", dir.Write("LOOP.ASM", kLoop), "--steps", "0", "--trace", trace},
        signal_number);
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_NE(r.out.find("HALT=0 STEPS="), std::string::npos) << r.out;
    const std::string log = test::ReadFile(trace);
    ASSERT_GE(log.size(), 28u);
    EXPECT_EQ(log.substr(log.size() - 28), "------End of Trace -------\r\n");
  }
}

}  // namespace
}  // namespace scmp

namespace scmp {
namespace {

// 0001 LDI 03; 0003 XPAH P2; 0004 LDI 07; 0006 ST 0(P2); 0008 ILD 1(P2); 000A HALT
constexpr const char* kStores = "@0001\nC4\n03\n36\nC4\n07\nCA\n00\nAA\n01\n00\n";

TEST(ScmpRunDebug, BreakWatchAndDump) {
  TempDir dir;
  const std::string asm_path = dir.Write("STORES.ASM", kStores);
  struct Case {
    std::vector<std::string> args;
    std::string line_end, dump;
  } cases[] = {
      {{"--break", "6"}, "P0=0005 P1=0000 P2=0300 P3=0000 LEDS=00 FLAGS=0 HALT=0 STEPS=3 STOP=BREAK", "0300: 00 00\n"},
      {{"--break", "001", "--break", "8"}, "HALT=0 STEPS=4 STOP=BREAK", "0300: 07 00\n"},
      {{"--watch", "301", "--watch", "0300"}, "P0=0007 P1=0000 P2=0300 P3=0000 LEDS=00 FLAGS=0 HALT=0 STEPS=4 STOP=WATCH", "0300: 07 00\n"},
      {{"--watch", "302"}, "HALT=1 STEPS=6", "0300: 07 01\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--dir", test::SourceDataDir(), "--asm", asm_path, "--dump", "300-301"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result r = Batch(args);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string line = r.out.substr(0, r.out.find('\n'));
    EXPECT_TRUE(line.ends_with(c.line_end)) << line;
    EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), c.dump);
  }
  // Rows of 16 from FROM, the last one cut at TO.
  const Result rows = Batch({"--dir", test::SourceDataDir(), "--asm", asm_path, "--dump", "0-11"});
  EXPECT_NE(rows.out.find("\n0000: 00 C4 03 36 C4 07 CA 00 AA 01 00 00 00 00 00 00\n0010: 00 00\n"), std::string::npos)
      << rows.out;
}

// --checks: each warning once on stderr, with the line of a source, the
// run itself unchanged; without it, nothing.
TEST(ScmpRunDebug, ChecksWarnOnStderrWithTheSourceLine) {
  TempDir dir;
  const std::string src = dir.Write("sum.s", " .org 1\n LDI 2\n ADD SUM\n ST SUM\n ADD SUM\n JMP END\nSUM: .space 1\nEND:\n");
  const std::vector<std::string> base = {"--dir", test::SourceDataDir(), "--src", src};
  const Result plain = Batch(base);
  std::vector<std::string> with = base;
  with.push_back("--checks");
  const Result checked = Batch(with);
  EXPECT_EQ(checked.status, 0) << checked.err;
  EXPECT_EQ(checked.out, plain.out);
  EXPECT_EQ(plain.err, "");
  EXPECT_EQ(checked.err, src + ":3: warning: uninitialised: read 00B, never loaded nor written since RST (instruction at 003)\n"
                               "scmp-run: warning: ran into empty memory at 00C\n");
}

TEST(ScmpRunDebug, SavedRunContinuedEqualsOneRun) {
  TempDir dir;
  // The benchmark loop: loads, stores, auto-indexing, ILD, CCL and a jump.
  const std::string asm_path = dir.Write(
      "LOOP.ASM", "@0001\nC4\n02\n35\nC4\n03\n36\nC4\n04\n37\nC5\n01\nF2\n00\nCA\n00\nC7\nFF\nE2\n01\nCA\n01\nAA\n02\n02\n90\nEF\n");
  const std::string base = "--dir=" + test::SourceDataDir();
  const Result first = Batch({base, "--asm", asm_path, "--steps", "1000", "--switches", "3C", "--save-state", dir.File("a")});
  ASSERT_EQ(first.status, 0) << first.err;
  const Result continued = Batch({base, "--load-state", dir.File("a"), "--steps", "777", "--dump", "300-302"});
  const Result whole = Batch({base, "--asm", asm_path, "--steps", "1777", "--switches", "3C", "--dump", "300-302"});
  ASSERT_EQ(continued.status, 0) << continued.err;
  auto without_steps = [](std::string out) { return out.erase(out.find(" STEPS="), out.find('\n') - out.find(" STEPS=")); };
  EXPECT_EQ(without_steps(continued.out), without_steps(whole.out));
  EXPECT_NE(continued.out.find("STEPS=777"), std::string::npos);
  EXPECT_NE(continued.out, first.out);
}

TEST(ScmpRunDebug, BadDebugOptions) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  } cases[] = {
      {{"--break", "1000"}, 2, "--break takes a hexadecimal address"},
      {{"--watch", "xyz"}, 2, "--watch takes a hexadecimal address"},
      {{"--dump", "5-3"}, 2, "--dump takes FROM-TO"},
      {{"--dump", "300"}, 2, "--dump takes FROM-TO"},
      {{"--load-state", "/nonexistent/state"}, 1, "\"/nonexistent/state\""},
      {{"--save-state", "/nonexistent/dir/state"}, 1, "\"/nonexistent/dir/state\""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--dir", test::SourceDataDir(), "--steps", "1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result r = Batch(args);
    EXPECT_EQ(r.status, c.status) << c.args[0];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace scmp
