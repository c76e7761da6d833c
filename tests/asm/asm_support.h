// Helpers of the assembler tests.
#pragma once

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/table.h"
#include "tests/support/test_util.h"

namespace scmp::test {

inline const InstructionTable& ShippedTable() {
  static const InstructionTable table = [] {
    InstructionTable t;
    std::string error;
    if (!t.Load(SourceDataDir() + "SCMP.DEL", &error)) throw std::runtime_error(error);
    return t;
  }();
  return table;
}

// Every byte placed, in source order.
inline std::vector<uint8_t> AllBytes(const Assembly& a) {
  std::vector<uint8_t> bytes;
  for (const LineCode& c : a.code) bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
  return bytes;
}

}  // namespace scmp::test
