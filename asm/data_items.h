// The items of a DB or DW operand list, with the macro assembler's repeats
// written out: "3 DUP (1,2)" is 1,2,1,2,1,2 and "4 DUP 10" is four 10s
// (without parentheses only the one value after DUP repeats). A "?" item
// reserves a cell without storing a byte; a list reserves or stores, never
// both.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "asm/source_line.h"

namespace scmp::assembler {

// At most this many items in one line, so that a hostile repeat count
// cannot take the memory: more than the whole address space.
constexpr size_t kMaxDataItems = 65536;

struct DataItems {
  std::vector<Piece> items;  // each a value, a string in quotes, or "?"
  bool reserved = false;     // every item is "?"
};

// Writes out `operand`'s items. `count_of` evaluates a repeat count (false
// when it failed and has said why); `fail` reports a fault at a column.
// False after a fault.
bool ExpandDataItems(const Piece& operand, const std::function<bool(const Piece&, int64_t*)>& count_of,
                     const std::function<void(int column, std::string message)>& fail, DataItems* result);

// True for the "?" that reserves a cell.
bool IsReservation(const Piece& item);

}  // namespace scmp::assembler
