#include "grader/grade.h"

#include <chrono>

#include "core/hex.h"

namespace scmp::grader {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// "switches 21; randomized A=3C E=91 P1=1234 P2=0F00 P3=77A0 CY/L=1 OV=0;
// seed 1, trial 3 of 8 (--seed 1 --trial 3)".
std::string InputsText(const ProgramImage& program, const TestCase& test, uint64_t seed, int trial) {
  std::string text = "switches " + Hex(static_cast<unsigned>(test.switches), 2);
  if (!test.randomize) return text;
  const MachineState r = MakeStartState(program, test, TestSeed(seed, test.name, trial)).registers;
  text += "; randomized A=" + Hex(static_cast<unsigned>(r.A & 0xFF), 2) +
          " E=" + Hex(static_cast<unsigned>(r.E & 0xFF), 2);
  for (int p = 1; p <= 3; ++p)
    text += " P" + std::to_string(p) + "=" + Hex(static_cast<unsigned>(r.P[p] & 0xFFFF), 4);
  text += std::string(" CY/L=") + ((r.SR & kCarryLink) ? "1" : "0") + " OV=" + ((r.SR & kOverflow) ? "1" : "0");
  const std::string s = std::to_string(seed), k = std::to_string(trial);
  return text + "; seed " + s + ", trial " + k + " of " + std::to_string(test.trials) + " (--seed " + s +
         " --trial " + k + ")";
}

// "halted at 012 after 14 instructions", "still running at 10 ms, P0=000C".
std::string EndingText(const RunRecord& run, const RunLimit& limit) {
  const std::string p0 = "P0=" + Hex(static_cast<unsigned>(run.registers.P[0] & 0xFFFF), 4);
  if (run.changes_overflow)
    return "stopped at " + TimeText(run.end.microcycle) + " after " + std::to_string(run.end.instruction) +
           " instructions, " + p0;
  if (run.halted) {
    const std::string at = run.end.address >= 0 ? " at " + Hex(static_cast<unsigned>(run.end.address), 3) : "";
    return "halted" + at + " after " + std::to_string(run.end.instruction) + " instructions, at " +
           TimeText(run.end.microcycle);
  }
  if (limit.instructions && run.end.instruction >= limit.instructions)
    return "still running after " + std::to_string(run.end.instruction) + " instructions, " + p0;
  return "still running at " + TimeText(run.end.microcycle) + " after " + std::to_string(run.end.instruction) +
         " instructions, " + p0;
}

// Judges one run's expectations (those whose Run() is `run_index`).
bool CheckRun(const TestCase& test, const RunRecord& run, int run_index, TestResult& t) {
  bool passed = true;
  const bool several = !test.later_runs.empty();
  for (const auto& e : test.expectations) {
    if (e->Run() != run_index) continue;
    Outcome outcome = e->Check(run);
    if (!outcome.passed && several) outcome.message = "run " + std::to_string(run_index + 1) + ": " + outcome.message;
    if (outcome.moment) outcome.moment->run = run_index;
    passed = passed && outcome.passed;
    t.expectations.push_back({e.get(), std::move(outcome)});
  }
  if (run.changes_overflow) {
    Moment at = *run.changes_overflow;
    at.run = run_index;
    t.expectations.push_back({nullptr, Outcome{false, "the lamps changed more than " +
                                                          std::to_string(kMostLampChanges) + " times by " +
                                                          TimeText(at.microcycle) +
                                                          ", more than the grader records: the run was stopped",
                                               at}});
    passed = false;
  }
  Moment end = run.end;
  end.run = run_index;
  t.run_ends.push_back(end);
  const RunLimit& limit = run_index == 0 ? test.run : test.later_runs[static_cast<size_t>(run_index - 1)].run;
  t.endings.push_back((several ? "run " + std::to_string(run_index + 1) + " " : std::string()) +
                      EndingText(run, limit));
  return passed;
}

// One trial of a test: every run, every expectation.
TestResult RunTrial(TestRunner& runner, const TestCase& test, const ProgramImage& program, uint64_t seed,
                    int trial) {
  TestResult t;
  t.test = &test;
  t.trial = trial;
  t.seed = seed;
  t.start_seed = TestSeed(seed, test.name, trial);
  t.passed = CheckRun(test, runner.Run(program, test, t.start_seed), 0, t);
  for (size_t k = 0; k < test.later_runs.size() && !runner.Stopped(); ++k)
    t.passed = CheckRun(test, runner.RunLater(test, k), static_cast<int>(k) + 1, t) && t.passed;
  t.inputs = InputsText(program, test, seed, trial);
  return t;
}

}  // namespace

std::vector<std::string> TestResult::Failures() const {
  std::vector<std::string> messages;
  for (const ExpectationResult& e : expectations)
    if (!e.outcome.passed) messages.push_back(e.outcome.message);
  return messages;
}

std::vector<std::string> TestResult::Details() const {
  std::vector<std::string> lines;
  if (!inputs.empty()) lines.push_back("inputs: " + inputs);
  for (const std::string& ending : endings) lines.push_back("ended: " + ending);
  return lines;
}

std::optional<Moment> TestResult::FailedAt() const {
  for (const ExpectationResult& e : expectations)
    if (!e.outcome.passed && e.outcome.moment) return e.outcome.moment;
  return std::nullopt;
}

int ProgramResult::Passed() const {
  int n = 0;
  for (const TestResult& t : tests) n += t.passed ? 1 : 0;
  return n;
}

ProgramResult GradeProgram(TestRunner& runner, const TestFile& file, const ProgramImage& program,
                           const GradeOptions& options) {
  const auto started = Clock::now();
  ProgramResult result;
  result.program = program.path;
  result.max_score = file.MaxScore();
  for (const TestCase& test : file.tests) {
    const auto test_started = Clock::now();
    // A test without random values gives the same run every trial.
    const int first = options.only_trial.value_or(1);
    const int last = options.only_trial ? *options.only_trial : test.randomize ? test.trials : 1;
    TestResult t;
    for (int trial = first; trial <= last; ++trial) {
      t = RunTrial(runner, test, program, options.seed, trial);
      if (!t.passed || runner.Stopped()) break;
    }
    if (runner.Stopped()) {
      result.stopped = true;
      break;
    }
    t.score = t.passed ? test.points : 0;
    t.seconds = SecondsSince(test_started);
    result.score += t.score;
    result.tests.push_back(std::move(t));
  }
  result.seconds = SecondsSince(started);
  return result;
}

ProgramResult UnloadedProgram(const TestFile& file, const std::string& program, const std::string& error,
                              const std::string& output) {
  ProgramResult result;
  result.program = program;
  result.load_error = error;
  result.load_output = output;
  result.max_score = file.MaxScore();
  for (const TestCase& test : file.tests) {
    TestResult t;
    t.test = &test;
    result.tests.push_back(std::move(t));
  }
  return result;
}

}  // namespace scmp::grader
