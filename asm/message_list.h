// The assembler's messages as a reader wants them: in the order of the
// lines, each distinct fault once with the number of times it recurred and
// the shortest chain of includes and macro calls that led to it, and no
// line longer than about kMaxMessageLength characters. A macro that runs
// away thus shows its first cause first, not a hundred copies of a page.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "asm/assembler.h"
#include "asm/source_stage.h"

namespace scmp::assembler {

constexpr size_t kMaxMessageLength = 300;

class MessageList {
 public:
  explicit MessageList(const Stream& stream) : stream_(stream) {}

  // `position`: the number of stream lines before the one it is about.
  void Add(Severity severity, const StreamLine& where, size_t position, int column, std::string message);

  // kMaxErrors distinct errors were found: the rest is not checked.
  bool Stopped() const { return errors_ >= kMaxErrors; }
  int Errors() const { return errors_; }

  // The messages in line order, the notes that the list was cut last.
  std::vector<Diagnostic> Finish(const std::string& main_file, int last_line);

 private:
  struct Entry {
    size_t position = 0;
    int file = 0;
    int line = 0;
    int column = 0;
    Severity severity = Severity::kError;
    std::string message;
    int link = -1;
    int depth = 0;  // links in its chain
    int times = 1;
  };
  using Key = std::tuple<int, int, int, int, std::string>;

  Diagnostic Format(const Entry& e) const;

  const Stream& stream_;
  std::vector<Entry> entries_;
  std::map<Key, size_t> seen_;
  int errors_ = 0;
  int warnings_ = 0;
  size_t cut_at_ = 0;  // the entry at which errors stopped
};

}  // namespace scmp::assembler
