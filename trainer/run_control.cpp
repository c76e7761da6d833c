#include "trainer/run_control.h"

#include <set>

#include "asm/opcode_map.h"
#include "core/hex.h"
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
// 10000 -> "10,000".
std::string GroupedNumber(int64_t n) {
  std::string digits = std::to_string(n);
  const int first = digits[0] == '-' ? 1 : 0;
  for (int at = static_cast<int>(digits.size()) - 3; at > first; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return digits;
}
}  // namespace

NextLineMark NextLineMarkOf(const PanelModel& model) {
  const LineMap& map = model.Lines();
  if (map.Empty()) return {};
  const int address = NextOpcodeAddress(model.State().P[0]);
  const SourcePlace place = map.PlaceOf(address);
  if (map.KindAt(address) == LineMap::Kind::kCode && place.file == map.MainFile()) return {place.line, {}};
  const std::string p0 = Hex(static_cast<unsigned>(model.State().P[0]) & kAddressMask, 3);
  const std::string file = FileName(map.MainFile());
  if (map.KindAt(address) == LineMap::Kind::kCode)
    return {0, "P0 at " + p0 + ": line " + std::to_string(place.line) + " of " + FileName(place.file) + ", not of " +
                   file};
  return {0, "P0 at " + p0 + ": not a line of " + file};
}

namespace {
// Run/Prgm enters run mode and starts the loop; in run mode Step/Start
// starts it. A standing halt request is taken back first (HLT again).
void Start(PanelModel& model) {
  if (model.HaltRequested()) model.Halt();
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

std::string StopNote(const PanelModel& model) {
  const Debugger& debug = model.Debug();
  switch (debug.LastStop()) {
    case StopReason::kPause:
      return "Paused after " + GroupedNumber(model.Options().pause_count) +
             (model.Options().pause_count == 1 ? " instruction" : " instructions") +
             ": F5 goes on; Settings > Pause count 0 runs without pausing";
    case StopReason::kBreakpoint:
    case StopReason::kWatchpoint:
      return std::string(StopReasonText(debug.LastStop())) + " (" + debug.StopSummary() + ")";
    default:
      return "";
  }
}

std::string ResetForNewProgram(PanelModel& model) {
  model.Reset();
  return "reset to " + Hex(static_cast<unsigned>(NextOpcodeAddress(model.State().P[0])), 3);
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
