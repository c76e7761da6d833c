// The debugging toolbar's run control, worked through the panel's own
// controls so that a step from the toolbar is the panel's single-step press
// (counted, traced and shown on the panel): Step, Step Over, Continue, Run
// to an address, and breakpoints that follow their source lines when the
// program is assembled again.
#pragma once

#include <string>
#include <vector>

#include "core/machine.h"
#include "core/table.h"
#include "trainer/line_map.h"
#include "trainer/panel_model.h"

namespace scmp {

// Where Step Over stops: when the next instruction is XPPC with P1, P2 or
// P3 (a subroutine call), the opcode after it, where the subroutine's own
// XPPC returns to; -1 for any other instruction.
int StepOverStop(const InstructionTable& table, const MemoryArray& memory, const MachineState& state);

// The source line of the instruction P0 leads to next (line 0: none).
SourcePlace NextInstructionPlace(const PanelModel& model);

// Where the editor's next-line mark goes: the line of the main file whose
// instruction P0 leads to next, or no line and where P0 stands instead
// ("P0 at 025: not a line of MINE.s"). Both empty when no program's lines
// are known.
struct NextLineMark {
  int line = 0;
  std::string elsewhere;
};
NextLineMark NextLineMarkOf(const PanelModel& model);

// A halt request (the program's HALT, HLT or Stop) is taken back before the
// toolbar's run control goes on, so that it does not cut the run to one
// step: after a HALT the run goes on with the instruction after it.
// One instruction: SST on if it was off, then Run/Prgm in program mode or
// Step/Start in run mode.
void StepOne(PanelModel& model);
// SST off if it was on, then Run/Prgm in program mode or Step/Start in run
// mode: runs until a breakpoint, a watchpoint, HALT, the pause count or HLT.
void Continue(PanelModel& model);
// What to tell the learner after a run or step ended, or "" when the stop
// needs no words (a step, a HALT: the lamps and the mark show it).
std::string StopNote(const PanelModel& model);

// After a program was assembled and loaded: RST, so that the next run
// starts the new program from its beginning. Returns what the status says
// ("reset to 001").
std::string ResetForNewProgram(PanelModel& model);
// Continue with a breakpoint at `address` for this run only (unless one
// was set there already); false and nothing run when the address is not
// in memory.
bool RunTo(PanelModel& model, int address);
// A subroutine call runs to its return; any other instruction is a Step.
void StepOver(PanelModel& model);

// After assembling again: a breakpoint on the first instruction of each of
// `lines` (1-based) of the program now assembled, keeping one already
// there; the others that `before` placed on its main file's lines are
// cleared. Breakpoints on no source line stay. Returns the lines that have
// no instruction.
std::vector<int> PlaceSourceBreakpoints(PanelModel& model, const LineMap& before, const std::vector<int>& lines);

}  // namespace scmp
