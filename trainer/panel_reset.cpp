// RST: the processor starts afresh while memory stays. The counters since
// RST, the breakpoints' hit counts and the history all begin at this
// moment, so that a condition such as `hits == #3` counts from RST and Step
// Back never walks back across it.
#include "trainer/panel_model.h"

namespace scmp {

void PanelModel::Reset() {
  if (running_) return;
  cpu_.halt_requested = false;
  SetHaltLed(false);
  cpu_.state = MachineState{};
  debugger_.Checks().Reset();  // "written since RST" starts again
  for (int i = 0; i < 3; ++i) SetLitLamp(8 + i, false, cpu_.microcycles);
  ShowMachine(nullptr);
  WriteMarker(kMarkReset);
  instruction_count_ = 0;
  steps_at_reset_ = executed_steps_;
  microcycles_at_reset_ = cpu_.microcycles;
  debugger_.ResetHits();
  debugger_.Steps().Clear();
  debugger_.SetStop(StopReason::kNone);  // "Halted" no longer holds
}

}  // namespace scmp
