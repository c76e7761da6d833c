// One instruction with every memory write shown to an observer first: the
// stepping path of the debugger (breakpoints, watchpoints, history). The
// speed path, Processor::Run, does not go through here and pays nothing for
// it.
#pragma once

#include <cstdint>

#include "core/execute.h"
#include "core/processor.h"

namespace scmp {

// The bus the executor sees on an observed step: the processor's own, with
// `observer.BeforeWrite(address, old_cell)` called before each write to an
// address in 0..4095 (`old_cell` is the data cell there before the write).
template <class Observer>
class ObservedBus {
 public:
  ObservedBus(Processor& cpu, Observer& observer)
      : microcycles(cpu.microcycles), memory(cpu.memory), cpu_(cpu), observer_(observer) {}

  uint64_t& microcycles;
  MemoryArray& memory;
  // No write takes the executor's shortcut into RAM: each one goes through
  // WriteMemory and is seen.
  bool IsPlainRam(int) const { return false; }
  int16_t ReadMemory(int address) const { return cpu_.ReadMemory(address); }
  void WriteMemory(int address, int16_t value) {
    if (static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize))
      observer_.BeforeWrite(address, cpu_.memory.data[address]);
    cpu_.WriteMemory(address, value);
  }
  void HaltProcessor() { cpu_.HaltProcessor(); }
  void Delay(uint64_t empty_steps, uint32_t steps_left) { cpu_.Delay(empty_steps, steps_left); }
  Board& board() { return cpu_.board(); }

 private:
  Processor& cpu_;
  Observer& observer_;
};

// The address of the next instruction's opcode: the byte after P0, as the
// fetch finds it (above 4095 it is 0; a negative P0 that XPAH left gives a
// negative address, outside memory).
inline int NextOpcodeAddress(int16_t p0) {
  const auto next = static_cast<int16_t>(static_cast<uint16_t>(p0) + 1u);
  return next > 4095 ? 0 : next;
}

// Fetches and executes one instruction as Processor::Run would, through an
// observed bus. `steps_left` is what the caller's run has left after it.
template <class Observer>
inline Fetched StepObserved(Processor& cpu, Observer& observer, uint32_t steps_left) {
  const Fetched f = cpu.FetchInstruction();
  ObservedBus<Observer> bus(cpu, observer);
  uint64_t cycles = cpu.microcycles;
  detail::Execute(bus, cpu.decode().natural[f.opcode], f.operand, cpu.state, steps_left, cycles);
  cpu.microcycles = cycles;
  return f;
}

}  // namespace scmp
