#include "trainer/line_map.h"

#include <algorithm>

namespace scmp {

uint64_t LineMap::StampOf(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : text) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// Where a line's bytes stand for the person reading the source: a macro's
// bytes at the line that called it (the outermost call, which is what was
// written), any other line at its own place, in its own file.
SourcePlace LineMap::PlaceFor(const LineCode& code) const {
  for (const CallSite& site : code.calls)
    if (!site.macro.empty()) return {site.file, site.line};
  return {code.file.empty() ? main_file_ : code.file, code.line};
}

int LineMap::AddFile(const std::string& file) {
  const int known = FileIndex(file);
  if (known >= 0) return known;
  files_.push_back(file);
  return static_cast<int>(files_.size()) - 1;
}

LineMap::LineMap(const Assembly& assembly, std::string_view source, const std::string& main_file)
    : stamp_(StampOf(source)), main_file_(main_file), files_{main_file} {
  for (const LineCode& code : assembly.code) {
    const SourcePlace place = PlaceFor(code);
    const int file = AddFile(place.file);
    const Kind kind = code.data ? Kind::kData : Kind::kCode;
    for (size_t i = 0; i < code.bytes.size(); ++i) {
      const int address = code.address + static_cast<int>(i);
      if (address < 0 || address >= kMemorySize) break;
      file_[address] = static_cast<uint16_t>(file);
      line_[address] = place.line;
      kind_[address] = kind;
    }
    // Source order and the first LineCode of a line is its first byte, so
    // emplace keeps the first instruction.
    if (!code.data && !code.bytes.empty()) first_instruction_.emplace(std::make_pair(file, place.line), code.address);
  }
}

SourcePlace LineMap::PlaceOf(int address) const {
  if (address < 0 || address >= kMemorySize || kind_[address] == Kind::kNone) return {};
  return {files_[file_[address]], line_[address]};
}

LineMap::Kind LineMap::KindAt(int address) const {
  return address < 0 || address >= kMemorySize ? Kind::kNone : kind_[address];
}

int LineMap::FileIndex(const std::string& file) const {
  const auto it = std::find(files_.begin(), files_.end(), file);
  return it == files_.end() ? -1 : static_cast<int>(it - files_.begin());
}

int LineMap::FirstInstruction(const std::string& file, int line) const {
  const auto it = first_instruction_.find({FileIndex(file), line});
  return it == first_instruction_.end() ? -1 : it->second;
}

}  // namespace scmp
