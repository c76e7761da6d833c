// Reserved space is not loaded: `randomize` fills it like any unloaded RAM,
// so a program that relies on a reserved cell being 0 fails, while the same
// program with the cell loaded as 0 passes for every seed.
#include <gtest/gtest.h>

#include "grader/test_runner.h"
#include "tests/grader/grader_support.h"

namespace scmp::grader {
namespace {

TEST(ReservedSpace, ARandomizedRunFindsAProgramThatReliesOnAReservedCell) {
  const char* kAddIntoSum =
      " .org 0x001\n LDI 0x0A\n XPAH P1\n LDI 0x00\n XPAL P1\n CCL\n LDI 5\n ADD SUM\n ST SUM\n ST 0(P1)\n HALT\n";
  const struct {
    const char* sum;
    bool always_05;
  } cases[] = {{"SUM: .space 1\n", false}, {"SUM: DS 1\n", false}, {"SUM: .byte 0\n", true}};
  test::Loader loader;
  TestRunner runner(loader.Table());
  const TestFile file = loader.Tests("test \"t\"\n randomize\n run until halt within 1ms\nend\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sum);
    const ProgramImage program = loader.Program(std::string(kAddIntoSum) + c.sum);
    EXPECT_EQ(program.loaded[0x011], c.always_05);  // SUM, after the 16 bytes of code
    int gave_05 = 0;
    for (uint64_t seed = 1; seed <= 8; ++seed) gave_05 += (runner.Run(program, file.tests[0], seed).FinalLamps() & 0xFF) == 0x05;
    if (c.always_05)
      EXPECT_EQ(gave_05, 8);
    else
      EXPECT_LT(gave_05, 8);
  }
}

}  // namespace
}  // namespace scmp::grader
