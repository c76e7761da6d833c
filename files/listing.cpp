#include "files/listing.h"

#include "files/load_report.h"

#include "core/file_reader.h"
#include "core/hex.h"

#include <array>
#include <cstring>
#include <memory>

namespace scmp {
namespace {

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// Only the first characters of a stripped line count: "@" and the four of the
// address field at most.
constexpr size_t kKeptChars = 8;

// The kinds of line that the format reads by its rule but that are most
// likely a mistake; each is reported once, at its first line.
enum Suspect { kShortAddress, kLowerCaseByte, kTextAsByte, kSuspects };

// Loads into a copy of the data plane, so that a read error can leave memory
// as it was.
class ListingLoader {
 public:
  ListingLoader(const MemoryArray& memory) : kind_(memory.kind), data_(memory.data) {}

  // One line without its line end: `kept` holds the first characters after
  // the leading spaces, `stripped_length` the length once trailing spaces
  // are gone too.
  void Line(std::string_view kept, size_t stripped_length) {
    ++line_;
    if (stripped_length == 0) return;  // blank
    std::string_view text = kept.substr(0, std::min(kept.size(), stripped_length));
    if (text[0] == '@') {
      if (text.size() == 1) return;  // no address field: ignored
      std::array<char, 4> field{};
      const size_t n = std::min<size_t>(4, text.size() - 1);
      std::memcpy(field.data(), text.data() + 1, n);
      field[0] = '0';
      result_.load_address = static_cast<int16_t>(ReadListingHex(std::string_view(field.data(), n)));
      listing_lines_ = true;
      if (stripped_length < 5)
        Suspected(kShortAddress, Quoted(text) + " has fewer than four address characters; the format reads it as @" +
                                     Hex(static_cast<unsigned>(result_.load_address), 4) + ". Write four, such as @0" +
                                     Hex(static_cast<unsigned>(ReadListingHex(text.substr(1))) & 0xFFF, 3) + ".");
    } else if (IsUpperHexDigit(text[0])) {
      listing_lines_ = true;
      if (text.size() > 2 && text[2] != ' ' && text[2] != '\t' && text[2] != ';')
        Suspected(kTextAsByte, Quoted(text) + " is read as the byte " +
                                   std::string(text.substr(0, 2)) +
                                   "; it looks like source text. Give a source to be assembled, not as a listing.");
      Store(ReadListingHex(text.substr(0, 2)));
    } else if (text[0] >= 'a' && text[0] <= 'f') {
      Suspected(kLowerCaseByte, Quoted(text.substr(0, 2)) + " starts with a lower-case hex digit and is passed over; a byte line is written "
                                    "in capitals.");
    }
  }

  bool HeldListingLines() const { return listing_lines_; }
  void TakeWarnings() {
    for (int k = 0; k < kSuspects; ++k) {
      if (warnings_[k].empty()) continue;
      const long more = suspect_count_[k] - 1;
      result_.warnings.push_back(warnings_[k] + (more > 0 ? " (" + std::to_string(more) + " more such lines)" : ""));
    }
  }
  const std::array<int16_t, kMemorySize>& data() const { return data_; }
  const ListingResult& result() const { return result_; }

 private:
  void Store(int value) {
    const int address = result_.load_address;
    if (address >= 0 && address < kMemorySize && kind_[address] == kRam) {
      data_[address] = static_cast<int16_t>(value);
      if (result_.stored == 0 || address < result_.lowest) result_.lowest = static_cast<int16_t>(address);
      if (result_.stored == 0 || address > result_.highest) result_.highest = static_cast<int16_t>(address);
      ++result_.load_address;
      ++result_.stored;
      result_.tally.Stored(address);
    } else {
      ++result_.dropped;
      result_.tally.DroppedAt(address, address < kMemorySize ? kind_[address] : static_cast<int16_t>(kRam));
    }
  }

  void Suspected(Suspect kind, const std::string& what) {
    ++suspect_count_[kind];
    if (warnings_[kind].empty()) warnings_[kind] = "line " + std::to_string(line_) + ": " + what;
  }

  const std::array<int16_t, kMemorySize>& kind_;
  std::array<int16_t, kMemorySize> data_;
  ListingResult result_;
  long line_ = 0;
  bool listing_lines_ = false;
  std::array<std::string, kSuspects> warnings_;
  std::array<long, kSuspects> suspect_count_{};
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
  ChunkedFileReader file;
  std::string reason;
  if (!file.Open(path, &reason)) {
    SetError(error, "Cannot open the listing " + Quoted(path) + ": " + reason + ".");
    return false;
  }

  auto loader = std::make_unique<ListingLoader>(memory);
  LineSplitter lines(*loader);
  for (std::string_view chunk = file.Next(); !chunk.empty(); chunk = file.Next()) lines.Feed(chunk.data(), chunk.size());
  if (file.Failed()) {
    SetError(error, "Cannot read the listing " + Quoted(path) + ": " + file.FailureText() + ". Memory is unchanged.");
    return false;
  }
  lines.Finish();
  if (!loader->HeldListingLines()) {
    SetError(error, "The file " + Quoted(path) +
                        " is not a listing: no line holds an address (@HHHH) or a byte (two hex digits). Memory is "
                        "unchanged.");
    return false;
  }
  loader->TakeWarnings();

  memory.data = loader->data();
  if (result) *result = loader->result();
  return true;
}

std::string ListingSummary(const std::string& name, const ListingResult& result) {
  // A file with no byte line at all is most likely no listing: say that.
  if (result.stored == 0 && result.dropped == 0) return name + ": no byte line, nothing stored";
  return LoadReport(name, result.stored, result.lowest, result.highest, result.dropped);
}

}  // namespace scmp
