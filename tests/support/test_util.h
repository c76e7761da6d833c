// Helpers shared by the tests.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace scmp::test {

// A fresh empty folder under the system's temporary folder, removed when the
// object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // path() + "/" + name, as text.
  std::string File(std::string_view name) const;
  // Writes `content` (bytes as given) to path() / name and returns its path.
  std::string Write(std::string_view name, std::string_view content) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);

// A data folder inside `dir` (`dir` itself for an empty `name`) holding a
// copy of the shipped SCMP.DEL; its path, ending in "/", for StartUp.
std::string DataDirWithShippedTable(const TempDir& dir, const std::string& name = "");

// Runs `body` in a child process that gets `seconds` to end; true when it
// ended in time with status 0. A child that hangs is ended by SIGALRM.
bool FinishesWithin(unsigned seconds, const std::function<int()>& body);

// The shipped data folder in the source tree (ends in "/").
inline std::string SourceDataDir() { return SCMP_SOURCE_DATA_DIR; }

}  // namespace scmp::test
