#include "core/file_reader.h"

#include <cerrno>
#include <cstdint>
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

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` for a
// character that a terminal shows as itself, or 0: controls (C0, DEL, C1),
// line and paragraph separators, the bidirectional controls that can make
// a line read otherwise than it is, and noncharacters are not shown raw.
size_t ShownCharacterLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead >= 0x20 && lead < 0x7F) return 1;
  size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool overlong = code < least[length];
  const bool control = code < 0xA0;
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  const bool separator = code == 0x2028 || code == 0x2029;
  const bool bidi = (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069) || code == 0x200E ||
                    code == 0x200F || code == 0x061C;
  const bool noncharacter = (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
  if (overlong || control || surrogate || separator || bidi || noncharacter || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

// Printable ASCII and well-formed UTF-8 characters stay as they are (a
// name with an accent reads as written); every other byte is \xNN.
std::string Escaped(std::string_view text, size_t limit) {
  std::string out;
  size_t shown = 0;
  for (size_t at = 0; at < text.size();) {
    if (shown == limit) {
      out += "...";
      break;
    }
    if (const size_t length = ShownCharacterLength(text.substr(at)); length > 0) {
      out.append(text.substr(at, length));
      at += length;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(text[at]));
      out += hex;
      ++at;
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
