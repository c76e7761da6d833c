#include "asm/message_list.h"

#include <algorithm>

namespace scmp::assembler {

namespace {

// The links in the chain that ends at `link`: each is a macro call or an
// include, and each link counts both kinds above it, so that a message
// costs no walk up a chain hundreds of calls deep.
int DepthOf(const Stream& stream, int link) {
  if (link < 0) return 0;
  const Link& l = stream.links[static_cast<size_t>(link)];
  return l.macro_depth + l.include_depth;
}

}  // namespace

void MessageList::Add(Severity severity, const StreamLine& where, size_t position, int column, std::string message) {
  if (Stopped()) return;
  Key key{where.file, where.line, column, static_cast<int>(severity), message};
  const int depth = DepthOf(stream_, where.link);
  if (const auto it = seen_.find(key); it != seen_.end()) {
    Entry& e = entries_[it->second];
    ++e.times;
    if (depth < e.depth) {  // the shortest way to the fault is the clearest
      e.depth = depth;
      e.link = where.link;
    }
    return;
  }
  if (severity == Severity::kWarning && ++warnings_ > kMaxWarnings) return;
  seen_.emplace(std::move(key), entries_.size());
  entries_.push_back({position, where.file, where.line, column, severity, std::move(message), where.link, depth, 1});
  if (severity == Severity::kError && ++errors_ == kMaxErrors) cut_at_ = entries_.size() - 1;
}

Diagnostic MessageList::Format(const Entry& e) const {
  std::string text = e.message;
  if (e.times > 1) text += " (" + std::to_string(e.times) + " times)";
  text += OriginNote(stream_, e.link);
  if (text.size() > kMaxMessageLength) text = text.substr(0, kMaxMessageLength - 3) + "...";
  return {stream_.files[e.file], e.line, e.column, e.severity, std::move(text)};
}

std::vector<Diagnostic> MessageList::Finish(const std::string& main_file, int last_line) {
  std::vector<size_t> order(entries_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const Entry &x = entries_[a], &y = entries_[b];
    return x.position != y.position ? x.position < y.position : x.column < y.column;
  });
  std::vector<Diagnostic> out;
  out.reserve(order.size() + 2);
  for (size_t i : order) out.push_back(Format(entries_[i]));
  if (warnings_ > kMaxWarnings)
    out.push_back({main_file, last_line, 1, Severity::kWarning, std::to_string(warnings_ - kMaxWarnings) + " more warnings"});
  if (Stopped()) {
    const Entry& cut = entries_[cut_at_];
    out.push_back({stream_.files[cut.file], cut.line, cut.column, Severity::kWarning,
                   "too many errors; the rest of the file is not checked"});
  }
  return out;
}

}  // namespace scmp::assembler
