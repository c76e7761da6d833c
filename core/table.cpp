#include "core/table.h"

#include <algorithm>
#include <cstdio>

#include "core/file_reader.h"

namespace scmp {

namespace {

// Copies the characters of `line` from column `first` (0-based) into `field`,
// padding with blanks where the line is too short.
template <size_t N>
void FillField(std::array<char, N>& field, std::string_view line, size_t first) {
  for (size_t i = 0; i < N; ++i) {
    const size_t col = first + i;
    field[i] = col < line.size() ? line[col] : ' ';
  }
}

}  // namespace

bool InstructionRecord::IsUndefined() const {
  for (char c : Mnemonic)
    if (c != ' ') return false;
  return true;
}

std::string_view RightTrim(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

InstructionRecord InstructionTable::RecordFromLine(std::string_view line) {
  InstructionRecord r;
  FillField(r.Mnemonic, line, 0);
  FillField(r.Amode, line, 4);
  FillField(r.Register, line, 5);
  FillField(r.Cflag, line, 7);
  FillField(r.OFlag, line, 8);
  r.Operation[0] = line.empty() ? ' ' : line.back();
  return r;
}

namespace {

// Splits a character stream into lines and fills one record per line. Only
// the first nine characters and the last one of a line matter, so a line of
// any length takes constant memory. Lines end with CR LF, or a CR or an LF
// alone; a last line without an end counts too.
class TableFiller {
 public:
  TableFiller(std::array<InstructionRecord, 256>& records, const std::string& source_name)
      : records_(records), source_name_(source_name) {}

  // Feeds a chunk. False once the text has more than 256 lines.
  bool Feed(std::string_view chunk, std::string* error) {
    for (char c : chunk) {
      if (after_cr_ && c == '\n') {  // the LF of a CR LF pair
        after_cr_ = false;
        continue;
      }
      after_cr_ = false;
      if (c == '\r' || c == '\n') {
        if (!EndLine(error)) return false;
        after_cr_ = (c == '\r');
        continue;
      }
      if (length_ < head_.size()) head_[length_] = c;
      last_ = c;
      ++length_;
      in_line_ = true;
    }
    return true;
  }

  // The end of the text: a last line without a line end is filled too.
  bool Finish(std::string* error) { return in_line_ ? EndLine(error) : true; }
  size_t Lines() const { return count_; }
  // Lines that read as records: plain text in the columns that count.
  size_t RecordLines() const { return records_read_; }

 private:
  bool EndLine(std::string* error) {
    if (count_ >= records_.size()) {
      if (error)
        *error = "The instruction file " + Quoted(source_name_) +
                 " has more than 256 lines; it must describe opcodes 00 to FF, one line each.";
      return false;
    }
    const std::string_view line(head_.data(), length_ < head_.size() ? length_ : head_.size());
    InstructionRecord r = InstructionTable::RecordFromLine(line);
    r.Operation[0] = length_ == 0 ? ' ' : last_;
    records_[count_++] = r;
    if (LooksLikeRecord()) ++records_read_;
    length_ = 0;
    in_line_ = false;
    return true;
  }

  // A record is printable text: its first nine characters (as far as the
  // line goes) and its last one. Binary data almost never passes.
  bool LooksLikeRecord() const {
    if (length_ == 0) return false;
    auto plain = [](char c) { return c >= 0x20 && c < 0x7F; };
    for (size_t i = 0; i < std::min(length_, head_.size()); ++i)
      if (!plain(head_[i])) return false;
    return plain(last_);
  }

  std::array<InstructionRecord, 256>& records_;
  const std::string& source_name_;
  size_t records_read_ = 0;
  std::array<char, 9> head_{};
  size_t length_ = 0;
  char last_ = ' ';
  bool in_line_ = false;
  bool after_cr_ = false;
  size_t count_ = 0;
};

}  // namespace

bool InstructionTable::Parse(std::string_view text, const std::string& source_name, std::string* error) {
  std::array<InstructionRecord, 256> filled = records;
  TableFiller filler(filled, source_name);
  if (!filler.Feed(text, error) || !filler.Finish(error)) return false;
  records = filled;
  return true;
}

bool InstructionTable::Load(const std::string& path, std::string* error, std::string* warning) {
  ChunkedFileReader file;
  std::string reason;
  if (!file.Open(path, &reason)) {
    SetError(error, "Cannot open the instruction file " + Quoted(path) + ": " + reason + ".");
    return false;
  }
  std::array<InstructionRecord, 256> filled = records;
  TableFiller filler(filled, path);
  for (std::string_view chunk = file.Next(); !chunk.empty(); chunk = file.Next())
    if (!filler.Feed(chunk, error)) return false;
  if (file.Failed()) {
    SetError(error, "Cannot read the instruction file " + Quoted(path) + ": " + file.FailureText() + ".");
    return false;
  }
  if (!filler.Finish(error)) return false;
  // An empty file would leave every opcode without a record, so that every
  // program silently does nothing.
  if (filler.Lines() == 0) {
    SetError(error, "The instruction file " + Quoted(path) + " holds no line; it must describe opcodes 00 to FF, one line each.");
    return false;
  }
  // Mostly lines that are no records: some other file under the name, which
  // would run as garbage.
  if (filler.RecordLines() * 2 < filler.Lines()) {
    SetError(error, "The instruction file " + path + " is not an instruction file: only " +
                        std::to_string(filler.RecordLines()) + " of its " + std::to_string(filler.Lines()) +
                        " lines read as records of plain text. Restore SCMP.DEL from the program's Scmp folder.");
    return false;
  }
  if (filler.Lines() < records.size() && warning != nullptr) {
    char first[4];
    std::snprintf(first, sizeof first, "%02zX", filler.Lines());
    *warning = "The instruction file " + Quoted(path) + " has " + std::to_string(filler.Lines()) + " lines: " +
               std::to_string(records.size() - filler.Lines()) + " opcodes (" + first +
               " to FF) have no record and do nothing.";
  }
  records = filled;
  return true;
}

}  // namespace scmp
