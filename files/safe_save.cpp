#include "files/safe_save.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scmp {

namespace {

namespace fs = std::filesystem;

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Opens a new, unique file beside `target`; -1 with errno set on failure.
int OpenTempBeside(const fs::path& target, fs::path* temp) {
  static std::atomic<unsigned> counter{0};
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = dir / ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                   std::to_string(counter++));
    int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

bool SaveFileWhole(const std::string& path, std::string_view content, std::string_view what, std::string* error) {
  auto set_error = [&](std::string text) {
    if (error) *error = std::move(text);
  };
  const std::string cannot = "Cannot save " + std::string(what);
  if (path.empty()) {
    set_error(cannot + ": no file name given.");
    return false;
  }
  const std::string named = cannot + " \"" + path + "\": ";
  std::error_code ec;
  fs::path target(path);
  // Saving through a symbolic link replaces the file it points at.
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::canonical(target, ec);
    if (!ec) target = resolved;
  }
  if (fs::is_directory(target, ec)) {
    set_error(named + "it is a folder.");
    return false;
  }

  fs::path temp;
  int fd = OpenTempBeside(target, &temp);
  if (fd < 0) {
    set_error(named + std::strerror(errno) + ".");
    return false;
  }
  // A file that is replaced keeps its permissions.
  struct stat old_stat;
  if (::stat(target.c_str(), &old_stat) == 0 && S_ISREG(old_stat.st_mode)) ::fchmod(fd, old_stat.st_mode & 07777);

  bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
  int saved_errno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved_errno = errno;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    saved_errno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    set_error(named + std::strerror(saved_errno) + ". Any earlier file of that name is unchanged.");
  }
  return ok;
}

}  // namespace scmp
