// What a course grades with: fresh random values per test and trial, runs
// after RST, self-modifying code in both orders, timing between changes,
// hidden tests, and test files checked whole before anything runs.
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "grader/replay.h"
#include "grader/report.h"
#include "grader/test_runner.h"
#include "tests/grader/grader_support.h"

namespace scmp::grader {
namespace {

constexpr const char* kPortP1 = " .org 0x001\n LDI 0x0A\n XPAH P1\n LDI 0x00\n XPAL P1\n";
// 20 + 21 and the carry as it finds it: 41 or 42 on the LEDs.
const std::string kNoCcl = std::string(kPortP1) + " LDI 0x20\n ADI 0x21\n ST 0(P1)\n HALT\n";
// Counts its starts in a loaded cell: right only once after loading.
const std::string kCounter =
    std::string(kPortP1) + " LD COUNT\n CCL\n ADI 1\n ST COUNT\n ST 0(P1)\n HALT\nCOUNT: .byte 0\n";
// The switches to the LEDs once, then HALT.
const std::string kEchoOnce = std::string(kPortP1) + " LD 0(P1)\n ST 0(P1)\n HALT\n";
// The switches to the LEDs for ever, at once or about 8 ms after reading them.
const std::string kEcho = std::string(kPortP1) + "LOOP: LD 0(P1)\n ST 0(P1)\n JMP LOOP\n";
const std::string kSlowEcho =
    std::string(kPortP1) + "LOOP: LD 0(P1)\n XAE\n LDI 0\n DLY 0x10\n LDE\n ST 0(P1)\n JMP LOOP\n";
// Patches the operand of an ADI, then runs it; and one that only reads.
const std::string kPatchThenRun = " .org 0x001\n LDI 0x05\n ST SUM+1\nSUM: ADI 0x00\n HALT\n";
const std::string kOverwriteRan = " .org 0x001\nHERE: LDI 0x07\n ST HERE+1\n HALT\n";
const std::string kReadsOnly = " .org 0x001\nHERE: LD HERE\n HALT\n";

TestResult GradeOne(test::Loader& loader, const std::string& program, const std::string& body,
                    GradeOptions options = {}) {
  TestRunner runner(loader.Table());
  const TestFile file = loader.Tests("test \"t\" " + body + "\nend\n");
  TestResult result = GradeProgram(runner, file, loader.Program(program), options).tests.at(0);
  result.test = nullptr;  // the file is gone
  return result;
}

TEST(CourseGrading, EachTestAndTrialDrawsItsOwnValuesAndAFailureNamesItsTrial) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const ProgramImage program = loader.Program(kNoCcl);
  // Eight copies of one randomized test: their carries differ.
  std::string copies;
  for (int i = 1; i <= 8; ++i) copies += "test \"copy " + std::to_string(i) + "\"\n randomize\n run until halt within 1ms\n expect leds 41\nend\n";
  const TestFile file = loader.Tests(copies);
  const ProgramResult copied = GradeProgram(runner, file, program, 1);
  EXPECT_GT(copied.Passed(), 0);
  EXPECT_LT(copied.Passed(), 8);

  // Trials: the first that fails is named, and it alone fails again.
  const std::string body = "trials 16\n randomize\n run until halt within 1ms\n expect leds 41";
  const TestResult all = GradeOne(loader, kNoCcl, body, {7, std::nullopt});
  ASSERT_FALSE(all.passed);
  const std::string k = std::to_string(all.trial);
  EXPECT_NE(all.inputs.find("seed 7, trial " + k + " of 16 (--seed 7 --trial " + k + ")"), std::string::npos)
      << all.inputs;
  EXPECT_NE(all.inputs.find("CY/L=1"), std::string::npos) << all.inputs;
  const TestResult again = GradeOne(loader, kNoCcl, body, {7, all.trial});
  EXPECT_FALSE(again.passed);
  EXPECT_EQ(again.Failures(), all.Failures());
  for (int trial = 1; trial < all.trial; ++trial) EXPECT_TRUE(GradeOne(loader, kNoCcl, body, {7, trial}).passed);
  // Without randomize every trial is the same run: it passes once for all.
  EXPECT_TRUE(GradeOne(loader, kNoCcl, "trials 16\n run until halt within 1ms\n expect leds 41").passed);
}

TEST(CourseGrading, EachRunAfterTheFirstBeginsAsRstAndStart) {
  const struct {
    const std::string* program;
    const char* body;
    const char* failure;  // the first failure; null: passes
  } cases[] = {
      {&kCounter, "\n run until halt within 1ms\n expect leds 01\n run until halt within 1ms\n expect leds 01",
       "run 2: LEDs 02, expected 01"},
      {&kCounter, "\n run until halt within 1ms\n run until halt within 1ms\n expect leds 02\n expect mem 011 = 02",
       nullptr},
      // Registers as RST leaves them, whatever randomize set.
      {&kCounter, "\n randomize\n run until halt within 1ms\n run for 1ms\n expect P2 0000\n expect E 00", nullptr},
      {&kEchoOnce, "\n switches 21\n run until halt within 1ms\n run until halt within 1ms\n expect leds 21", nullptr},
      {&kEchoOnce,
       "\n switches 21\n run until halt within 1ms\n expect leds 21\n switches 42\n run until halt within 1ms\n expect leds 21",
       "run 2: LEDs 42, expected 21"},
      // Inputs written before a run are its own, timed from its start.
      {&kEcho, "\n run for 1ms\n at 1ms switches 0F\n run for 3ms\n expect leds 0F during 2ms..3ms", nullptr},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const TestResult result = GradeOne(loader, *c.program, c.body);
    EXPECT_EQ(result.passed, c.failure == nullptr);
    if (c.failure) {
      ASSERT_FALSE(result.Failures().empty());
      EXPECT_EQ(result.Failures()[0], c.failure);
      ASSERT_TRUE(result.FailedAt());
      EXPECT_EQ(result.FailedAt()->run, 1);
    }
  }
}

// Show on a failure of the second run: the first is replayed whole, then
// RST, then the second up to the failing instruction.
TEST(CourseGrading, ShowReplaysTheRunsBeforeTheFailingOne) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const ProgramImage program = loader.Program(kCounter);
  const TestFile file = loader.Tests(
      "test \"t\"\n randomize\n run until halt within 1ms\n run until halt within 1ms\n expect leds 01\nend\n");
  const TestResult result = GradeProgram(runner, file, program, 1).tests[0];
  ASSERT_TRUE(result.FailedAt());
  const Moment at = *result.FailedAt();
  EXPECT_EQ(at.run, 1);
  PanelModel panel;
  std::string error;
  ASSERT_TRUE(panel.StartUp(scmp::test::SourceDataDir(), &error)) << error;
  ASSERT_TRUE(ReplayTo(panel, program, file.tests[0], result.start_seed, at, &error)) << error;
  int leds = 0;
  for (int i = 0; i < 8; ++i) leds |= panel.LedState(i) ? 1 << i : 0;
  EXPECT_EQ(leds, 0x02);
  EXPECT_EQ(panel.Memory().data[0x011], 0x02);
  EXPECT_EQ(panel.Cpu().microcycles, at.microcycle);
  EXPECT_EQ(panel.MicrocyclesSinceReset(), at.microcycle);  // the second run's own time, from its RST
}

TEST(CourseGrading, SelfModifyingIsCaughtInBothOrders) {
  const struct {
    const std::string* program;
    const char* failure;
  } cases[] = {
      {&kPatchThenRun, "ran 006, a byte the program wrote, at "},
      {&kOverwriteRan, "wrote 002, a byte already executed, at "},
      {&kReadsOnly, nullptr},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    const TestResult result = GradeOne(loader, *c.program, "\n run until halt within 1ms\n forbid self-modifying");
    EXPECT_EQ(result.passed, c.failure == nullptr) << *c.program;
    if (c.failure) {
      EXPECT_EQ(result.Failures().at(0).rfind(c.failure, 0), 0u) << result.Failures().at(0);
    }
  }
}

// What ran and was written is kept over RST, for the whole test; each run
// reports its own first self-modifying step; a test that does not forbid it
// records none.
TEST(CourseGrading, SelfModifyingIsTrackedOverTheTestsRuns) {
  const std::string twice = "\n run until halt within 1ms\n run until halt within 1ms\n forbid self-modifying";
  const struct {
    const std::string* program;
    std::string body;
    const char* failure;
  } cases[] = {
      // The second run first meets what the first run did: the byte it
      // wrote runs, the byte that ran is written.
      {&kOverwriteRan, twice, "run 2: ran 002, a byte the program wrote, at "},
      {&kPatchThenRun, twice, "run 2: wrote 006, a byte already executed, at "},
      {&kReadsOnly, twice, nullptr},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    SCOPED_TRACE(*c.program);
    const TestResult result = GradeOne(loader, *c.program, c.body);
    EXPECT_EQ(result.passed, c.failure == nullptr);
    if (c.failure) {
      EXPECT_EQ(result.Failures().at(0).rfind(c.failure, 0), 0u) << result.Failures().at(0);
    }
  }
  // One runner, a test that forbids it and then one that does not.
  TestRunner runner(loader.Table());
  const ProgramImage program = loader.Program(kOverwriteRan);
  const TestFile file = loader.Tests("test \"a\"\n run until halt within 1ms\n forbid self-modifying\nend\n"
                                     "test \"b\"\n run until halt within 1ms\nend\n");
  EXPECT_TRUE(runner.Run(program, file.tests[0], 1).code_write);
  EXPECT_FALSE(runner.Run(program, file.tests[1], 1).code_write);
}

TEST(CourseGrading, TimingBetweenChangesAndFollowingTheSwitches) {
  const std::string every10 = "\n at 5ms switches 01\n at 15ms switches 02\n at 25ms switches 03\n at 35ms switches 04\n";
  const struct {
    const std::string* program;
    std::string body;
    const char* failure;
  } cases[] = {
      {&kEcho, every10 + " run for 40ms\n expect leds change every 9ms..11ms", nullptr},
      {&kEcho, every10 + " run for 60ms\n expect leds change every 9ms..11ms", "LEDs held 04 from 35."},
      {&kEcho, every10 + " at 18ms switches 07\n run for 40ms\n expect leds change every 9ms..11ms",
       "LEDs changed from 02 to 07 at 18."},
      {&kEcho, every10 + " run for 60ms\n expect leds change every 9ms..11ms during 10ms..40ms", nullptr},
      {&kEcho, "\n run for 60ms\n expect leds change every 9ms..11ms", "LEDs held 00 from 0 us past 11 ms"},
      {&kEcho, every10 + " run for 40ms\n expect leds follow switches within 100us", nullptr},
      {&kSlowEcho, every10 + " run for 40ms\n expect leds follow switches within 20ms", nullptr},
      {&kSlowEcho, every10 + " run for 40ms\n expect leds follow switches within 1ms",
       "LEDs showed 00 at "},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const TestResult result = GradeOne(loader, *c.program, c.body);
    EXPECT_EQ(result.passed, c.failure == nullptr);
    if (c.failure) {
      EXPECT_EQ(result.Failures().at(0).rfind(c.failure, 0), 0u) << result.Failures().at(0);
    }
  }
}

// A tight loop that toggles the LEDs: the record keeps what the
// expectations read, and stops a run whose changes would not fit.
TEST(CourseGrading, TheRecordOfARunIsBounded) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const ProgramImage toggle =
      loader.Program(std::string(kPortP1) + "LOOP: LDI 0x01\n ST 0(P1)\n LDI 0x00\n ST 0(P1)\n JMP LOOP\n");
  const TestFile probe = loader.Tests("test \"p\"\n run for 1ms\n expect leds 00\nend\n");
  const RunRecord& first = runner.Run(toggle, probe.tests[0], 1);
  ASSERT_GE(first.lamps.size(), 3u);
  const std::string on = std::to_string(first.lamps[1].moment.microcycle) + "us.." +
                         std::to_string(first.lamps[2].moment.microcycle - 1) + "us";
  const TestFile file = loader.Tests(
      "test \"early\"\n run for 10s\n expect leds 01 during " + on + "\nend\n"
      "test \"all\"\n run for 60s\n expect leds shows 01 00 01\nend\n"
      "test \"whole\"\n run for 10s\n expect leds shows 01 00 01\nend\n");
  const RunRecord& early = runner.Run(toggle, file.tests[0], 1);
  EXPECT_LE(early.lamps.size(), (1u << 16) + 1);
  EXPECT_GE(early.end.microcycle, 10000000u);
  const LampChange last = early.lamps.back();
  // The same run recorded whole ends in the same state at the same moment.
  const RunRecord& whole = runner.Run(toggle, file.tests[2], 1);
  EXPECT_GT(whole.lamps.size(), (1u << 16) + 1);
  EXPECT_EQ(whole.lamps.back().lamps, last.lamps);
  EXPECT_EQ(whole.lamps.back().moment.instruction, last.moment.instruction);
  const ProgramResult result = GradeProgram(runner, file, toggle, 1);
  EXPECT_TRUE(result.tests[0].passed) << result.tests[0].Failures().at(0);
  ASSERT_FALSE(result.tests[1].passed);
  EXPECT_NE(result.tests[1].Failures().back().find("more than the grader records"), std::string::npos);
  EXPECT_LE(runner.Run(toggle, file.tests[1], 1).lamps.size(), kMostLampChanges);
}

TEST(CourseGrading, HiddenTestsSayOnlyPassedOrFailedUnlessShown) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const TestFile file = loader.Tests(
      "test \"secret 41\" points 2 hidden\n run until halt within 1ms\n expect leds 99\nend\n"
      "test \"after\" after_due_date\n run until halt within 1ms\n expect leds 41\nend\n");
  const ProgramResult result = GradeProgram(runner, file, loader.Program(kNoCcl), 1);
  std::ostringstream student, teacher;
  WriteProgramText(result, student);
  WriteProgramText(result, teacher, true);
  // The hidden test's name and value appear nowhere in what the student
  // reads (the program's own name, a temporary path, may hold any digits).
  const std::string shown = student.str().substr(0, student.str().find(result.program));
  EXPECT_EQ(shown.find("99"), std::string::npos) << student.str();
  EXPECT_EQ(student.str().find("secret"), std::string::npos);
  EXPECT_NE(student.str().find("hidden test: failed (0/2)\nhidden test: passed (1/1)\n"), std::string::npos);
  EXPECT_NE(teacher.str().find("FAIL secret 41 (0/2): LEDs 41, expected 99\n"), std::string::npos) << teacher.str();
  EXPECT_NE(JsonReport({result}).find("\"visibility\": \"after_due_date\""), std::string::npos);
}

TEST(CourseGrading, TestFilesAreCheckedWholeWithOneMessageAMistake) {
  std::string many_points;
  for (int i = 0; i < 1001; ++i)
    many_points += "test \"t" + std::to_string(i) + "\" points 1000000\n run until halt within 1ms\nend\n";
  const struct {
    std::string text;
    size_t errors;
    const char* first;
  } cases[] = {
      {"test \"a\"\n run for 1s\n at 5s press HLT\n expect halted\nend\n", 1,
       "t.test:3:5: error: this input at 5 s comes after the run's end at 1 s (line 2)"},
      {"test \"a\"\n run until halt within 1s\n expect leds 5A during 2s..3s\nend\n", 1,
       "t.test:3:24: error: this window ends at 3 s, after the run's end at 1 s (line 2)"},
      {"test \"a\"\n run for 1s\n expect leds 08\n expect leds 09\nend\n", 1,
       "t.test:4:14: error: line 3 already expects another value of LEDs at the end of this run"},
      {"test \"a\"\n run for 1s\n expect mem 100 = 01 02\n expect mem 101 = 03\nend\n", 1,
       "t.test:4:13: error: line 3 already expects another value of memory 101"},
      {"test \"a\"\n run for 1s\n expect leds 01 during 1ms..5ms\n expect leds 02 during 4ms..9ms\nend\n", 1,
       "t.test:4:24: error: this window overlaps the one on line 3"},
      {"test \"a\"\n run until halt within 1s\nend\ntest \"a\"\n run until halt within 1s\nend\n", 1,
       "t.test:4:6: error: a test named \"a\" is already on line 1"},
      {"test \"a\"\n run for 1s\nend\n", 1, "t.test:1:1: error: test \"a\" checks nothing"},
      {"test adds\n switches 01\n run until halt within 1s\n expect leds 01\nend\n", 1,
       "t.test:1:6: error: expected the test's name in quotes"},
      {"test \"a\"\n run until halt within 1s\ntest \"b\"\n switches 01\n run until halt within 1s\nend\n", 1,
       "t.test:1:1: error: test \"a\" has no end line"},
      {"test \"a\"\n run until halt within 99999999999999 instructions\nend\n", 1,
       "t.test:2:24: error: expected a count of instructions 1..1000000000"},
      {"test \"a\" points 1000001\n run until halt within 1s\nend\n", 1, "t.test:1:17: error: expected points 0..1000000"},
      {"test \"a\" trials 0\n run until halt within 1s\nend\n", 1, "t.test:1:18: error: a test needs at least one trial"},
      {many_points, 1, "t.test:1:1: error: the tests' points add up to 1001000000, more than 1000000000"},
      {std::string(100000, '\n'), 1, "t.test:1:1: error: no test in this file"},
  };
  test::Loader loader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 200));
    TestFile file;
    std::vector<Diagnostic> diagnostics;
    EXPECT_FALSE(ParseTestFile(c.text, "t.test", &loader.Table(), &file, &diagnostics));
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(diagnostics.size(), c.errors) << FormatDiagnostic(diagnostics.back());
    EXPECT_EQ(FormatDiagnostic(diagnostics[0]).rfind(c.first, 0), 0u) << FormatDiagnostic(diagnostics[0]);
  }
  // A file of nothing but mistakes stops after a screenful.
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += "bogus\n";
  TestFile file;
  std::vector<Diagnostic> diagnostics;
  EXPECT_FALSE(ParseTestFile(garbage, "t.test", &loader.Table(), &file, &diagnostics));
  EXPECT_LE(diagnostics.size(), 101u);
  EXPECT_EQ(diagnostics.back().message, "too many errors; the rest of the file was not read");
}

}  // namespace
}  // namespace scmp::grader
