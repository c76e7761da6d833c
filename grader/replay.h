// Show on a failed test: the test replayed on the panel model with the
// history on, up to the moment it failed, so that the Monitor opens there
// and Step Back walks back from it.
#pragma once

#include <string>

#include "grader/moment.h"
#include "grader/program_load.h"
#include "grader/test_file.h"
#include "trainer/panel_model.h"

namespace scmp::grader {

// Sets `panel` up as `test` starts on `program` (run mode, single step on,
// the test's switches, trace off, breakpoints kept; the panel's assembled
// source keeps its lines and labels when it is the program tested), turns the history on
// and steps up to and including instruction `moment.instruction`, applying
// the test's inputs at the microcycles the test runner applies them. The
// panel's wait and pump hooks are put back afterwards. False with `error`
// while a program runs.
bool ReplayTo(PanelModel& panel, const ProgramImage& program, const TestCase& test, uint64_t seed,
              const Moment& moment, std::string* error);

}  // namespace scmp::grader
