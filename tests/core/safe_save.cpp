// Saving safely: only regular files and new names are replaced, a replaced
// file keeps its owner, group and mode, and no temporary file outlives a
// later save.
#include "core/safe_save.h"

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_util.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

size_t Entries(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Each target is made in a fresh folder and must come through a save
// refused and unchanged: same kind of entry, same link text.
TEST(SaveFileSafely, RefusesEverythingButRegularFilesAndNewNames) {
  struct Case {
    const char* what;
    const char* reason;
    bool needs_root;
    std::function<void(const TempDir&, const std::string&)> make;
  };
  const std::vector<Case> cases = {
      {"a pipe", "not a regular file", false, [](const TempDir&, const std::string& p) { ::mkfifo(p.c_str(), 0600); }},
      {"a link to a pipe", "not a regular file", false,
       [](const TempDir& d, const std::string& p) {
         ::mkfifo(d.File("fifo").c_str(), 0600);
         fs::create_symlink(d.File("fifo"), p);
       }},
      {"a dangling link", "does not exist", false,
       [](const TempDir& d, const std::string& p) { fs::create_symlink(d.File("gone"), p); }},
      {"a folder", "folder", false, [](const TempDir&, const std::string& p) { fs::create_directory(p); }},
      {"a device node", "not a regular file", true,
       [](const TempDir&, const std::string& p) { ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)); }},
  };
  for (const Case& c : cases) {
    if (c.needs_root && ::geteuid() != 0) {
      std::cout << "skipped without root: " << c.what << "\n";
      continue;
    }
    TempDir dir;
    const std::string target = dir.File("OUT.RAM");
    c.make(dir, target);
    struct stat before;
    ASSERT_EQ(::lstat(target.c_str(), &before), 0) << c.what;
    const size_t entries = Entries(dir.path());
    const std::string link = fs::is_symlink(target) ? fs::read_symlink(target).string() : "";

    std::string error;
    EXPECT_FALSE(SaveFileSafely(target, "data\r\n", &error, "the memory image")) << c.what;
    EXPECT_NE(error.find(target), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    struct stat after;
    ASSERT_EQ(::lstat(target.c_str(), &after), 0) << c.what;
    EXPECT_EQ(after.st_mode, before.st_mode) << c.what;
    EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
    EXPECT_EQ(fs::is_symlink(target) ? fs::read_symlink(target).string() : "", link) << c.what;
    EXPECT_EQ(Entries(dir.path()), entries) << c.what;
  }
}

// Replacing, directly or through a link: the contents change, the link
// stays a link, and owner, group and mode are those of the old file
// (another owner only where the test may give files away).
TEST(SaveFileSafely, ReplacingKeepsTheLinkOwnerGroupAndMode) {
  const bool root = ::geteuid() == 0;
  for (const bool through_link : {false, true}) {
    TempDir dir;
    const std::string file = dir.Write("IMAGE.RAM", "old\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const uid_t uid = root ? 65534 : ::getuid();  // nobody
    const gid_t gid = root ? 65534 : ::getgid();  // nogroup
    ASSERT_EQ(::chown(file.c_str(), uid, gid), 0);
    std::string target = file;
    if (through_link) {
      target = dir.File("link.ram");
      fs::create_symlink("IMAGE.RAM", target);
    }
    std::string error;
    ASSERT_TRUE(SaveFileSafely(target, "new\r\n", &error)) << error;
    EXPECT_EQ(test::ReadFile(file), "new\r\n");
    if (through_link) {
      EXPECT_EQ(fs::read_symlink(target), "IMAGE.RAM");
    }
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_uid, uid);
    EXPECT_EQ(st.st_gid, gid);
    EXPECT_EQ(Entries(dir.path()), through_link ? 2u : 1u);
  }
}

// A save killed in the middle (here by the file size limit's signal, as
// SIGKILL would) leaves its temporary file; the next save of that target
// removes it.
TEST(SaveFileSafely, ALaterSaveRemovesTheTemporaryFileOfAKilledOne) {
  TempDir dir;
  const std::string target = dir.Write("KILLED.RAM", "old\r\n");
  const std::string big(1 << 20, 'x');
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    struct rlimit small = {4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &small);
    ::signal(SIGXFSZ, SIG_DFL);
    SaveFileSafely(target, big, nullptr);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(Entries(dir.path()), 2u) << "the killed save left no temporary file";

  std::string error;
  ASSERT_TRUE(SaveFileSafely(target, "new\r\n", &error)) << error;
  EXPECT_EQ(test::ReadFile(target), "new\r\n");
  EXPECT_EQ(Entries(dir.path()), 1u);
}

// A signal during a save: one that ends the program removes the temporary
// files first and still ends it by that signal; one the program ignores or
// handles lets the save finish.
TEST(SaveFileSafely, ASignalDuringASaveLeavesNoTemporaryFile) {
  const struct {
    int signal_number;
    void (*handler)(int);  // the program's own: SIG_DFL ends it
    bool ends;
  } cases[] = {
      {SIGTERM, SIG_DFL, true},
      {SIGINT, SIG_DFL, true},
      {SIGHUP, SIG_DFL, true},
      {SIGTERM, SIG_IGN, false},
      {SIGINT, [](int) {}, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string first = dir.Write("REPORT.json", "old\n");
    const std::string second = dir.File("NEW.csv");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
      ::signal(c.signal_number, c.handler);
      SaveBatch batch;
      const bool prepared = batch.Prepare(first, "new\n", nullptr) && batch.Prepare(second, "rows\n", nullptr);
      if (!prepared || Entries(dir.path()) != 3) ::_exit(10);  // both temporaries beside the old file
      ::raise(c.signal_number);
      ::_exit(batch.Commit(nullptr) ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (c.ends) {
      ASSERT_TRUE(WIFSIGNALED(status)) << c.signal_number << " status " << status;
      EXPECT_EQ(WTERMSIG(status), c.signal_number);
      EXPECT_EQ(Entries(dir.path()), 1u) << "a temporary file was left";
      EXPECT_EQ(test::ReadFile(first), "old\n");
    } else {
      ASSERT_TRUE(WIFEXITED(status)) << status;
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(Entries(dir.path()), 2u);
      EXPECT_EQ(test::ReadFile(first), "new\n");
    }
  }
}

// Names up to the system's limit save; the temporary name is kept short.
TEST(SaveFileSafely, LongestNamesSave) {
  for (const size_t length : {200u, 254u, 255u}) {
    TempDir dir;
    const std::string target = dir.File(std::string(length - 4, 'n') + ".RAM");
    std::string error;
    EXPECT_TRUE(SaveFileSafely(target, "data\r\n", &error)) << length << ": " << error;
    EXPECT_EQ(test::ReadFile(target), "data\r\n");
    EXPECT_EQ(Entries(dir.path()), 1u);
  }
}

// A folder that may not be written: the message says so and names the
// folder, for a new name and for a file that is there already (kept).
TEST(SaveFileSafely, ReadOnlyFolderIsNamedAsTheCause) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into any folder";
  for (bool existing : {false, true}) {
    SCOPED_TRACE(existing ? "replacing a file" : "a new name");
    TempDir dir;
    const std::string folder = dir.File("locked");
    fs::create_directory(folder);
    const std::string target = folder + "/OUT.RAM";
    if (existing) dir.Write("locked/OUT.RAM", "old\r\n");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    std::string error;
    EXPECT_FALSE(SaveFileSafely(target, "new\r\n", &error, "the memory image"));
    ::chmod(folder.c_str(), 0755);
    EXPECT_NE(error.find("the folder \"" + folder + "\" cannot be written (Permission denied)"), std::string::npos)
        << error;
    EXPECT_EQ(fs::exists(target) ? test::ReadFile(target) : "", existing ? "old\r\n" : "");
  }
}

}  // namespace
}  // namespace scmp
