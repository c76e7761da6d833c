// Memory cells as text in the base the Monitor's memory view is set to,
// typed cells read back, and a range of cells as text for the clipboard.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/machine.h"

namespace scmp {

enum class CellBase { kHex, kDecimal, kBinary, kChar };

// "5A", "90", "01011010" or "Z" ("." for a byte that is no printable
// character). A cell holding more than a byte shows it in hex.
std::string CellText(int value, CellBase base);

// The byte a user typed in `base`, or nullopt. A character cell takes one
// character.
std::optional<int> ParseCell(std::string_view text, CellBase base);

// Cells `from` to `to`, 16 a line from the line holding `from`: "100: 5A
// 00 ..."; characters run together ("100: Hello.."). Empty if from > to.
std::string RangeText(const MemoryArray& memory, int from, int to, CellBase base);

// An address range typed as "100" or "100-1FF", or nullopt.
std::optional<std::pair<int, int>> ParseRange(std::string_view text);

}  // namespace scmp
