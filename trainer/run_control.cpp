#include "trainer/run_control.h"

#include <set>

#include "asm/opcode_map.h"
#include "core/observed_step.h"

namespace scmp {

int StepOverStop(const InstructionTable& table, const MemoryArray& memory, const MachineState& state) {
  const int at = NextOpcodeAddress(state.P[0]);
  const assembler::InstructionForm form = assembler::FormOfRecord(table[memory.data[at] & 0xFF], memory.data[at] & 0xFF);
  if (form.op != Op::kXppc || form.pointer == 0 || form.pointer > 3) return -1;
  return NextOpcodeAddress(static_cast<int16_t>(at));
}

SourcePlace NextInstructionPlace(const PanelModel& model) {
  return model.Lines().PlaceOf(NextOpcodeAddress(model.State().P[0]));
}

namespace {
// Run/Prgm enters run mode and starts the loop; in run mode Step/Start
// starts it.
void Start(PanelModel& model) {
  if (model.RunMode())
    model.StepOrStart();
  else
    model.RunOrProgram();
}
}  // namespace

void StepOne(PanelModel& model) {
  if (model.Running()) return;
  if (!model.SingleStepMode()) model.ToggleSingleStep();
  Start(model);
}

void Continue(PanelModel& model) {
  if (model.Running()) return;
  if (model.SingleStepMode()) model.ToggleSingleStep();
  Start(model);
}

bool RunTo(PanelModel& model, int address) {
  if (model.Running() || address < 0 || address >= kMemorySize) return false;
  const bool temporary = !model.Debug().IsBreakpoint(address);
  if (temporary) model.SetBreakpoint(address, true);
  Continue(model);
  if (temporary) model.SetBreakpoint(address, false);
  return true;
}

void StepOver(PanelModel& model) {
  const int stop = StepOverStop(model.Cpu().table(), model.Memory(), model.State());
  if (stop < 0 || !model.RunMode())
    StepOne(model);
  else
    RunTo(model, stop);
}

std::vector<int> PlaceSourceBreakpoints(PanelModel& model, const LineMap& before, const std::vector<int>& lines) {
  std::set<int> wanted;
  std::vector<int> without_code;
  for (const int line : lines) {
    const int address = model.Lines().FirstInstruction(line);
    if (address < 0)
      without_code.push_back(line);
    else
      wanted.insert(address);
  }
  // A breakpoint already where its line wants it stays as it is, with its
  // condition and hit count (assembling again has moved it there).
  for (const int address : model.Debug().Breakpoints())
    if (wanted.count(address) == 0 && before.PlaceOf(address).line > 0 && before.PlaceOf(address).file == before.MainFile())
      model.SetBreakpoint(address, false);
  for (const int address : wanted)
    if (!model.Debug().IsBreakpoint(address)) model.SetBreakpoint(address, true);
  return without_code;
}

}  // namespace scmp
