// The debug stepping path: Processor::Run with an observer that can stop a
// run before an instruction (breakpoints), sees every memory write
// (watchpoints, history) and every finished step (history). The speed path,
// Processor::Run, does not go through here and pays nothing for it.
#pragma once

#include <cstdint>

#include "core/execute.h"
#include "core/fetch.h"
#include "core/processor.h"

namespace scmp {

// The bus the executor sees on an observed step: the processor's own, with
// `observer.BeforeWrite(address, old_cell)` called before each write to an
// address in 0..4095 (`old_cell` is the data cell there before the write),
// and `observer.BeforeRead(address)` before each read, for an observer that
// has one.
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
  int16_t ReadMemory(int address) const {
    if constexpr (requires { observer_.BeforeRead(address); }) observer_.BeforeRead(address);
    return cpu_.ReadMemory(address);
  }
  void WriteMemory(int address, int16_t value) {
    if (static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize))
      observer_.BeforeWrite(address, cpu_.memory.data[address]);
    cpu_.WriteMemory(address, value);
  }
  void HaltProcessor() { cpu_.HaltProcessor(); }
  void Delay(uint64_t empty_steps, uint32_t steps_left) { cpu_.Delay(empty_steps, steps_left); }
  void NoteBoardStep(int p0, int operand) { cpu_.NoteBoardStep(p0, operand); }
  Board& board() { return cpu_.board(); }

 private:
  Processor& cpu_;
  Observer& observer_;
};

// The address of the next instruction's opcode: the byte after P0, as the
// fetch finds it (a negative P0 that XPAH left gives a negative address,
// outside memory).
inline int NextOpcodeAddress(int16_t p0) { return NextPc(p0); }

// Run, with per step:
//   observer.StopBefore(registers, opcode_address, steps_done) - true ends the
//     run before the step (the registers are the current ones);
//   observer.AfterFetch(opcode_address, fetched) - once the instruction's
//     bytes are read, before it runs (optional);
//   observer.BeforeWrite(address, old_cell) - before each write (see above);
//   observer.BeforeRead(address) - before each read of an operand (optional);
//   observer.StopAfter(fetched, microcycles_of_step) - true ends the run
//     after the step.
// The registers live in `state` throughout, so the observer sees them.
template <class Observer>
uint32_t Processor::RunObserved(uint32_t max_steps, Observer& observer) {
  if (max_steps == 0) return 0;
  break_run_ = halt_requested;
  run_length_ = max_steps;
  ObservedBus<Observer> bus(*this, observer);
  uint32_t done = 0;
  do {
    if (observer.StopBefore(state, NextPc(state.P[0]), done)) break;
    Fetched f;
    [[maybe_unused]] const int opcode_address = NextPc(state.P[0]);
    f.opcode = static_cast<int16_t>(FetchByte(state.P[0]) & 0xFF);
    if (f.opcode & 0x80) f.operand = static_cast<int16_t>(FetchByte(state.P[0]) & 0xFF);
    if constexpr (requires { observer.AfterFetch(opcode_address, f); }) observer.AfterFetch(opcode_address, f);
    const uint64_t cycles_before = microcycles;
    uint64_t cycles = cycles_before;
    ++done;
    detail::Execute(bus, decode_.natural[f.opcode], f.operand, state, max_steps - done, cycles);
    microcycles = cycles;
    const auto step_cycles = static_cast<uint32_t>(cycles - cycles_before);
    if (observer.StopAfter(f, step_cycles)) break;
  } while (done != max_steps && !break_run_);
  return done;
}

}  // namespace scmp
