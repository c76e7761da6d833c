// The instruction table, read from the instruction file at start-up.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace scmp {

// Six fixed-width text fields, ten characters in all. Every character is NUL
// until the file fills the record.
struct InstructionRecord {
  std::array<char, 4> Mnemonic{};
  std::array<char, 1> Amode{};
  std::array<char, 2> Register{};
  std::array<char, 1> Cflag{};
  std::array<char, 1> OFlag{};
  std::array<char, 1> Operation{};

  // A mnemonic of four blanks marks an undefined opcode. NUL is not a blank.
  bool IsUndefined() const;

  bool operator==(const InstructionRecord&) const = default;
};

// Removes trailing blanks only; NUL characters stay.
std::string_view RightTrim(std::string_view text);

template <size_t N>
std::string_view FieldText(const std::array<char, N>& field) {
  return std::string_view(field.data(), N);
}

struct InstructionTable {
  std::array<InstructionRecord, 256> records{};

  const InstructionRecord& operator[](int opcode) const { return records[opcode & 0xFF]; }

  // Fills record n from line n + 1 of `text`. Lines end with CR LF, CR or LF;
  // a last line without an end counts too. More than 256 lines is refused:
  // returns false with a message naming `source_name`, and the table is left
  // as it was.
  bool Parse(std::string_view text, const std::string& source_name, std::string* error);

  // Reads the file at `path` and parses it. A file that cannot be read or
  // holds no line, or in which fewer than half of the lines read as records
  // (plain text in the columns that count), gives false and a message
  // naming the path. A file of fewer
  // than 256 lines loads, and `warning` then says how many opcodes have no
  // record.
  bool Load(const std::string& path, std::string* error, std::string* warning = nullptr);

  // Fills one record from one line (without its line end).
  static InstructionRecord RecordFromLine(std::string_view line);
};

}  // namespace scmp
