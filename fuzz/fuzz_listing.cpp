// The listing loader on arbitrary files, into three memory maps (the
// start-up map, all RAM so that the load address can pass 0xFFF, and a map of
// every kind including unknown ones). Each load is compared with a plain
// model of the listing rules: same cells, same counts, same end address;
// kinds and the cells of other kinds never change.
#include <cstdint>
#include <memory>
#include <string>

#include "core/machine.h"
#include "files/listing.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace scmp;

// Hex digits of either case; blanks, tabs and line feeds are passed over;
// the first other character ends the number.
int ModelHex(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n') continue;
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else break;
    value = value * 16 + digit;
  }
  return value;
}

void ModelLoad(MemoryArray& memory, std::string_view text, ListingResult& result) {
  int address = 0;
  for (std::string_view line : fuzz::SplitLines(text)) {
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos) continue;
    const size_t last = line.find_last_not_of(' ');
    const std::string_view s = line.substr(first, last - first + 1);
    const char c = s[0];
    if (c == '@') {
      if (s.size() == 1) continue;
      std::string field(s.substr(1, 4));
      field[0] = '0';
      address = ModelHex(field);
    } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
      const int value = ModelHex(s.substr(0, 2));
      if (address < kMemorySize && memory.kind[address] == kRam) {
        memory.data[address] = static_cast<int16_t>(value);
        ++address;
        ++result.stored;
      } else {
        ++result.dropped;
      }
    }
  }
  result.load_address = static_cast<int16_t>(address);
}

std::unique_ptr<MemoryArray> Map(int which) {
  auto m = std::make_unique<MemoryArray>();
  for (int a = 0; a < kMemorySize; ++a) m->data[a] = static_cast<int16_t>((a * 7919) % 65536 - 32768);
  switch (which) {
    case 0: m->LayOutStartupMap(); break;
    case 1: break;  // all RAM
    default:
      for (int a = 0; a < kMemorySize; ++a) m->kind[a] = static_cast<int16_t>((a / 64) % 6 - 1);  // -1..4
      break;
  }
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  static fuzz::MemFile file;
  file.Set(text);
  for (int which = 0; which < 3; ++which) {
    auto loaded = Map(which);
    auto expected = Map(which);
    ListingResult result, expected_result;
    std::string error;
    const bool listed = LoadListing(*loaded, file.path(), &error, &result);
    ModelLoad(*expected, text, expected_result);
    if (!listed) {
      // Refused as not a listing: no line placed a byte, and nothing changed.
      FUZZ_CHECK(expected_result.stored == 0 && expected_result.dropped == 0);
      const auto untouched = Map(which);
      FUZZ_CHECK(loaded->kind == untouched->kind);
      FUZZ_CHECK(loaded->data == untouched->data);
      continue;
    }
    FUZZ_CHECK(loaded->kind == expected->kind);
    FUZZ_CHECK(loaded->data == expected->data);
    FUZZ_CHECK(result.stored == expected_result.stored);
    FUZZ_CHECK(result.dropped == expected_result.dropped);
    FUZZ_CHECK(result.load_address == expected_result.load_address);
  }
  return 0;
}
