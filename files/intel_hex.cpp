#include "files/intel_hex.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include <unistd.h>

#include "core/hex.h"
#include "core/file_reader.h"
#include "core/safe_save.h"

namespace scmp {

namespace {

// ":" + count, address, type, 255 data bytes and the checksum, with room for
// trailing blanks.
constexpr size_t kMaxLineLength = 1 + 2 * (1 + 2 + 1 + 255 + 1) + 64;
constexpr int kBytesPerRecord = 16;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Checks and applies one record after the other to a copy of memory.
class HexReader {
 public:
  explicit HexReader(const MemoryArray& memory) : kind_(memory.kind), data_(memory.data) {}

  // One line without its end; false with `error` set when it is faulty.
  bool Line(std::string_view line, int number, std::string* error) {
    if (ended_) return true;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty()) return true;
    auto fail = [&](std::string message) {
      *error = "line " + std::to_string(number) + ": " + message;
      return false;
    };
    if (line[0] != ':') return fail("a record starts with \":\"");
    if (line.size() % 2 == 0 || line.size() < 11) return fail("the record is too short or has an odd number of digits");
    std::array<uint8_t, 260> bytes{};
    const size_t count = (line.size() - 1) / 2;
    if (count > bytes.size()) return fail("the record is too long");
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) {
      const int high = HexDigitValue(line[1 + 2 * i]), low = HexDigitValue(line[2 + 2 * i]);
      if (high < 0 || low < 0) return fail(Quoted(line.substr(1 + 2 * i, 2)) + " is not a hex byte");
      bytes[i] = static_cast<uint8_t>(high * 16 + low);
      sum += bytes[i];
    }
    const size_t length = bytes[0];
    if (count != length + 5)
      return fail("the record says " + std::to_string(length) + " data bytes but holds " +
                  std::to_string(static_cast<long>(count) - 5));
    if ((sum & 0xFF) != 0) {
      const unsigned expected = (bytes[count - 1] - sum) & 0xFF;
      return fail("the checksum is 0x" + Hex(bytes[count - 1], 2) + ", it should be 0x" + Hex(expected, 2));
    }
    const long offset = bytes[1] * 256L + bytes[2];
    const uint8_t* payload = bytes.data() + 4;
    switch (bytes[3]) {
      case 0x00:
        for (size_t i = 0; i < length; ++i) Store(base_ + offset + static_cast<long>(i), payload[i]);
        return true;
      case 0x01:
        ended_ = true;
        return true;
      case 0x02:
      case 0x04:
        if (length != 2) return fail("an address record holds two bytes");
        base_ = (payload[0] * 256L + payload[1]) << (bytes[3] == 0x02 ? 4 : 16);
        return true;
      case 0x03:
      case 0x05:
        return true;  // a start address: the trainer starts at 0x001
      default:
        return fail("the record type 0x" + Hex(bytes[3], 2) + " is unknown");
    }
  }

  bool Ended() const { return ended_; }
  const std::array<int16_t, kMemorySize>& data() const { return data_; }
  const IntelHexResult& result() const { return result_; }

 private:
  void Store(long address, uint8_t value) {
    if (address < kMemorySize && kind_[address] == kRam) {
      data_[address] = value;
      ++result_.stored;
      if (result_.first_address < 0 || address < result_.first_address)
        result_.first_address = static_cast<int>(address);
      if (address > result_.last_address) result_.last_address = static_cast<int>(address);
      result_.tally.Stored(address);
    } else {
      ++result_.dropped;
      result_.tally.DroppedAt(address, address < kMemorySize ? kind_[address] : static_cast<int16_t>(kRam));
    }
  }

  const std::array<int16_t, kMemorySize>& kind_;
  std::array<int16_t, kMemorySize> data_;
  IntelHexResult result_;
  long base_ = 0;
  bool ended_ = false;
};

std::string Record(int type, int address, const uint8_t* data, size_t length) {
  unsigned sum = static_cast<unsigned>(length + (address >> 8) + (address & 0xFF) + type);
  std::string line = ":" + Hex(static_cast<long>(length), 2) + Hex(address, 4) + Hex(type, 2);
  for (size_t i = 0; i < length; ++i) {
    line += Hex(data[i], 2);
    sum += data[i];
  }
  line += Hex(-static_cast<long>(sum), 2);
  line += "\r\n";
  return line;
}

}  // namespace

bool LoadIntelHex(MemoryArray& memory, const std::string& path, std::string* error, IntelHexResult* result) {
  const std::string named = "the Intel HEX file " + Quoted(path);
  auto set_error = [&](std::string text) {
    SetError(error, std::move(text));
    return false;
  };
  if (path.empty()) return set_error("Cannot load the Intel HEX file: no file name given.");
  auto file = std::make_unique<ChunkedFileReader>();
  std::string reason;
  if (!file->Open(path, &reason)) return set_error("Cannot open " + named + ": " + reason + ".");

  auto reader = std::make_unique<HexReader>(memory);
  std::string line, fault;
  int number = 1;
  bool after_cr = false, ok = true;
  for (std::string_view chunk = file->Next(); ok && !reader->Ended() && !chunk.empty(); chunk = file->Next()) {
    for (size_t i = 0; i < chunk.size() && ok; ++i) {
      const char c = chunk[i];
      if (c == '\n' && after_cr) {  // the LF of a CR LF
        after_cr = false;
        continue;
      }
      after_cr = c == '\r';
      if (c == '\r' || c == '\n') {
        ok = reader->Line(line, number++, &fault);
        line.clear();
      } else if (line.size() < kMaxLineLength) {
        line += c;
      } else {
        fault = "line " + std::to_string(number) + ": the line is too long for a record";
        ok = false;
      }
    }
  }
  if (file->Failed()) return set_error("Cannot read " + named + ": " + file->FailureText() + ". Memory is unchanged.");
  if (ok && !line.empty()) ok = reader->Line(line, number, &fault);
  if (!ok) return set_error("In " + named + ", " + fault + ". Memory is unchanged.");
  if (!reader->Ended())
    return set_error("The Intel HEX file " + Quoted(path) + " ends without an end record. Memory is unchanged.");
  memory.data = reader->data();
  if (result) *result = reader->result();
  return true;
}

std::string IntelHexText(const std::vector<HexBlock>& blocks) {
  std::string text;
  long upper = 0;  // the upper 16 bits in force, 0 until an 04 record
  for (const HexBlock& block : blocks)
    for (size_t i = 0; i < block.bytes.size();) {
      const long address = block.address + static_cast<long>(i);
      // Up to 16 bytes, not past the end of the 64K page.
      const size_t length = std::min<size_t>({static_cast<size_t>(kBytesPerRecord), block.bytes.size() - i,
                                              static_cast<size_t>(0x10000 - (address & 0xFFFF))});
      if ((address >> 16) != upper) {
        upper = address >> 16;
        const uint8_t page[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
        text += Record(0x04, 0, page, 2);
      }
      text += Record(0x00, static_cast<int>(address & 0xFFFF), block.bytes.data() + i, length);
      i += length;
    }
  text += Record(0x01, 0, nullptr, 0);
  return text;
}

bool SaveIntelHex(const std::vector<HexBlock>& blocks, const std::string& path, std::string* error) {
  return SaveFileSafely(path, IntelHexText(blocks), error, "the Intel HEX file");
}

}  // namespace scmp
