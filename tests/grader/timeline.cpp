// Runs of small programs against tests: each expectation's pass and its
// failure message, inputs on the timeline (an input applies before the
// expectations of the same microcycle), boundary times, randomize, and the
// window's replay reaching the moment a test failed.
#include <set>

#include <gtest/gtest.h>

#include "grader/replay.h"
#include "grader/test_runner.h"
#include "tests/grader/grader_support.h"

namespace scmp::grader {
namespace {

constexpr const char* kPortP1 = " .org 0x001\n LDI 0x0A\n XPAH P1\n LDI 0x00\n XPAL P1\n";
// The switches to the LEDs, for ever.
const std::string kEcho = std::string(kPortP1) + "LOOP: LD 0(P1)\n ST 0(P1)\n JMP LOOP\n";
// 5A on the LEDs, then HALT.
const std::string kShowHalt = std::string(kPortP1) + " LDI 0x5A\n ST 0(P1)\n HALT\n";
// 5A in A, then a jump to itself.
const std::string kSpin = " .org 0x001\n LDI 0x5A\nSELF: JMP SELF\n";
const std::string kDelays = " .org 0x001\nLOOP: DLY 1\n JMP LOOP\n";
// Overwrites the operand of the LDI it has just run.
const std::string kSelfModifying = " .org 0x001\nHERE: LDI 0x07\n ST HERE+1\n HALT\n";
// A cell it never loads, to the LEDs.
const std::string kShowCell200 = std::string(kPortP1) + " LDI 0x02\n XPAH P2\n LD 0(P2)\n ST 0(P1)\n HALT\n";

struct Case {
  const std::string* program;
  const char* body;     // the test's statements
  const char* failure;  // the start of the first failure; null: the test passes
};

const Case kCases[] = {
    {&kEcho, "at 10ms switches 5A\n expect leds 5A during 11ms..20ms\n run for 20ms", nullptr},
    {&kEcho, "at 10ms switches 5A\n expect leds 5A during 10ms..20ms\n run for 20ms",
     "LEDs 00 at 10 ms, expected 5A from 10 ms to 20 ms"},
    {&kEcho, "at 1ms switches 0F\n expect leds 0F during 2ms..10ms\n run for 5ms",
     "the run ended at 5."},
    {&kShowHalt, "run until halt within 1ms\n expect leds 5A\n expect halted\n expect halt-led on\n expect A 5A", nullptr},
    {&kShowHalt, "run until halt within 1ms\n expect leds A5", "LEDs 5A, expected A5"},
    {&kShowHalt, "run until halt within 1ms\n expect P1 0A01", "P1 0A00, expected 0A01"},
    {&kShowHalt, "run until halt within 1ms\n expect flag F0 on", "flag F0 off, expected on"},
    {&kShowHalt, "run until halt within 1ms\n expect writes only 100..1FF", nullptr},  // the port excepted
    {&kShowHalt, "run until halt within 1ms\n expect instructions <= 6", "took 7 instructions, expected at most 6"},
    {&kShowHalt, "run until halt within 1ms\n expect size <= 10", "the program has 11 bytes, expected at most 10"},
    {&kShowHalt, "run until halt within 1ms\n expect time <= 10us", "took "},
    {&kSpin, "run until halt within 1ms", "did not halt within 1 ms"},
    {&kSpin, "run until halt within 100 instructions\n expect instructions <= 100", "did not halt within 100 instructions"},
    {&kSpin, "run for 1ms\n expect halted", "did not halt"},
    {&kSpin, "at 2ms press HLT\n run until halt within 10ms\n expect halt-led on", nullptr},
    // An input and the run's end at the same microcycle: the input first.
    {&kSpin, "at 5ms press RST\n run for 5ms\n expect A 00\n expect P0 0000", nullptr},
    {&kSpin, "at 4ms press RST\n run for 5ms\n expect A 00", "A 5A, expected 00"},
    // HLT twice: halted between, then on again.
    {&kEcho, "at 1ms press HLT\n at 2ms press HLT\n at 3ms switches 0F\n expect leds 0F during 4ms..5ms\n run for 5ms", nullptr},
    {&kEcho, "at 1ms switches 01\n at 2ms switches 02\n at 3ms switches 04\n expect leds shows 01 02 04\n run for 4ms", nullptr},
    {&kEcho, "at 1ms switches 01\n at 2ms switches 02\n at 3ms switches 04\n expect leds shows 01 04\n run for 4ms",
     "LEDs showed 01 then 02 at 2."},
    {&kEcho, "at 1ms switches 01\n expect leds shows 01 02\n run for 4ms", "LEDs showed 01 and nothing after by 4"},
    {&kEcho, "expect leds shows 01\n run for 1ms", "LEDs never showed 01"},
    {&kDelays, "run for 1ms\n forbid DLY", "DLY ran at "},
    {&kDelays, "run for 1ms\n forbid HALT", nullptr},
    {&kSelfModifying, "run until halt within 1ms\n forbid self-modifying", "wrote 002, a byte already executed, at "},
    {&kSelfModifying, "run until halt within 1ms\n expect writes only 000..001", "wrote 002 at "},
    {&kShowCell200, "mem 200 = 3C\n run until halt within 1ms\n expect leds 3C", nullptr},
};

TEST(TestRun, EachExpectationPassesOrFailsWithItsMessage) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.body);
    const ProgramImage program = loader.Program(*c.program);
    const TestFile file = loader.Tests(std::string("test \"t\"\n ") + c.body + "\nend\n");
    ASSERT_EQ(file.tests.size(), 1u);
    const TestResult result = GradeProgram(runner, file, program, 1).tests[0];
    EXPECT_EQ(result.passed, c.failure == nullptr);
    if (c.failure) {
      ASSERT_FALSE(result.Failures().empty());
      EXPECT_EQ(result.Failures()[0].rfind(c.failure, 0), 0u) << result.Failures()[0];
    }
  }
}

// The first LED change at microcycle T: an interval up to T-1 still sees the
// old value, one up to T the new one, and an input at T comes before it.
TEST(TestRun, IntervalsAreCheckedAtInstructionBoundariesToTheMicrocycle) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const ProgramImage program = loader.Program(kShowHalt);
  const TestFile probe = loader.Tests("test \"t\"\n run until halt within 1ms\nend\n");
  const RunRecord& record = runner.Run(program, probe.tests[0], 1);
  ASSERT_GE(record.lamps.size(), 2u);
  const uint64_t t = record.lamps[1].moment.microcycle;
  const auto grade = [&](const std::string& body) {
    const TestFile file = loader.Tests("test \"t\"\n run for 1ms\n " + body + "\nend\n");
    return GradeProgram(runner, file, program, 1).tests[0];
  };
  const std::string us = "us";
  EXPECT_TRUE(grade("expect leds 00 during 0us.." + std::to_string(t - 1) + us).passed);
  const TestResult at_t = grade("expect leds 00 during 0us.." + std::to_string(t) + us);
  EXPECT_FALSE(at_t.passed);
  ASSERT_TRUE(at_t.FailedAt());
  EXPECT_EQ(at_t.FailedAt()->microcycle, t);
  EXPECT_EQ(at_t.FailedAt()->instruction, 6u);
  EXPECT_EQ(at_t.FailedAt()->address, 0x009);
  EXPECT_TRUE(grade("expect leds 5A during " + std::to_string(t) + us + ".." + std::to_string(t) + us).passed);
  EXPECT_TRUE(grade("at " + std::to_string(t) + "us press HLT\n expect halt-led on during " + std::to_string(t) +
                    us + "..1ms").passed);
}

TEST(TestRun, RandomizeFillsWhatTheProgramDoesNotLoadFromTheSeed) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const ProgramImage program = loader.Program(kShowCell200);
  const TestFile file = loader.Tests("test \"t\"\n randomize\n run until halt within 1ms\nend\n");
  auto leds = [&](uint64_t seed) { return runner.Run(program, file.tests[0], seed).FinalLamps() & 0xFF; };
  const auto seeds = {leds(1), leds(2), leds(3), leds(4)};
  EXPECT_EQ(leds(1), *seeds.begin());  // the same seed, the same run
  EXPECT_GT(std::set<int>(seeds).size(), 1u);
  // A loaded cell is never filled, nor is P0 moved.
  const StartState start = MakeStartState(program, file.tests[0], 7);
  EXPECT_EQ(start.memory.data[0x001], 0xC4);
  EXPECT_EQ(start.registers.P[0], 0);
}

// The window's poll: false stops a long run and the tests after it.
TEST(TestRun, APollThatSaysStopEndsTheGrading) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  int polls = 0;
  runner.SetPoll([&polls] { return ++polls < 3; });
  const TestFile file = loader.Tests("test \"a\"\n run for 60s\n expect halted\nend\ntest \"b\"\n run for 1ms\n expect halted\nend\n");
  const ProgramResult result = GradeProgram(runner, file, loader.Program(kSpin), 1);
  EXPECT_TRUE(result.stopped);
  EXPECT_TRUE(result.tests.empty());
  EXPECT_EQ(polls, 3);
}

// Show: the replay on the panel stops after the instruction that failed,
// with that instruction's time, and the history to step back through.
TEST(TestRun, ReplayReachesTheMomentATestFailed) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  const ProgramImage program = loader.Program(kEcho);
  const TestFile file = loader.Tests(
      "test \"t\"\n at 1ms switches 5A\n at 3ms press HLT\n at 4ms press HLT\n at 6ms switches 3C\n"
      " expect leds 5A during 2ms..10ms\n run for 10ms\nend\n");
  const TestResult result = GradeProgram(runner, file, program, 1).tests[0];
  ASSERT_TRUE(result.FailedAt());
  const Moment at = *result.FailedAt();
  PanelModel panel;
  std::string error;
  ASSERT_TRUE(panel.StartUp(scmp::test::SourceDataDir(), &error)) << error;
  ASSERT_TRUE(ReplayTo(panel, program, file.tests[0], 1, at, &error)) << error;
  int leds = 0;
  for (int i = 0; i < 8; ++i) leds |= panel.LedState(i) ? 1 << i : 0;
  EXPECT_EQ(leds, 0x3C);
  EXPECT_EQ(panel.Cpu().microcycles, at.microcycle);
  EXPECT_EQ(panel.Debug().Steps().Size(), at.instruction);
  EXPECT_TRUE(panel.RunMode());
  EXPECT_TRUE(panel.StepBack());
}

}  // namespace
}  // namespace scmp::grader
