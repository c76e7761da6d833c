// The memory image loader on arbitrary files. Each load is compared with a
// plain model of the lenient number reading: an image loads exactly when the
// model finds 4096 numbers, a marker field and 4096 numbers, all integers in
// -32768..32767, and then with the model's cells and alerts; a refused image
// leaves memory as it was and sounds nothing. An image that loads is saved
// and loaded back unchanged.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/machine.h"
#include "files/memory_image.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace scmp;

struct Cursor {
  std::string_view text;
  size_t pos = 0;
  int Peek() const { return pos < text.size() ? static_cast<unsigned char>(text[pos]) : -1; }
};

bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

void SkipBlanksAndLineEnds(Cursor& in) {
  while (IsBlank(in.Peek()) || IsLineEnd(in.Peek())) ++in.pos;
}

enum class Got { kValue, kEnd, kBad };

// A number field: it ends at a blank, a comma or a line end; blanks and
// one comma after it are its separator.
Got NumberField(Cursor& in, int16_t* value) {
  SkipBlanksAndLineEnds(in);
  if (in.Peek() < 0) return Got::kEnd;
  const size_t begin = in.pos;
  while (in.Peek() >= 0 && in.Peek() != ',' && !IsBlank(in.Peek()) && !IsLineEnd(in.Peek())) ++in.pos;
  const std::string_view field = in.text.substr(begin, in.pos - begin);
  while (IsBlank(in.Peek())) ++in.pos;
  if (in.Peek() == ',') ++in.pos;

  size_t i = 0;
  bool negative = false;
  if (!field.empty() && (field[0] == '+' || field[0] == '-')) {
    negative = field[0] == '-';
    i = 1;
  }
  if (i == field.size()) return Got::kBad;
  long v = 0;
  for (; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return Got::kBad;
    v = std::min(v * 10 + (field[i] - '0'), 1000000L);
  }
  if (negative) v = -v;
  if (v < -32768 || v > 32767) return Got::kBad;
  *value = static_cast<int16_t>(v);
  return Got::kValue;
}

// The marker field: it runs to a comma or the end of its line; trailing
// blanks are not part of it.
Got MarkerField(Cursor& in, bool* is_marker) {
  SkipBlanksAndLineEnds(in);
  if (in.Peek() < 0) return Got::kEnd;
  const size_t begin = in.pos;
  while (in.Peek() >= 0 && in.Peek() != ',' && !IsLineEnd(in.Peek())) ++in.pos;
  std::string_view field = in.text.substr(begin, in.pos - begin);
  if (in.Peek() == ',') ++in.pos;
  while (!field.empty() && IsBlank(field.back())) field.remove_suffix(1);
  *is_marker = field == "MEMFLAGS";
  return Got::kValue;
}

// Alerts the model expects, or -1 when the image must be refused.
int ModelLoad(std::string_view text, MemoryArray& image) {
  Cursor in{text};
  for (int a = 0; a < kMemorySize; ++a)
    if (NumberField(in, &image.data[a]) != Got::kValue) return -1;
  bool is_marker = false;
  if (MarkerField(in, &is_marker) != Got::kValue) return -1;
  for (int a = 0; a < kMemorySize; ++a)
    if (NumberField(in, &image.kind[a]) != Got::kValue) return -1;
  return is_marker ? 1 : 2;
}

std::unique_ptr<MemoryArray> Before() {
  auto m = std::make_unique<MemoryArray>();
  m->LayOutStartupMap();
  for (int a = 0; a < kMemorySize; ++a) m->data[a] = static_cast<int16_t>(a * 31);
  return m;
}

const std::string& SaveDir() {
  static const std::string dir = [] {
    const std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("scmp-fuzz-image-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p.string();
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  static fuzz::MemFile file;
  file.Set(text);

  auto memory = Before();
  auto expected = Before();
  int alerts = 0;
  std::string error;
  const bool ok = LoadMemoryImage(*memory, file.path(), [&] { ++alerts; }, &error);
  const int expected_alerts = ModelLoad(text, *expected);

  if (expected_alerts < 0) {
    FUZZ_CHECK(!ok);
    FUZZ_CHECK(alerts == 0);
    FUZZ_CHECK(*memory == *Before());
    FUZZ_CHECK(error.find(file.path()) != std::string::npos);
    FUZZ_CHECK(error.size() < 1000);
    return 0;
  }
  FUZZ_CHECK(ok);
  FUZZ_CHECK(alerts == expected_alerts);
  FUZZ_CHECK(*memory == *expected);

  // What loads saves and loads back unchanged, with one alert.
  const std::string path = SaveDir() + "/image.ram";
  FUZZ_CHECK(SaveMemoryImage(*memory, path, &error));
  auto again = Before();
  alerts = 0;
  FUZZ_CHECK(LoadMemoryImage(*again, path, [&] { ++alerts; }, &error));
  FUZZ_CHECK(alerts == 1);
  FUZZ_CHECK(*again == *memory);
  return 0;
}
