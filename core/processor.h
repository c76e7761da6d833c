// The emulated SC/MP: registers, memory, the memory bus, the fetch and the
// executor, driven by the decode table built from the instruction file.
#pragma once

#include <cstdint>

#include "core/board.h"
#include "core/decode.h"
#include "core/machine.h"
#include "core/table.h"

namespace scmp {

// One fetched instruction. `operand` is -1 for a one-byte instruction.
struct Fetched {
  int16_t opcode = 0;
  int16_t operand = -1;
};

class Processor {
 public:
  explicit Processor(Board& board) : board_(board) {}
  Processor(const Processor&) = delete;
  Processor& operator=(const Processor&) = delete;

  MachineState state;
  MemoryArray memory;
  // The halt request: set by HALT and by undefined opcodes; the run loop
  // ends after the step that set it. The run controls toggle and clear it.
  bool halt_requested = false;
  // Data-sheet microcycles (1 us each on the board) of every instruction
  // executed, by Run and by ExecuteInstruction alike. Never reset here.
  uint64_t microcycles = 0;

  // Installs the instruction table and decides each opcode's operation,
  // pointer and mode once.
  void SetTable(const InstructionTable& table);
  const InstructionTable& table() const { return table_; }
  const DecodeTable& decode() const { return decode_; }

  // The memory bus. Addresses outside 0..4095 read 0x55 and ignore writes;
  // RAM is a plain cell; the port reads the data switches and drives the
  // LEDs; absent memory (and any unknown kind) reads 0xFE and ignores writes.
  bool IsPlainRam(int address) const {
    return static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize) && memory.kind[address] == kRam;
  }
  int16_t ReadMemory(int address) const { return IsPlainRam(address) ? memory.data[address] : ReadSlow(address); }
  void WriteMemory(int address, int16_t value) {
    if (IsPlainRam(address))
      memory.data[address] = value;
    else
      WriteSlow(address, value);
  }

  // Advances P0 and reads the opcode, and the operand when bit 7 of the
  // opcode is set. P0 is left on the instruction's last byte. A data cell
  // outside 0..255 counts by its low 8 bits, for the table and the length.
  Fetched FetchInstruction();

  // Carries out one fetched instruction. An operand of -1 selects the
  // one-byte group, any other the two-byte group.
  void ExecuteInstruction(int opcode, int operand);

  // Fetches and executes until `max_steps` steps are done, or a step sets
  // halt_requested, or BreakRun() is called (from a board hook). Always
  // performs at least one step when max_steps > 0. Returns the steps done.
  uint32_t Run(uint32_t max_steps);
  void BreakRun() { break_run_ = true; }
  // The last step that called the board's halt or delay hook (HALT, an
  // undefined opcode, DLY): a Run that ended early ended with it.
  // Recorded off the speed path, so Run itself keeps no last step.
  void NoteBoardStep(int p0, int operand) {
    board_step_p0_ = static_cast<int16_t>(p0);
    board_step_operand_ = static_cast<int16_t>(operand);
  }
  Fetched LastBoardStep() const;
  // The instruction the next step will fetch, read without side effects.
  Fetched PeekInstruction() const;
  // The debug stepping path: Run with an observer that may stop the run
  // before a step and sees every write and every step (core/observed_step.h).
  template <class Observer>
  uint32_t RunObserved(uint32_t max_steps, Observer& observer);

  // Address of a memory reference's operand; moves the pointer in the
  // auto-indexed mode. The displacement byte 0x80 stands for E.
  int EffectiveAddress(int opcode, int displacement);
  // Loads P0 with a taken jump's target. No E substitution for jumps.
  void JumpTarget(int opcode, int displacement);

  // Sets the halt request and lights the Halt LED.
  void HaltProcessor();
  // DLY: hands the wait to the board. `steps_left` is what the current Run
  // has left after this step.
  void Delay(uint64_t empty_steps, uint32_t steps_left);
  // During a board's Delay called from Run: the steps Run has done so far,
  // the delaying one included.
  uint32_t StepsDoneInRun() const { return run_length_ - run_left_; }

  Board& board() { return board_; }

 private:
  int FetchByte(int16_t& p0) const;
  int16_t ReadSlow(int address) const;
  void WriteSlow(int address, int16_t value);

  Board& board_;
  InstructionTable table_;
  DecodeTable decode_;
  bool break_run_ = false;
  uint32_t run_length_ = 0;
  uint32_t run_left_ = 0;
  int16_t board_step_p0_ = 0;
  int16_t board_step_operand_ = -1;
};

}  // namespace scmp
