// A moment of a graded run, and how times and moments read in messages.
#pragma once

#include <cstdint>
#include <string>

namespace scmp::grader {

// Where a run was: the emulated time in microcycles (1 us each) from the
// start of the run, the instructions completed by then, and the address of
// the last one's opcode (-1 when no instruction made the moment: the start,
// or an input from the timeline).
struct Moment {
  uint64_t microcycle = 0;
  uint64_t instruction = 0;
  int address = -1;
  int run = 0;  // which of the test's runs: 0 the first
};

// "250 us", "23.4 ms", "1.5 s": the largest unit that keeps a value of at
// least 1, with at most three decimals and no trailing zeros.
std::string TimeText(uint64_t microcycles);

// "23.4 ms (instruction 812, at 00C)"; "23.4 ms" alone for the start of a
// run or a moment an input made.
std::string MomentText(const Moment& moment);

}  // namespace scmp::grader
