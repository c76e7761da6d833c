#include "trainer/register_strip.h"

#include "core/hex.h"
#include "core/observed_step.h"
#include "trainer/code_view.h"

namespace scmp {

std::string RegisterStripText(const PanelModel& model) {
  const MachineState& s = model.State();
  std::string text = "A " + HexByte(s.A) + "  E " + HexByte(s.E) + "  SR " + HexByte(s.SR);
  for (int i = 0; i < 4; ++i) text += "  P" + std::to_string(i) + " " + HexWord(s.P[i]);
  const int next = NextOpcodeAddress(s.P[0]);
  if (next < 0 || next >= kMemorySize) return text;
  const Fetched f = model.Cpu().PeekInstruction();
  return text + "  next " + Hex(static_cast<unsigned>(next), 3) + ": " +
         InstructionText(model.Cpu().table(), model.Debug(), next, f.opcode, f.operand);
}

}  // namespace scmp
