// Helpers of the assembler tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// A source beside the bytes it must give.
struct BytesCase {
  const char* source;
  std::vector<uint8_t> bytes;
};

// Assembles each case with `assemble` and expects its bytes, and no error.
inline void ExpectBytes(const std::vector<BytesCase>& cases, const std::function<Assembly(const std::string&)>& assemble) {
  for (const BytesCase& c : cases) {
    SCOPED_TRACE(c.source);
    const Assembly a = assemble(c.source);
    for (const Diagnostic& d : a.diagnostics)
      if (d.severity == Severity::kError) ADD_FAILURE() << FormatDiagnostic(d);
    EXPECT_EQ(AllBytes(a), c.bytes);
  }
}

// The same, each case assembled alone as "t.s" with `options`.
inline void ExpectBytes(const std::vector<BytesCase>& cases, const AssembleOptions& options = {}) {
  ExpectBytes(cases, [&options](const std::string& source) { return Assemble(source, "t.s", ShippedTable(), {}, options); });
}

}  // namespace scmp::test
