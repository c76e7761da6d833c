#include "tests/support/test_util.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace scmp::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("scmp-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(rd() % 100000));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(std::string_view name) const { return (path_ / std::string(name)).string(); }

std::string TempDir::Write(std::string_view name, std::string_view content) const {
  std::string p = File(name);
  std::ofstream out(p, std::ios::binary);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return p;
}

std::string DataDirWithShippedTable(const TempDir& dir, const std::string& name) {
  const std::string folder = name.empty() ? "" : name + "/";
  std::filesystem::create_directories(dir.path() / name);
  dir.Write(folder + "SCMP.DEL", ReadFile(SourceDataDir() + "SCMP.DEL"));
  return dir.File(folder);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool FinishesWithin(unsigned seconds, const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(seconds);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace scmp::test
