// The command-line programs run as a user runs them, on real files: no
// output may destroy an input, a failed scmp-asm changes no file, a file
// size limit or an unwritable standard output is an error, and signals end
// scmp-run even while it waits for a trace pipe.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct ProgramRun {
  int status;
  std::string err;
};

// `program` in a child, stdout to `out_path` (a file or /dev/full; closed
// when empty), stderr
// kept; `limit_bytes` caps the file size when not 0; `stop` is sent after a
// moment when not 0.
ProgramRun Execute(const TempDir& dir, const char* program, const std::vector<std::string>& args,
            const std::string& out_path = "/dev/null", rlim_t limit_bytes = 0, int stop = 0) {
  const std::string err_path = dir.File("stderr.txt");
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    if (out_path.empty())  // a closed standard output
      ::close(1);
    else
      ::dup2(::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    if (limit_bytes != 0) {
      const rlimit limit{limit_bytes, limit_bytes};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::alarm(20);  // a hang fails the test instead of holding it up
    std::vector<char*> argv = {const_cast<char*>(program)};
    if (std::find(args.begin(), args.end(), "--dir") == args.end()) {  // else the test's own data folder
      argv.push_back(const_cast<char*>("--dir"));
      argv.push_back(const_cast<char*>(SCMP_SOURCE_DATA_DIR));
    }
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program, argv.data());
    ::_exit(127);
  }
  if (stop != 0) {
    ::usleep(300000);
    ::kill(child, stop);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  std::string err = test::ReadFile(err_path);
  fs::remove(err_path);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status), err};
}

constexpr const char* kSource = " .org 0x001\nLOOP: JMP LOOP\n";
constexpr const char* kOldListing = "old listing\r\n";

// What the folder and its subfolders hold, name by name with contents.
std::vector<std::pair<std::string, std::string>> Contents(const TempDir& dir) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
    if (entry.is_regular_file()) files.emplace_back(entry.path().lexically_relative(dir.path()).string(), test::ReadFile(entry.path().string()));
  std::sort(files.begin(), files.end());
  return files;
}

// An output that is an input, by name, by link or by default name, an
// included file, the data folder's instruction table or another report, is
// refused with exit 2 naming both, and nothing is written; so is a program
// named twice.
TEST(FileSafety, AnOutputThatIsAnInputIsRefused) {
  const struct {
    const char* program;
    std::vector<std::string> args;  // "@x" is the temporary folder's file x
    const char* named;              // what the message names: the output or the input it meets
  } cases[] = {
      {SCMP_ASM_PATH, {"@p.s", "-o", "@p.s"}, "the listing"},
      {SCMP_ASM_PATH, {"@PROG.ASM"}, "the listing"},  // the default listing is the source
      {SCMP_ASM_PATH, {"@p.s", "-o", "@p.ASM", "--ram", "@p.s"}, "the memory image"},
      {SCMP_ASM_PATH, {"@p.s", "-o", "@link.s"}, "the listing"},
      {SCMP_ASM_PATH, {"@p.s", "-o", "@q.ASM", "--hex", "@q.ASM"}, "the Intel HEX file"},
      {SCMP_RUN_PATH, {"--src", "@p.s", "--trace", "@p.s"}, "the trace log"},
      {SCMP_RUN_PATH, {"--asm", "@old.ASM", "--save-ram", "@old.ASM"}, "the memory image to save"},
      {SCMP_RUN_PATH, {"--src", "@link.s", "--save-state", "@p.s"}, "the state to save"},
      {SCMP_ASM_PATH, {"@inc.s", "-o", "@defs.inc"}, "the included file"},
      {SCMP_ASM_PATH, {"@inc.s", "-o", "@q.ASM", "--symbols", "@deflink.inc"}, "the included file"},
      {SCMP_ASM_PATH, {"--dir", "@data/", "@p.s", "-o", "@data/SCMP.DEL"}, "the instruction table"},
      {SCMP_RUN_PATH, {"--src", "@inc.s", "--trace", "@defs.inc"}, "the included file"},
      {SCMP_RUN_PATH, {"--dir", "@data/", "--src", "@p.s", "--trace", "@data/SCMP.DEL"}, "the instruction table"},
      {SCMP_TEST_PATH, {"@t.test", "@p.s", "--json", "@t.test"}, "the test file"},
      {SCMP_TEST_PATH, {"@t.test", "@p.s", "--csv", "@p.s"}, "the program"},
      {SCMP_TEST_PATH, {"@t.test", "@p.s", "--junit", "@link.s"}, "the program"},
      {SCMP_TEST_PATH, {"@t.test", "@p.s", "--json", "@r", "--csv", "@r"}, "the JSON report"},
      {SCMP_TEST_PATH, {"@t.test", "@inc.s", "--json", "@deflink.inc"}, "the included file"},
      {SCMP_TEST_PATH, {"--dir", "@data/", "@t.test", "@p.s", "--csv", "@data/SCMP.DEL"}, "the instruction table"},
      {SCMP_TEST_PATH, {"@t.test", "@p.s", "@link.s"}, "the program"},
      {SCMP_TEST_PATH, {"@t.test", "@p.s", "@p.s", "--json", "@r"}, "the program"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.Write("p.s", kSource);
    dir.Write("PROG.ASM", kSource);
    dir.Write("old.ASM", "@0001\r\n00\r\n");
    dir.Write("defs.inc", "ONE = 1\n");
    dir.Write("inc.s", " INCLUDE \"defs.inc\"\n .org 0x001\n LDI ONE\n HALT\n");
    dir.Write("t.test", "test \"halts\"\n run until halt within 1ms\nend\n");
    test::DataDirWithShippedTable(dir, "data");
    fs::create_symlink(dir.File("p.s"), dir.File("link.s"));
    fs::create_symlink(dir.File("defs.inc"), dir.File("deflink.inc"));
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a[0] == '@' ? dir.File(a.substr(1)) : a);
    const auto before = Contents(dir);
    const ProgramRun r = Execute(dir, c.program, args);
    EXPECT_EQ(r.status, 2) << c.program << " " << args[0] << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("is the same file as"), std::string::npos) << r.err;
    EXPECT_TRUE(Contents(dir) == before) << "a file changed: " << args[0];
  }
  // Saving again the image or state a run loaded is no clash.
  TempDir dir;
  const std::string image = dir.File("P.RAM");
  ASSERT_EQ(Execute(dir, SCMP_ASM_PATH, {dir.Write("p.s", kSource), "--ram", image}).status, 0);
  const ProgramRun r = Execute(dir, SCMP_RUN_PATH, {"--ram", image, "--save-ram", image, "--steps", "5"});
  EXPECT_EQ(r.status, 0) << r.err;
}

// A failed output leaves every old file as it was and no temporary file.
TEST(FileSafety, AFailedScmpAsmChangesNoFile) {
  TempDir tmpfs_dir;
  // A small tmpfs stands for a full disk, where this may mount one.
  const bool full_disk = ::mount("tmpfs", tmpfs_dir.path().c_str(), "tmpfs", 0, "size=8k") == 0;
  const struct {
    std::string failing_option, failing_path;
    rlim_t limit = 0;
    const char* message;
  } cases[] = {
      {"--ram", "/dev/full", 0, "not a regular file"},
      {"--symbols", "/dev/null", 0, "not a regular file"},
      {"--hex", "no/such/folder/p.hex", 0, "No such file or directory"},
      {"--ram", "@big.RAM", 2048, "File too large"},
      {"--ram", full_disk ? tmpfs_dir.File("p.RAM") : "", 0, "No space left on device"},
  };
  for (const auto& c : cases) {
    if (c.failing_path.empty()) continue;  // no tmpfs here
    TempDir dir;
    const std::string source = dir.Write("new.s", kSource);
    dir.Write("prog.ASM", kOldListing);
    const std::string path = c.failing_path[0] == '@' ? dir.File(c.failing_path.substr(1)) : c.failing_path;
    const auto before = Contents(dir);
    const ProgramRun r = Execute(dir, SCMP_ASM_PATH, {source, "-o", dir.File("prog.ASM"), c.failing_option, path},
                          "/dev/null", c.limit);
    EXPECT_EQ(r.status, 1) << c.message << ": " << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(Contents(dir) == before) << "a file changed: " << c.message;
  }
  if (full_disk) {
    EXPECT_TRUE(fs::is_empty(tmpfs_dir.path()));
    ::umount(tmpfs_dir.path().c_str());
  }
}

// Standard output that cannot be written is an error, not a success.
TEST(FileSafety, AnUnwritableStandardOutputIsAnError) {
  TempDir dir;
  const std::string listing = dir.File("p.ASM");
  ASSERT_EQ(Execute(dir, SCMP_ASM_PATH, {dir.Write("p.s", kSource)}).status, 0);
  for (const auto& [program, args] :
       {std::pair{SCMP_RUN_PATH, std::vector<std::string>{"--asm", listing, "--steps", "3", "--dump", "000-FFF"}},
        std::pair{SCMP_ASM_PATH, std::vector<std::string>{"--dis", listing}},
        std::pair{SCMP_TEST_PATH, std::vector<std::string>{dir.Write("t.test", "test \"t\"\n run for 1ms\n expect leds 00\nend\n"), listing}}}) {
    for (const std::string out : {"/dev/full", ""}) {
      const ProgramRun r = Execute(dir, program, args, out);
      EXPECT_EQ(r.status, 1) << program << " to " << out << r.err;
      EXPECT_NE(r.err.find("cannot write the standard output"), std::string::npos) << r.err;
    }
  }
}

// A trace pipe that nobody reads does not keep a signal from ending the run
// with its status.
TEST(FileSafety, SignalsEndARunWaitingForATracePipe) {
  for (const auto& [signal_number, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}, std::pair{SIGHUP, 129}}) {
    TempDir dir;
    const std::string fifo = dir.File("trace.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const ProgramRun r = Execute(dir, SCMP_RUN_PATH, {"--src", dir.Write("p.s", kSource), "--trace", fifo}, "/dev/null", 0,
                          signal_number);
    EXPECT_EQ(r.status, status) << r.err;
  }
}

}  // namespace
}  // namespace scmp
