// The test-file reader: every statement read into the expectation it
// describes, every error at its line and column, and times in their units.
#include <gtest/gtest.h>

#include "tests/grader/grader_support.h"

namespace scmp::grader {
namespace {

TEST(TestFileReader, EachExpectStatementDescribesWhatItChecks) {
  const struct {
    const char* line;
    const char* describes;
  } cases[] = {
      {"expect leds 5A", "LEDs 5A"},
      {"EXPECT LEDS 0b00000101", "LEDs 05"},
      {"expect leds 5A during 20ms..50ms", "LEDs 5A from 20 ms to 50 ms"},
      {"expect leds shows 01 02 4 08", "LEDs show 01 02 04 08 in this order"},
      {"expect flag F1 on", "flag F1 on"},
      {"expect flag f2 off during 1.5s..2s", "flag F2 off from 1.5 s to 2 s"},
      {"expect halt-led on", "Halt LED on"},
      {"expect mem 102 = 08 09", "memory 102 = 08 09"},
      {"expect A 08", "A 08"},
      {"expect sr c0", "SR C0"},
      {"expect P3 0A00", "P3 0A00"},
      {"expect halted", "halted"},
      {"expect time <= 250us", "time <= 250 us"},
      {"expect instructions <= 50000", "instructions <= 50000"},
      {"expect size <= 32", "size <= 32 bytes"},
      {"expect writes only 100..1FF", "writes only to 100..1FF"},
      {"forbid dly", "no DLY"},
      {"forbid self-modifying", "no self-modifying code"},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const TestFile file = loader.Tests(std::string("test \"t\"\n run for 3s\n ") + c.line + "\nend\n");
    ASSERT_EQ(file.tests.size(), 1u);
    ASSERT_FALSE(file.tests[0].expectations.empty());
    EXPECT_EQ(file.tests[0].expectations.back()->Describe(), c.describes);
  }
}

// Also with a byte order mark and CR LF line ends.
TEST(TestFileReader, StartStateRunAndTimelineAreKept) {
  test::Loader loader;
  const TestFile file = loader.Tests(
      "\xEF\xBB\xBFprogram lab3.s   # the default program\r\n"
      "test \"one\" points 10\n"
      "  switches 35\n  mem 100 = 00 0b11\n  randomize\n"
      "  at 50ms press HLT\n  at 10ms switches 5A\n  at 10ms press rst\n"
      "  run until halt within 50000 instructions\n"
      "end\n"
      "test \"two\"\n  run for 1.5s\n  expect leds 00\nend\n");
  ASSERT_EQ(file.tests.size(), 2u);
  EXPECT_EQ(file.program, "lab3.s");
  EXPECT_EQ(file.MaxScore(), 11);
  const TestCase& one = file.tests[0];
  EXPECT_EQ(one.switches, 0x35);
  EXPECT_TRUE(one.randomize);
  ASSERT_EQ(one.cells.size(), 1u);
  EXPECT_EQ(one.cells[0].bytes, (std::vector<int>{0, 3}));
  EXPECT_TRUE(one.run.until_halt);
  EXPECT_EQ(one.run.instructions, 50000u);
  ASSERT_EQ(one.inputs.size(), 3u);  // by time, equal times in file order
  EXPECT_EQ(one.inputs[0].kind, InputKind::kSwitches);
  EXPECT_EQ(one.inputs[1].kind, InputKind::kPressReset);
  EXPECT_EQ(one.inputs[2].at, 50000u);
  EXPECT_EQ(one.expectations.at(0)->Describe(), "halts within 50000 instructions");
  EXPECT_FALSE(file.tests[1].run.until_halt);
  EXPECT_EQ(file.tests[1].run.microcycles, 1500000u);
  EXPECT_EQ(file.tests[1].points, 1);
}

TEST(TestFileReader, ErrorsNameLineColumnAndWhatToWrite) {
  const struct {
    const char* text;
    const char* error;  // the first diagnostic, formatted
  } cases[] = {
      {"bogus\n", "t.test:1:1: error: unknown statement \"bogus\": expected program or test"},
      {"test adds\n", "t.test:1:6: error: expected the test's name in quotes"},
      {"test \"a\n", "t.test:1:6: error: this quote is not closed"},
      {"test \"a\"\n run for 1ms\n", "t.test:1:1: error: test \"a\" has no end line"},
      {"test \"a\"\nend\n", "t.test:1:1: error: test \"a\" has no run line"},
      {"test \"a\" points x\n run for 1ms\nend\n", "t.test:1:17: error: expected points 0..1000000, not \"x\""},
      {"test \"a\"\n switches 1FF\n run for 1ms\nend\n", "t.test:2:11: error: expected a byte"},
      {"test \"a\"\n switches 0b102\n run for 1ms\nend\n", "t.test:2:11: error: expected a byte"},
      {"test \"a\"\n mem 1000 = 00\n run for 1ms\nend\n", "t.test:2:6: error: expected a hexadecimal address"},
      {"test \"a\"\n mem FFF = 00 00\n run for 1ms\nend\n", "t.test:2:12: error: these bytes run past address FFF"},
      {"test \"a\"\n mem 100 00\n run for 1ms\nend\n", "t.test:2:10: error: expected = after the address"},
      {"test \"a\"\n run for 30\nend\n", "t.test:2:10: error: expected a time such as 250us"},
      {"test \"a\"\n run for 1.0005ms\nend\n", "t.test:2:10: error: expected a time"},
      {"test \"a\"\n run for 3601s\nend\n", "t.test:2:10: error: expected a time"},
      {"test \"a\"\n run for 0ms\nend\n", "t.test:2:10: error: a run needs a time above 0"},
      {"test \"a\"\n run until halt\nend\n", "t.test:2:16: error: expected run until halt within"},
      {"test \"a\"\n run until halt within 5\nend\n", "t.test:2:25: error: expected instructions after the count"},
      {"test \"a\"\n at 5ms press HLT\n run for 1ms\n expect halted\nend\n",
       "t.test:2:5: error: this input at 5 ms comes after the run's end at 1 ms (line 3)"},
      {"test \"a\"\n at 5ms press GO\n run for 1ms\nend\n", "t.test:2:15: error: expected HLT or RST"},
      {"test \"a\"\n run for 100ms\n expect leds 5A during 50ms..20ms\nend\n", "t.test:3:24: error: expected a range"},
      {"test \"a\"\n run for 1ms\n expect leds 5A extra\nend\n", "t.test:3:17: error: unexpected \"extra\""},
      {"test \"a\"\n run for 1ms\n expect flag F3 on\nend\n", "t.test:3:14: error: expected F0, F1 or F2"},
      {"test \"a\"\n run for 1ms\n expect X 00\nend\n", "t.test:3:9: error: cannot expect \"X\""},
      {"test \"a\"\n run for 1ms\n expect time < 5ms\nend\n", "t.test:3:14: error: expected <= and a limit"},
      {"test \"a\"\n run for 1ms\n forbid JUMP\nend\n", "t.test:3:9: error: \"JUMP\" is no mnemonic"},
      {"test \"a\"\n run for 1ms\n expect halted\n test \"b\"\n run for 1ms\nend\n",
       "t.test:1:1: error: test \"a\" has no end line"},
      {"# only a comment\n", "t.test:1:1: error: no test in this file"},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TestFile file;
    std::vector<Diagnostic> diagnostics;
    EXPECT_FALSE(ParseTestFile(c.text, "t.test", &loader.Table(), &file, &diagnostics));
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(FormatDiagnostic(diagnostics[0]).rfind(c.error, 0), 0u) << FormatDiagnostic(diagnostics[0]);
  }
}

TEST(TestFileReader, TimesAreWholeMicrosecondsInTheirUnits) {
  const struct {
    const char* text;
    std::optional<uint64_t> microcycles;
  } cases[] = {
      {"250us", 250},   {"30ms", 30000},  {"1.5s", 1500000}, {"0.001ms", 1}, {"3600s", 3600000000u},
      {"1.5MS", 1500},  {"30", {}},       {"ms", {}},        {"1.ms", {}},   {"0.5us", {}},
      {"3600.000001s", {}}, {"-1ms", {}}, {"1e3us", {}},     {"5 ms", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseTime(c.text), c.microcycles) << c.text;
}

}  // namespace
}  // namespace scmp::grader
