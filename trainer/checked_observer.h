// An observer of Processor::RunObserved wrapped so that the memory checks
// see every fetch, operand read and write as well. Runs with the checks off
// use the inner observer alone, so that they pay nothing for the checks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/processor.h"
#include "trainer/memory_checks.h"

namespace scmp {

// `Inner` has StopBefore, BeforeWrite and StopAfter (core/observed_step.h).
// With `stop`, a step that gave a new warning ends the run after it through
// `inner.StopAtCheck(address)`, which says whether to stop.
template <class Inner>
struct CheckedObserver {
  Inner& inner;
  MemoryChecks& checks;
  const MemoryArray& memory;
  bool stop = false;
  size_t before = 0;  // the warnings as the step began

  bool StopBefore(const MachineState& registers, int opcode_address, uint32_t done) {
    before = checks.Warnings().size();
    return inner.StopBefore(registers, opcode_address, done);
  }
  void AfterFetch(int opcode_address, const Fetched& fetched) { checks.Ran(opcode_address, fetched.operand >= 0, memory); }
  void BeforeRead(int address) { checks.Read(address, memory); }
  void BeforeWrite(int address, int16_t old_cell) {
    inner.BeforeWrite(address, old_cell);
    checks.Wrote(address, memory);
  }
  bool StopAfter(const Fetched& fetched, uint32_t microcycles) {
    if (inner.StopAfter(fetched, microcycles)) return true;
    return stop && checks.Warnings().size() > before && inner.StopAtCheck(checks.Warnings()[before].address);
  }
};

}  // namespace scmp
