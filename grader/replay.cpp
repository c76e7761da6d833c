#include "grader/replay.h"

#include "grader/test_runner.h"

namespace scmp::grader {

namespace {

void SetSwitches(PanelModel& panel, int byte) {
  for (int i = 0; i < 8; ++i)
    if (panel.DataSwitch(i) != (((byte >> i) & 1) != 0)) panel.ToggleDataSwitch(i);
}

void Apply(PanelModel& panel, const TimedInput& input) {
  switch (input.kind) {
    case InputKind::kSwitches: SetSwitches(panel, input.value); break;
    case InputKind::kPressHalt: panel.Halt(); break;
    case InputKind::kPressReset: panel.Reset(); break;
  }
}

// The start of the test as a saved state: what ApplyState takes whole.
SavedState TestStart(const PanelModel& panel, const ProgramImage& program, const TestCase& test, uint64_t seed) {
  const StartState start = MakeStartState(program, test, seed);
  SavedState s = panel.CaptureState();
  s.registers = start.registers;
  s.memory = start.memory;
  s.microcycles = 0;
  s.lights = PanelLights{};
  for (int i = 0; i < 8; ++i) s.data_switches[static_cast<size_t>(i)] = ((test.switches >> i) & 1) != 0;
  s.run_mode = true;
  s.single_step_mode = true;
  s.options.trace_on = false;
  return s;
}

}  // namespace

bool ReplayTo(PanelModel& panel, const ProgramImage& program, const TestCase& test, uint64_t seed,
              const Moment& moment, std::string* error) {
  if (panel.Running()) {
    *error = "Stop the program before showing a test.";
    return false;
  }
  // The panel's own assembled source under test keeps its lines, so that
  // the Monitor and the editor show the failing line.
  const bool same_program = !program.path.empty() && program.path == panel.SourcePath();
  if (!panel.ApplyState(TestStart(panel, program, test, seed), error, same_program)) return false;
  const auto wait = panel.WaitHook();
  const auto pump = panel.PumpHook();
  panel.SetWaitHook([](double) {});
  panel.SetPumpHook(nullptr);
  panel.SetHistoryRecording(true);
  // The runs before the failing one are replayed whole, each after RST as
  // the test runner starts them; times count from each run's start.
  for (int run = 0; run <= moment.run && run <= static_cast<int>(test.later_runs.size()); ++run) {
    const std::vector<TimedInput>* inputs = &test.inputs;
    if (run > 0) {
      const LaterRun& later = test.later_runs[static_cast<size_t>(run - 1)];
      inputs = &later.inputs;
      // Time counts from 0 before RST, so that RST notes 0 as its moment and
      // the counters since RST are the run's own.
      panel.Cpu().microcycles = 0;
      panel.Reset();
      if (later.switches) SetSwitches(panel, *later.switches);
      for (const CellSet& set : later.cells)
        for (size_t i = 0; i < set.bytes.size(); ++i)
          panel.Memory().data[static_cast<size_t>(set.address) + i] = static_cast<int16_t>(set.bytes[i]);
    }
    const uint64_t last = run == moment.run ? moment.instruction : UINT64_MAX;
    const RunLimit& limit = run == 0 ? test.run : test.later_runs[static_cast<size_t>(run - 1)].run;
    uint64_t steps = 0;
    size_t next = 0;
    for (;;) {
      while (next < inputs->size() && (*inputs)[next].at <= panel.Cpu().microcycles) Apply(panel, (*inputs)[next++]);
      if (steps >= last) break;
      if ((limit.microcycles && panel.Cpu().microcycles >= limit.microcycles) ||
          (limit.instructions && steps >= limit.instructions))
        break;
      if (panel.HaltRequested()) {
        if (next == inputs->size() || limit.until_halt) break;
        panel.Cpu().microcycles = (*inputs)[next].at;  // the halted board waits for the next press
        continue;
      }
      panel.StepInstruction();
      ++steps;
    }
  }
  panel.SetWaitHook(wait);
  panel.SetPumpHook(pump);
  return true;
}

}  // namespace scmp::grader
