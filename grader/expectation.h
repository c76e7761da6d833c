// One thing a test expects of a run. Each kind knows what it checks, how it
// describes itself and how to judge a finished run; the outcome carries the
// message and the moment it failed. Every report (text, JSON, JUnit, CSV,
// the results window) prints these same objects.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "grader/moment.h"
#include "grader/run_record.h"

namespace scmp::grader {

struct Outcome {
  bool passed = true;
  std::string message;           // why it failed; empty when it passed
  std::optional<Moment> moment;  // when the run went wrong, where that is known
};

class Expectation {
 public:
  explicit Expectation(int line) : line_(line) {}
  virtual ~Expectation() = default;
  int Line() const { return line_; }
  // Which of the test's runs it checks: 0 the first.
  int Run() const { return run_; }
  void SetRun(int run) { run_ = run; }
  // What is expected, as a reader of the report understands it: "LEDs 5A
  // from 20 ms to 50 ms".
  virtual std::string Describe() const = 0;
  virtual Outcome Check(const RunRecord& run) const = 0;
  // How far into the run it reads the lamps' changes: 0 not at all (the
  // last state is always kept), a microcycle, or kWholeRun.
  virtual uint64_t ReadsChangesUntil() const { return 0; }

 private:
  int line_;  // in the test file
  int run_ = 0;
};

using ExpectationList = std::vector<std::unique_ptr<Expectation>>;

// A part of the lamp word, as a test names it.
struct LampField {
  const char* name;  // "LEDs", "flag F0", "Halt LED"
  int shift;
  int width;  // 8 for the LEDs (shown in hexadecimal), 1 for a single lamp (on/off)
  int Of(uint16_t lamps) const { return (lamps >> shift) & ((1 << width) - 1); }
  std::string ValueText(int value) const;
};
LampField LedsField();
LampField FlagField(int flag);  // 0..2
LampField HaltLedField();

// The kinds of expectation, made by the test-file reader.
std::unique_ptr<Expectation> ExpectLampsAtEnd(int line, LampField field, int value);
std::unique_ptr<Expectation> ExpectLampsDuring(int line, LampField field, int value, uint64_t from, uint64_t to);
std::unique_ptr<Expectation> ExpectLedsShow(int line, std::vector<int> values);
// Each change of the LEDs comes MIN..MAX after the one before (the first
// at most MAX after the start), in the whole run or in `during`.
std::unique_ptr<Expectation> ExpectLedsChangeEvery(int line, uint64_t min, uint64_t max,
                                                   std::optional<std::pair<uint64_t, uint64_t>> during);
// After each setting of the switches (the start's included), the LEDs show
// the switches' byte within `within`.
std::unique_ptr<Expectation> ExpectLedsFollowSwitches(int line, uint64_t within);
std::unique_ptr<Expectation> ExpectMemory(int line, int address, std::vector<int> bytes);
// register: 0 A, 1 E, 2 SR, 3..6 P0..P3.
std::unique_ptr<Expectation> ExpectRegister(int line, int register_index, int value);
// `within` describes the run's limit ("200 ms", "50000 instructions");
// empty for `expect halted`.
std::unique_ptr<Expectation> ExpectHalted(int line, std::string within);
std::unique_ptr<Expectation> ExpectTimeAtMost(int line, uint64_t microcycles);
std::unique_ptr<Expectation> ExpectInstructionsAtMost(int line, uint64_t count);
std::unique_ptr<Expectation> ExpectSizeAtMost(int line, int bytes);
std::unique_ptr<Expectation> ExpectWritesOnly(int line, int from, int to);
std::unique_ptr<Expectation> ForbidMnemonic(int line, std::string mnemonic);
std::unique_ptr<Expectation> ForbidSelfModifying(int line);

// The register names of ExpectRegister, by index.
const char* RegisterName(int register_index);

}  // namespace scmp::grader
