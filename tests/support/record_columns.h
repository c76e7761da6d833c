// The record that a line of the instruction file should give, written out
// from the column rule independently of the reader: characters 1..4, 5, 6..7,
// 8 and 9, padded with blanks, and the line's last character (a blank for an
// empty line). Shared by the tests and the table fuzzer as their oracle.
#pragma once

#include <string_view>

#include "core/table.h"

namespace scmp::test {

inline InstructionRecord RecordByColumns(std::string_view line) {
  auto at = [&](size_t i) { return i < line.size() ? line[i] : ' '; };
  InstructionRecord r;
  for (size_t i = 0; i < 4; ++i) r.Mnemonic[i] = at(i);
  r.Amode[0] = at(4);
  r.Register = {at(5), at(6)};
  r.Cflag[0] = at(7);
  r.OFlag[0] = at(8);
  r.Operation[0] = line.empty() ? ' ' : line.back();
  return r;
}

}  // namespace scmp::test
