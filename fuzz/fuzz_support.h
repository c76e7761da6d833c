// Helpers shared by the fuzz targets.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/table.h"

namespace scmp::fuzz {

// Ends the run on a broken expectation; libFuzzer keeps the input that did it.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\n==fuzz check failed== %s (%s:%d)\n", what, file, line);
  std::abort();
}

#define FUZZ_CHECK(cond)                                           \
  do {                                                             \
    if (!(cond)) ::scmp::fuzz::Fail(#cond, __FILE__, __LINE__);    \
  } while (0)

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// A file that lives in memory but has a path the loaders can open, rewritten
// with each input, so that fuzzing leaves no files behind and does not wear a
// disk.
class MemFile {
 public:
  MemFile() {
    fd_ = ::memfd_create("scmp-fuzz", MFD_CLOEXEC);
    if (fd_ < 0) Fail("memfd_create", __FILE__, __LINE__);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  MemFile(const MemFile&) = delete;
  MemFile& operator=(const MemFile&) = delete;
  ~MemFile() { ::close(fd_); }

  void Set(std::string_view bytes) {
    if (::ftruncate(fd_, 0) != 0) Fail("ftruncate", __FILE__, __LINE__);
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      if (n <= 0) Fail("pwrite", __FILE__, __LINE__);
      done += static_cast<size_t>(n);
    }
  }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// The lines of a text file as this system reads them: CR LF, CR or LF ends
// a line, and a last line without an end counts as well.
inline std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// The shipped instruction file, read once.
inline const InstructionTable& ShippedTable() {
  static const InstructionTable table = [] {
    InstructionTable t;
    std::string error;
    if (!t.Load(std::string(SCMP_SOURCE_DATA_DIR) + "SCMP.DEL", &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return t;
  }();
  return table;
}

}  // namespace scmp::fuzz
