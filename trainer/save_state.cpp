#include "trainer/save_state.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <set>

#include <unistd.h>

#include "core/hex.h"
#include "core/file_reader.h"
#include "core/safe_save.h"
#include "trainer/float_text.h"

namespace scmp {

namespace {

// A state is about 45 kB; anything far larger is not one.
constexpr size_t kMaxStateBytes = 1 << 20;
constexpr int kCellsPerRow = 16;

// A packed group of lamps or switches as one number: bit i is element i.
template <size_t N>
unsigned Bits(const std::array<bool, N>& set) {
  unsigned v = 0;
  for (size_t i = 0; i < N; ++i) v |= set[i] ? 1u << i : 0u;
  return v;
}
template <size_t N>
void SetBits(std::array<bool, N>& set, unsigned v) {
  for (size_t i = 0; i < N; ++i) set[i] = ((v >> i) & 1) != 0;
}

// One "KEY value" line holding a number: hexadecimal with a fixed number of
// digits, or decimal when `digits` is 0.
struct ScalarField {
  const char* key;
  int digits;
  uint64_t max;
  std::function<uint64_t(const SavedState&)> get;
  std::function<void(SavedState&, uint64_t)> set;
};

ScalarField Word(const char* key, int16_t MachineState::*reg) {
  return {key, 4, 0xFFFF, [reg](const SavedState& s) { return static_cast<unsigned>(static_cast<uint16_t>(s.registers.*reg)); },
          [reg](SavedState& s, uint64_t v) { s.registers.*reg = static_cast<int16_t>(v); }};
}

ScalarField Pointer(const char* key, int i) {
  return {key, 4, 0xFFFF, [i](const SavedState& s) { return static_cast<unsigned>(static_cast<uint16_t>(s.registers.P[i])); },
          [i](SavedState& s, uint64_t v) { s.registers.P[i] = static_cast<int16_t>(v); }};
}

ScalarField Flag(const char* key, bool SavedState::*member) {
  return {key, 1, 1, [member](const SavedState& s) { return s.*member ? 1u : 0u; },
          [member](SavedState& s, uint64_t v) { s.*member = v != 0; }};
}

ScalarField LightFlag(const char* key, bool PanelLights::*member) {
  return {key, 1, 1, [member](const SavedState& s) { return s.lights.*member ? 1u : 0u; },
          [member](SavedState& s, uint64_t v) { s.lights.*member = v != 0; }};
}

ScalarField OptionFlag(const char* key, bool RunOptions::*member) {
  return {key, 1, 1, [member](const SavedState& s) { return s.options.*member ? 1u : 0u; },
          [member](SavedState& s, uint64_t v) { s.options.*member = v != 0; }};
}

const std::vector<ScalarField>& ScalarFields() {
  static const std::vector<ScalarField> fields = {
      Word("A", &MachineState::A),
      Word("E", &MachineState::E),
      Word("SR", &MachineState::SR),
      Pointer("P0", 0), Pointer("P1", 1), Pointer("P2", 2), Pointer("P3", 3),
      LightFlag("HALT-REQUEST", &PanelLights::halt_requested),
      {"ADDRESS-SWITCHES", 3, 0xFFF, [](const SavedState& s) { return Bits(s.address_switches); },
       [](SavedState& s, uint64_t v) { SetBits(s.address_switches, v); }},
      {"DATA-SWITCHES", 2, 0xFF, [](const SavedState& s) { return Bits(s.data_switches); },
       [](SavedState& s, uint64_t v) { SetBits(s.data_switches, v); }},
      {"LEDS", 2, 0xFF, [](const SavedState& s) { return Bits(s.lights.leds); },
       [](SavedState& s, uint64_t v) { SetBits(s.lights.leds, v); }},
      {"FLAG-LEDS", 1, 7, [](const SavedState& s) { return Bits(s.lights.flag_leds); },
       [](SavedState& s, uint64_t v) { SetBits(s.lights.flag_leds, v); }},
      LightFlag("HALT-LED", &PanelLights::halt_led),
      Flag("RUN-MODE", &SavedState::run_mode),
      Flag("SINGLE-STEP", &SavedState::single_step_mode),
      OptionFlag("FAST-MODE", &RunOptions::fast_mode),
      OptionFlag("TRACE", &RunOptions::trace_on),
      {"MICROCYCLES", 0, UINT64_MAX, [](const SavedState& s) { return s.microcycles; },
       [](SavedState& s, uint64_t v) { s.microcycles = v; }},
      {"PAUSE", 0, 1000000000, [](const SavedState& s) { return static_cast<unsigned>(s.options.pause_count); },
       [](SavedState& s, uint64_t v) { s.options.pause_count = static_cast<int32_t>(v); }},
      {"SPEED", 0, 1000000, [](const SavedState& s) { return static_cast<unsigned>(s.options.speed_factor); },
       [](SavedState& s, uint64_t v) { s.options.speed_factor = static_cast<int>(v); }},
      {"TRACE-LIMIT", 0, kMaxTraceLimitMb,
       [](const SavedState& s) { return static_cast<unsigned>(s.options.trace_limit_mb); },
       [](SavedState& s, uint64_t v) { s.options.trace_limit_mb = static_cast<int32_t>(std::max<uint64_t>(v, 1)); }},
  };
  return fields;
}

std::string AddressList(const char* key, const std::vector<int>& addresses) {
  std::string line = key;
  for (int a : addresses) line += " " + Hex(static_cast<unsigned>(a), 3);
  return line + "\n";
}

std::string PlaneRows(const char* key, const std::array<int16_t, kMemorySize>& plane) {
  std::string text;
  for (int row = 0; row < kMemorySize; row += kCellsPerRow) {
    text += key;
    text += " " + Hex(static_cast<unsigned>(row), 3);
    for (int i = 0; i < kCellsPerRow; ++i) text += " " + Hex(static_cast<uint16_t>(plane[row + i]), 4);
    text += "\n";
  }
  return text;
}

// ---- Reading -------------------------------------------------------------------

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

class StateReader {
 public:
  StateReader(const std::string& path, SavedState& out) : path_(path), s_(out) {}

  // Reads one line; false with the message in `error_`.
  bool Line(int number, std::string_view line) {
    line_ = number;
    if (number == 1) return line == kStateName || Fail("this is not a saved state of the trainer (the first line is not " + std::string(kStateName) + ")");
    if (number == 2) {
      return line == "VERSION " + std::to_string(kStateVersion) ||
             Fail("version " + Quoted(line, kQuotedTextLimit) + " cannot be read; this trainer reads VERSION " + std::to_string(kStateVersion));
    }
    const auto words = Words(line);
    if (words.empty()) return true;
    if (ended_) return Fail("nothing may follow END");
    const std::string key(words[0]);
    if (key == "END") return words.size() == 1 ? (ended_ = true) : Fail("END takes nothing after it");
    if (key == "DATA" || key == "KIND") return Row(key, words);
    if (key == "BREAK" || key == "WATCH") return Once(key) && AddressesLine(key == "BREAK" ? s_.breakpoints : s_.watchpoints, words);
    if (key == "DELAY") return Once(key) && Delay(words);
    for (const ScalarField& f : ScalarFields())
      if (key == f.key) return Once(key) && Scalar(f, words);
    return Fail("unknown entry " + Quoted(key, kQuotedTextLimit));
  }

  // After the last line: everything there? `lines` is the count read.
  bool Finish(int lines) {
    line_ = lines;
    std::string missing;
    if (lines < 1) missing = "the name line";
    else if (lines < 2) missing = "the VERSION line";
    else if (!ended_) missing = "END";
    for (const ScalarField& f : ScalarFields())
      if (missing.empty() && !seen_.count(f.key)) missing = f.key;
    for (const char* key : {"DELAY", "BREAK", "WATCH"})
      if (missing.empty() && !seen_.count(key)) missing = key;
    for (int row = 0; missing.empty() && row < kMemorySize / kCellsPerRow; ++row) {
      if (!seen_.count("DATA " + std::to_string(row))) missing = "DATA " + Hex(static_cast<unsigned>(row * kCellsPerRow), 3);
      else if (!seen_.count("KIND " + std::to_string(row))) missing = "KIND " + Hex(static_cast<unsigned>(row * kCellsPerRow), 3);
    }
    if (missing.empty()) return true;
    error_ = "The saved state " + Quoted(path_) + " ends after line " + std::to_string(lines) + " without " + missing +
             ". Nothing was loaded.";
    return false;
  }

  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& what) {
    error_ = "The saved state " + Quoted(path_) + ", line " + std::to_string(line_) + ": " + what + ". Nothing was loaded.";
    return false;
  }
  bool Once(const std::string& key) { return seen_.insert(key).second || Fail(key + " appears twice"); }

  bool Scalar(const ScalarField& f, const std::vector<std::string_view>& words) {
    if (words.size() != 2) return Fail(std::string(f.key) + " takes one value");
    uint64_t v = 0;
    if (f.digits == 0) {
      const auto [end, ec] = std::from_chars(words[1].data(), words[1].data() + words[1].size(), v);
      if (ec != std::errc() || end != words[1].data() + words[1].size() || v > f.max)
        return Fail(std::string(f.key) + " takes a whole number 0.." + std::to_string(f.max) + ", not " + Quoted(words[1], kQuotedTextLimit));
    } else {
      const auto hex = words[1].size() == static_cast<size_t>(f.digits) ? ParseHex(words[1], f.digits) : std::nullopt;
      if (!hex || *hex > f.max)
        return Fail(std::string(f.key) + " takes " + std::to_string(f.digits) + " hexadecimal digits up to " + Hex(static_cast<unsigned>(f.max)) +
                    ", not " + Quoted(words[1], kQuotedTextLimit));
      v = *hex;
    }
    f.set(s_, v);
    return true;
  }

  bool Delay(const std::vector<std::string_view>& words) {
    const auto v = words.size() == 2 ? ParseFloat(words[1]) : std::nullopt;
    if (!v || !(*v >= 0.1f && *v <= 10.0f)) return Fail("DELAY takes one number of seconds 0.1..10");
    s_.options.delay_seconds = *v;
    return true;
  }

  bool AddressesLine(std::vector<int>& list, const std::vector<std::string_view>& words) {
    list.clear();
    for (size_t i = 1; i < words.size(); ++i) {
      const auto a = ParseHex(words[i], 3);
      if (!a) return Fail(std::string(words[0]) + " takes addresses of 1 to 3 hexadecimal digits, not " + Quoted(words[i], kQuotedTextLimit));
      list.push_back(static_cast<int>(*a));
    }
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return true;
  }

  bool Row(const std::string& key, const std::vector<std::string_view>& words) {
    const auto row = words.size() > 1 && words[1].size() == 3 ? ParseHex(words[1], 3) : std::nullopt;
    if (!row || *row % kCellsPerRow != 0)
      return Fail(key + " needs a row address of 3 hexadecimal digits, a multiple of 10");
    if (words.size() != 2 + kCellsPerRow) return Fail(key + " " + std::string(words[1]) + " needs 16 cells");
    if (!Once(key + " " + std::to_string(*row / kCellsPerRow))) return false;
    auto& plane = key == "DATA" ? s_.memory.data : s_.memory.kind;
    for (int i = 0; i < kCellsPerRow; ++i) {
      const auto cell = words[2 + i].size() == 4 ? ParseHex(words[2 + i], 4) : std::nullopt;
      if (!cell) return Fail(key + " cells take 4 hexadecimal digits, not " + Quoted(words[2 + i], kQuotedTextLimit));
      plane[*row + i] = static_cast<int16_t>(static_cast<uint16_t>(*cell));
    }
    return true;
  }

  const std::string& path_;
  SavedState& s_;
  int line_ = 0;
  bool ended_ = false;
  std::set<std::string> seen_;
  std::string error_;
};

// The whole file, if it is a regular file of reasonable size.
bool ReadStateFile(const std::string& path, std::string* text, std::string* error) {
  std::string reason;
  if (ReadWholeFile(path, kMaxStateBytes, text, &reason)) return true;
  SetError(error, "Cannot read the saved state " + Quoted(path) + ": " + reason + ". Nothing was loaded.");
  return false;
}

}  // namespace

std::string StateText(const SavedState& s) {
  std::string text = std::string(kStateName) + "\nVERSION " + std::to_string(kStateVersion) + "\n";
  for (const ScalarField& f : ScalarFields())
    text += std::string(f.key) + " " + (f.digits == 0 ? std::to_string(f.get(s)) : Hex(static_cast<unsigned>(f.get(s)), f.digits)) + "\n";
  text += "DELAY " + FloatText(s.options.delay_seconds) + "\n";
  text += AddressList("BREAK", s.breakpoints);
  text += AddressList("WATCH", s.watchpoints);
  text += PlaneRows("DATA", s.memory.data);
  text += PlaneRows("KIND", s.memory.kind);
  return text + "END\n";
}

bool ParseStateText(std::string_view text, const std::string& path, SavedState* state, std::string* error) {
  SavedState read;
  StateReader reader(path, read);
  int number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!reader.Line(++number, line)) {
      *error = reader.Error();
      return false;
    }
  }
  if (!reader.Finish(number)) {
    *error = reader.Error();
    return false;
  }
  *state = read;
  return true;
}

bool SaveStateFile(const SavedState& state, const std::string& path, std::string* error) {
  return SaveFileSafely(path, StateText(state), error, "the saved state");
}

bool LoadStateFile(const std::string& path, SavedState* state, std::string* error) {
  std::string text;
  return ReadStateFile(path, &text, error) && ParseStateText(text, path, state, error);
}

}  // namespace scmp
