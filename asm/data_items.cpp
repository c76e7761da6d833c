#include "asm/data_items.h"

#include "asm/directive.h"
#include "asm/expression.h"
#include "asm/string_literal.h"

namespace scmp::assembler {

namespace {

// Where the word DUP stands in `text` outside quotes and parentheses, with
// something before it (so that a symbol named DUP is still a value); npos
// when it does not.
size_t DupAt(std::string_view text) {
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'' || c == '"') {
      const size_t end = QuotedEnd(text, i);
      if (end == std::string_view::npos) return std::string_view::npos;
      i = end - 1;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && i > 0 && !IsNameChar(text[i - 1]) && (i + 3 >= text.size() || !IsNameChar(text[i + 3])) &&
               SameWord(text.substr(i, 3), "DUP") && !Trimmed(Piece{text.substr(0, i), 1}).text.empty()) {
      return i;
    }
  }
  return std::string_view::npos;
}

class Expander {
 public:
  Expander(const std::function<bool(const Piece&, int64_t*)>& count_of,
           const std::function<void(int, std::string)>& fail, std::vector<Piece>* items)
      : count_of_(count_of), fail_(fail), items_(items) {}

  bool List(const Piece& list, int depth) {
    for (const Piece& part : SplitOperands(list))
      if (!Item(Trimmed(part), depth)) return false;
    return true;
  }

 private:
  bool Item(const Piece& part, int depth) {
    const size_t dup = DupAt(part.text);
    if (dup == std::string_view::npos) return Add(part);
    if (depth >= 8) return Fail(part.column, "DUP nested more than 8 deep");
    const Piece count_text = Trimmed(Piece{part.text.substr(0, dup), part.column});
    Piece body = Trimmed(Piece{part.text.substr(dup + 3), part.column + static_cast<int>(dup) + 3});
    if (body.text.empty()) return Fail(part.column + static_cast<int>(dup), "DUP needs a value after it: N DUP (values)");
    int64_t count = 0;
    if (!count_of_(count_text, &count)) return false;
    if (count < 0) return Fail(count_text.column, "a DUP count must be 0 or more");
    const bool listed = body.text.front() == '(' && body.text.back() == ')';
    if (listed) body = Piece{body.text.substr(1, body.text.size() - 2), body.column + 1};
    const size_t first = items_->size();
    if (listed ? !List(body, depth + 1) : !Item(body, depth + 1)) return false;
    const size_t once = items_->size() - first;
    if (count == 0) {
      items_->resize(first);
      return true;
    }
    if (once != 0 && static_cast<uint64_t>(count) > kMaxDataItems / once + 1) return TooMany(part.column);
    for (int64_t i = 1; i < count; ++i)
      for (size_t k = 0; k < once; ++k)
        if (!Add((*items_)[first + k])) return false;
    return true;
  }

  bool Add(const Piece& item) {
    if (items_->size() >= kMaxDataItems) return TooMany(item.column);
    items_->push_back(item);
    return true;
  }
  bool TooMany(int column) {
    return Fail(column, "more than " + std::to_string(kMaxDataItems) + " values in one line: more than the whole memory");
  }
  bool Fail(int column, std::string message) {
    fail_(column, std::move(message));
    return false;
  }

  const std::function<bool(const Piece&, int64_t*)>& count_of_;
  const std::function<void(int, std::string)>& fail_;
  std::vector<Piece>* items_;
};

}  // namespace

bool IsReservation(const Piece& item) { return Trimmed(item).text == "?"; }

bool ExpandDataItems(const Piece& operand, const std::function<bool(const Piece&, int64_t*)>& count_of,
                     const std::function<void(int column, std::string message)>& fail, DataItems* result) {
  *result = DataItems{};
  if (Trimmed(operand).text.empty()) return true;
  if (!Expander(count_of, fail, &result->items).List(operand, 0)) return false;
  size_t reserved = 0;
  for (const Piece& item : result->items) reserved += IsReservation(item) ? 1 : 0;
  if (reserved != 0 && reserved != result->items.size()) {
    fail(operand.column, "a line either reserves cells (?) or stores values, not both: put them on two lines");
    return false;
  }
  result->reserved = reserved != 0;
  return true;
}

}  // namespace scmp::assembler
