#include "files/listing.h"

#include "core/hex.h"
#include "core/regular_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scmp {
namespace {

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Only the first characters of a stripped line count: "@" and the four of the
// address field at most.
constexpr size_t kKeptChars = 8;

// Loads into a copy of the data plane, so that a read error can leave memory
// as it was.
class ListingLoader {
 public:
  ListingLoader(const MemoryArray& memory) : kind_(memory.kind), data_(memory.data) {}

  // One line without its line end: `kept` holds the first characters after
  // the leading spaces, `stripped_length` the length once trailing spaces
  // are gone too.
  void Line(std::string_view kept, size_t stripped_length) {
    if (stripped_length == 0) return;  // blank
    std::string_view text = kept.substr(0, std::min(kept.size(), stripped_length));
    if (text[0] == '@') {
      if (text.size() == 1) return;  // no address field: ignored
      std::array<char, 4> field{};
      const size_t n = std::min<size_t>(4, text.size() - 1);
      std::memcpy(field.data(), text.data() + 1, n);
      field[0] = '0';
      result_.load_address = static_cast<int16_t>(ReadListingHex(std::string_view(field.data(), n)));
    } else if (IsUpperHexDigit(text[0])) {
      const int value = ReadListingHex(text.substr(0, 2));
      const int address = result_.load_address;
      if (address >= 0 && address < kMemorySize && kind_[address] == kRam) {
        data_[address] = static_cast<int16_t>(value);
        ++result_.load_address;
        ++result_.stored;
      } else {
        ++result_.dropped;
      }
    }
  }

  const std::array<int16_t, kMemorySize>& data() const { return data_; }
  const ListingResult& result() const { return result_; }

 private:
  const std::array<int16_t, kMemorySize>& kind_;
  std::array<int16_t, kMemorySize> data_;
  ListingResult result_;
};

// Splits the file into lines as it reads it and hands each to the loader,
// keeping only the characters that count.
class LineSplitter {
 public:
  explicit LineSplitter(ListingLoader& loader) : loader_(loader) {}

  void Feed(const char* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      const char c = bytes[i];
      if (c == '\n' && after_cr_) {  // the LF of a CR LF
        after_cr_ = false;
        continue;
      }
      after_cr_ = c == '\r';
      if (c == '\r' || c == '\n') {
        EndLine();
        continue;
      }
      started_ = true;
      if (c == ' ' && length_ == 0) continue;  // leading space
      if (length_ < kKeptChars) kept_[length_] = c;
      ++length_;
      if (c != ' ') stripped_length_ = length_;
    }
  }

  // The end of the file ends a last line that has no line end.
  void Finish() {
    if (started_) EndLine();
  }

 private:
  void EndLine() {
    loader_.Line(std::string_view(kept_.data(), std::min(length_, kKeptChars)), stripped_length_);
    length_ = 0;
    stripped_length_ = 0;
    started_ = false;
  }

  ListingLoader& loader_;
  std::array<char, kKeptChars> kept_{};
  size_t length_ = 0;           // characters after the leading spaces
  size_t stripped_length_ = 0;  // up to the last character that is not a space
  bool started_ = false;
  bool after_cr_ = false;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

int ReadListingHex(std::string_view text) {
  unsigned value = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    const int digit = HexDigitValue(c);
    if (digit < 0) break;
    value = ((value << 4) | static_cast<unsigned>(digit)) & 0xFFFFFFF;
  }
  return static_cast<int>(value);
}

bool LoadListing(MemoryArray& memory, const std::string& path, std::string* error) {
  return LoadListing(memory, path, error, nullptr);
}

bool LoadListing(MemoryArray& memory, const std::string& path, std::string* error, ListingResult* result) {
  if (path.empty()) {
    SetError(error, "Cannot load the listing: no file name given.");
    return false;
  }
  std::string reason;
  const int fd = OpenRegularFile(path, &reason);
  if (fd < 0) {
    SetError(error, "Cannot open the listing " + Quoted(path) + ": " + reason + ".");
    return false;
  }

  auto loader = std::make_unique<ListingLoader>(memory);
  LineSplitter lines(*loader);
  std::array<char, 65536> buffer;
  int read_errno = 0;
  while (true) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) read_errno = errno;
    if (n <= 0) break;
    lines.Feed(buffer.data(), static_cast<size_t>(n));
  }
  ::close(fd);
  if (read_errno != 0) {
    SetError(error, "Cannot read the listing " + Quoted(path) + ": " + std::strerror(read_errno) +
                        ". Memory is unchanged.");
    return false;
  }
  lines.Finish();

  memory.data = loader->data();
  if (result) *result = loader->result();
  return true;
}

}  // namespace scmp
