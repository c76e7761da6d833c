// Reading a file to its end, and the messages that name a file or quote its
// text. Only a regular file will do: a folder, a device such as /dev/zero or
// a pipe nobody writes to would make a reader fail oddly, never finish or
// wait for ever.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace scmp {

// Opens `path` for reading and returns the descriptor, or -1 with `reason`
// set ("No such file or directory", "it is a folder", "it is not a regular
// file"). Opening never blocks, even on a pipe.
int OpenRegularFile(const std::string& path, std::string* reason);

// Why a file of mode `st_mode` is not a regular file ("it is a folder", "it
// is not a regular file"); empty when it is one.
std::string NotRegularReason(unsigned st_mode);

// A regular file read through one fixed buffer, a chunk at a time, so that
// memory use does not grow with the file.
class ChunkedFileReader {
 public:
  ChunkedFileReader() = default;
  ChunkedFileReader(const ChunkedFileReader&) = delete;
  ChunkedFileReader& operator=(const ChunkedFileReader&) = delete;
  ~ChunkedFileReader();

  // False with `reason` set as OpenRegularFile sets it.
  bool Open(const std::string& path, std::string* reason);
  // The next chunk, or an empty view at the end of the file or after a read
  // error.
  std::string_view Next();
  bool Failed() const { return read_errno_ != 0; }
  // The read error, such as "Input/output error".
  std::string FailureText() const;

 private:
  int fd_ = -1;
  int read_errno_ = 0;
  std::array<char, 65536> buffer_{};
};

// The whole of a regular file into `text`, for files that are small by
// nature (sources, saved states). False with `reason` set when it cannot be
// opened (as OpenRegularFile says), cannot be read (the system's text), or
// holds more than `max_bytes` ("it is larger than N MB").
bool ReadWholeFile(const std::string& path, size_t max_bytes, std::string* text, std::string* reason);

// Stores `text` in `*error` when the caller asked for a message.
void SetError(std::string* error, std::string text);

// `text` in double quotes for a message, safe to print on a terminal:
// printable ASCII and well-formed UTF-8 characters stay, every other byte
// (controls, bidirectional controls, broken sequences) is written as \xNN, and at most `limit`
// characters of the text are shown, followed by "..." when it is longer.
// Paths are shown whole; text taken from a file is cut at kQuotedTextLimit.
inline constexpr size_t kQuotedTextLimit = 60;
std::string Quoted(std::string_view text, size_t limit = std::string_view::npos);
// The same without the quotes, for text that stands in a fixed form such as
// "FILE:LINE:COL: error: message".
std::string Escaped(std::string_view text, size_t limit = std::string_view::npos);

}  // namespace scmp
