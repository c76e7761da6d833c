// Where the bytes of an assembled program came from: for every address the
// source file and line that placed it and whether it is an instruction's or
// data's, and for every source line the address of its first instruction.
// Stamped with the exact text it was assembled from, so that a view showing
// edited text can tell that the map no longer fits it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "core/machine.h"

namespace scmp {

// A source line: the file as the assembler named it, 1-based line.
struct SourcePlace {
  std::string file;
  int line = 0;  // 0: no line

  bool operator==(const SourcePlace&) const = default;
};

class LineMap {
 public:
  enum class Kind : uint8_t { kNone, kCode, kData };

  // The empty map: nothing placed, matches no text.
  LineMap() = default;
  // Built from `assembly` and the text it was assembled from; `main_file`
  // names the lines that carry no file of their own.
  LineMap(const Assembly& assembly, std::string_view source, const std::string& main_file);

  // The stamp of a text (a 64-bit FNV-1a hash of its bytes).
  static uint64_t StampOf(std::string_view text);
  bool Empty() const { return files_.empty(); }
  // True when `text` is the text the map was built from.
  bool Matches(std::string_view text) const { return !Empty() && StampOf(text) == stamp_; }
  uint64_t Stamp() const { return stamp_; }
  const std::string& MainFile() const { return main_file_; }

  // The line that placed the byte at `address` (line 0 when none did).
  SourcePlace PlaceOf(int address) const;
  Kind KindAt(int address) const;
  // The first instruction placed by `line` of `file`, or -1 when the line
  // placed no instruction (a comment, a label alone, a directive, data).
  int FirstInstruction(const std::string& file, int line) const;
  // FirstInstruction of the main file.
  int FirstInstruction(int line) const { return FirstInstruction(main_file_, line); }

 private:
  int FileIndex(const std::string& file) const;

  uint64_t stamp_ = 0;
  SourcePlace PlaceFor(const LineCode& code) const;
  int AddFile(const std::string& file);

  std::string main_file_;
  std::vector<std::string> files_;  // index 0 is the main file
  // Per address: index into files_, line (0: none) and kind.
  std::array<uint16_t, kMemorySize> file_{};
  std::array<int32_t, kMemorySize> line_{};
  std::array<Kind, kMemorySize> kind_{};
  std::map<std::pair<int, int>, int> first_instruction_;  // (file index, line) -> address
};

}  // namespace scmp
