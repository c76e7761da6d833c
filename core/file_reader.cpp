#include "core/file_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scmp {

std::string NotRegularReason(unsigned st_mode) {
  if (S_ISREG(st_mode)) return {};
  return S_ISDIR(st_mode) ? "it is a folder" : "it is not a regular file";
}

int OpenRegularFile(const std::string& path, std::string* reason) {
  // O_NONBLOCK keeps open() from waiting for a writer on a pipe.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (reason) *reason = std::strerror(errno);
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const std::string why = NotRegularReason(st.st_mode);
    ::close(fd);
    if (reason) *reason = why.empty() ? "it is not a regular file" : why;
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

ChunkedFileReader::~ChunkedFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool ChunkedFileReader::Open(const std::string& path, std::string* reason) {
  fd_ = OpenRegularFile(path, reason);
  return fd_ >= 0;
}

std::string_view ChunkedFileReader::Next() {
  if (fd_ < 0 || read_errno_ != 0) return {};
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) read_errno_ = errno;
    if (n <= 0) return {};
    return std::string_view(buffer_.data(), static_cast<size_t>(n));
  }
}

std::string ChunkedFileReader::FailureText() const { return std::strerror(read_errno_); }

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

std::string Escaped(std::string_view text, size_t limit) {
  std::string out;
  size_t shown = 0;
  for (unsigned char c : text) {
    if (shown == limit) {
      out += "...";
      break;
    }
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
    ++shown;
  }
  return out;
}

std::string Quoted(std::string_view text, size_t limit) { return "\"" + Escaped(text, limit) + "\""; }

bool ReadWholeFile(const std::string& path, size_t max_bytes, std::string* text, std::string* reason) {
  ChunkedFileReader file;
  if (!file.Open(path, reason)) return false;
  text->clear();
  for (std::string_view chunk = file.Next(); !chunk.empty(); chunk = file.Next()) {
    text->append(chunk);
    if (text->size() > max_bytes) {
      *reason = "it is larger than " + std::to_string(max_bytes >> 20) + " MB";
      return false;
    }
  }
  if (file.Failed()) {
    *reason = file.FailureText();
    return false;
  }
  return true;
}

}  // namespace scmp
