#include "core/processor.h"

#include "core/execute.h"
#include "core/fetch.h"

namespace scmp {

void Processor::SetTable(const InstructionTable& table) {
  table_ = table;
  decode_ = DecodeTable::Build(table);
}

int16_t Processor::ReadSlow(int address) const {
  if (address < 0 || address >= kMemorySize) return 0x55;
  if (memory.kind[address] == kPort) return board_.ReadDataSwitches();
  return 0xFE;  // absent, or a kind the board does not know
}

void Processor::WriteSlow(int address, int16_t value) {
  if (address < 0 || address >= kMemorySize) return;
  if (memory.kind[address] == kPort) board_.DriveLeds(value);
}

Fetched Processor::FetchInstruction() {
  Fetched f;
  f.opcode = static_cast<int16_t>(FetchByte(state.P[0]) & 0xFF);
  if (f.opcode & 0x80) f.operand = static_cast<int16_t>(FetchByte(state.P[0]) & 0xFF);
  return f;
}

void Processor::ExecuteInstruction(int opcode, int operand) {
  opcode &= 0xFF;
  const bool natural = (operand < 0) == ((opcode & 0x80) == 0);
  const Decoded& d = natural ? decode_.natural[opcode] : decode_.other[opcode];
  uint64_t cycles = microcycles;
  detail::Execute(*this, d, operand < 0 ? -1 : (operand & 0xFF), state, 0, cycles);
  microcycles = cycles;
}

uint32_t Processor::Run(uint32_t max_steps) {
  if (max_steps == 0) return 0;
  // One flag ends the loop: a halt request standing at the start, HALT or
  // an undefined opcode (HaltProcessor), or BreakRun from a board hook.
  break_run_ = halt_requested;
  run_length_ = max_steps;
  MachineState r = state;  // a local copy the compiler can keep in registers
  int16_t pc = r.P[0];      // P0 itself stays in a register between steps
  uint32_t remaining = max_steps;
  uint64_t cycles = microcycles;  // likewise kept in a register
  do {
    const int opcode = FetchByte(pc) & 0xFF;
    const int operand = (opcode & 0x80) ? FetchByte(pc) & 0xFF : -1;
    r.P[0] = pc;
    detail::Execute(*this, decode_.natural[opcode], operand, r, remaining - 1, cycles);
    pc = r.P[0];
  } while (--remaining != 0 && !break_run_);
  state = r;
  microcycles = cycles;
  return max_steps - remaining;
}

Fetched Processor::LastBoardStep() const {
  // P0 was left on the instruction's last byte: the operand, if any.
  const int opcode_at = board_step_operand_ < 0 ? board_step_p0_ : (board_step_p0_ - 1) & kAddressMask;
  return {static_cast<int16_t>(ReadMemory(opcode_at) & 0xFF), board_step_operand_};
}

Fetched Processor::PeekInstruction() const {
  int16_t p0 = state.P[0];
  Fetched f;
  f.opcode = static_cast<int16_t>(FetchByte(p0) & 0xFF);
  if (f.opcode & 0x80) f.operand = static_cast<int16_t>(FetchByte(p0) & 0xFF);
  return f;
}

int Processor::EffectiveAddress(int opcode, int displacement) {
  return detail::EffectiveAddressOf(decode_.natural[opcode & 0xFF], displacement & 0xFF, state);
}

void Processor::JumpTarget(int opcode, int displacement) {
  detail::JumpTo(decode_.natural[opcode & 0xFF], displacement & 0xFF, state);
}

void Processor::Delay(uint64_t empty_steps, uint32_t steps_left) {
  run_left_ = steps_left;
  board_.Delay(empty_steps);
}

void Processor::HaltProcessor() {
  halt_requested = true;
  break_run_ = true;
  board_.LightHaltLed();
}

}  // namespace scmp
