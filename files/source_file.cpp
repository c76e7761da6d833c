#include "files/source_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "core/regular_file.h"

namespace scmp {

bool ReadSourceFile(const std::string& path, std::string* text, std::string* error) {
  std::string reason;
  const int fd = OpenRegularFile(path, &reason);
  if (fd < 0) {
    *error = "Cannot open the source \"" + path + "\": " + reason + ".";
    return false;
  }
  text->clear();
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = "Cannot read the source \"" + path + "\": " + std::strerror(errno) + ".";
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    text->append(buffer, static_cast<size_t>(n));
    if (text->size() > kMaxSourceSize) {
      *error = "The source \"" + path + "\" is larger than 16 MB: it is no SC/MP program.";
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return true;
}

}  // namespace scmp
