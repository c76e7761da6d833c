// The executor: one handler per operation, dispatched on the decoded code.
// Included by processor.cpp and by the observed step (observed_step.h); the
// registers are passed in so that the run loop can keep them in a local copy
// the compiler holds in registers.
#pragma once

#include <utility>

#include "core/address.h"
#include "core/arith.h"
#include "core/decode.h"
#include "core/machine.h"

namespace scmp::detail {

// The displacement of a memory reference: the byte 0x80 stands for E.
inline int MemoryDisplacement(int byte, const MachineState& r) {
  return SignedDisplacement(byte == 0x80 ? r.E : byte);
}

// Address of a memory reference's operand; moves the pointer when
// auto-indexed: first for a negative displacement (the pointer's new value
// is the address), afterwards otherwise (the pointer's old value, all 16 bits
// of it, is the address).
[[gnu::always_inline]] inline int EffectiveAddressOf(const Decoded& d, int byte, MachineState& r) {
  const int disp = MemoryDisplacement(byte, r);
  // Tested in order of frequency rather than by a jump table.
  if (d.mode == EaMode::kDisplacement) return WrapAddress(r.P[d.pointer], disp);
  if (d.mode == EaMode::kAutoIndex) {
    int16_t& p = r.P[d.pointer];
    const int old = p;
    p = static_cast<int16_t>(WrapAddress(old, disp));
    return disp < 0 ? p : old;
  }
  if (d.mode == EaMode::kAbsolute) return disp & 0x0FFF;
  return 0;  // EaMode::kZero
}

// A taken jump: P0 = base + displacement, 12-bit wrap. Jumps take the byte
// 0x80 as -128, never as E.
inline void JumpTo(const Decoded& d, int byte, MachineState& r) {
  const int base = d.mode == EaMode::kDisplacement ? r.P[d.pointer] : 0;
  r.P[0] = static_cast<int16_t>(WrapAddress(base, SignedDisplacement(byte)));
}

// A taken conditional jump: the jump and its two extra microcycles.
inline void TakeJump(const Decoded& d, int byte, MachineState& r, uint64_t& cycles) {
  JumpTo(d, byte, r);
  cycles += kTakenJumpMicrocycles;
}

// The board's hooks may look at cpu.microcycles, so the running count is
// published before them.
template <class Cpu>
inline void Publish(Cpu& cpu, uint64_t cycles) {
  cpu.microcycles = cycles;
}

// A memory write; only one that leaves RAM reaches the board.
template <class Cpu>
inline void Store(Cpu& cpu, int address, int16_t value, uint64_t cycles) {
  if (cpu.IsPlainRam(address)) {
    cpu.memory.data[address] = value;
  } else {
    Publish(cpu, cycles);
    cpu.WriteMemory(address, value);
  }
}

inline int16_t Byte(int v) { return static_cast<int16_t>(v & 0xFF); }

// Executes one decoded instruction and adds its microcycles to `cycles`, a
// running count that the caller stores in cpu.microcycles afterwards. `Cpu`
// supplies microcycles, memory, IsPlainRam, ReadMemory, WriteMemory,
// NoteBoardStep,
// HaltProcessor, Delay and board(). `steps_left` is what a run has left after
// this step; DLY hands it on so that the board can show the run's progress
// while it waits.
template <class Cpu>
[[gnu::always_inline]] inline void Execute(Cpu& cpu, const Decoded& d, int operand, MachineState& r,
                                           uint32_t steps_left, uint64_t& cycles) {
  cycles += d.microcycles;
  switch (d.op) {
    case Op::kNothing:
    case Op::kNop:
      return;
    case Op::kUndefined:
    case Op::kHalt:
      cpu.NoteBoardStep(r.P[0], operand);
      cpu.HaltProcessor();
      return;

    // ---- Extension register --------------------------------------------
    case Op::kXae: std::swap(r.A, r.E); return;
    case Op::kLde: r.A = r.E; return;
    case Op::kAne: r.A = static_cast<int16_t>(r.A & r.E); return;
    case Op::kOre: r.A = static_cast<int16_t>(r.A | r.E); return;
    case Op::kXre: r.A = static_cast<int16_t>(r.A ^ r.E); return;
    case Op::kAde: r.A = BinaryAdd(r.A, r.E, r.SR); return;
    case Op::kCae: r.A = BinaryAdd(r.A, r.E ^ 0xFF, r.SR); return;
    case Op::kDae: r.A = DecimalAdd(r.A, r.E, r.SR); return;

    // ---- Pointer exchanges ---------------------------------------------
    case Op::kXpal:
      if (d.pointer < 4) {
        const int16_t old_a = r.A;
        r.A = LowByte(r.P[d.pointer]);
        SetLowByte(r.P[d.pointer], old_a);
      }
      return;
    case Op::kXpah:
      if (d.pointer < 4) {
        const int16_t old_a = r.A;
        r.A = HighByte(r.P[d.pointer]);
        SetHighByte(r.P[d.pointer], old_a);
      }
      return;
    case Op::kXppc:
      if (d.pointer < 4) std::swap(r.P[0], r.P[d.pointer]);
      return;

    // ---- Status ----------------------------------------------------------
    case Op::kIen: r.SR = static_cast<int16_t>(r.SR | kInterruptEnable); return;
    case Op::kDint: r.SR = static_cast<int16_t>(r.SR & ~kInterruptEnable); return;
    case Op::kCcl: r.SR = static_cast<int16_t>(r.SR & ~kCarryLink); return;
    case Op::kScl: r.SR = static_cast<int16_t>(r.SR | kCarryLink); return;
    case Op::kCas:
      r.SR = r.A;
      Publish(cpu, cycles);
      cpu.board().ShowFlagLeds(r.SR);
      return;
    case Op::kCsa: r.A = r.SR; return;

    // ---- Shifts, rotates, serial ------------------------------------------
    case Op::kSio: r.E = static_cast<int16_t>((r.E & 0xFF) >> 1); return;
    case Op::kSr: r.A = static_cast<int16_t>((r.A & 0xFF) >> 1); return;
    case Op::kSrl: r.A = static_cast<int16_t>(((r.A & 0xFF) >> 1) | (r.SR & kCarryLink)); return;
    case Op::kRr: r.A = static_cast<int16_t>(((r.A & 0xFF) >> 1) | ((r.A & 1) << 7)); return;
    case Op::kRrl: {
      const int a = r.A & 0xFF;
      r.A = static_cast<int16_t>((a >> 1) | (r.SR & kCarryLink));
      r.SR = static_cast<int16_t>((r.SR & ~kCarryLink) | ((a & 1) << 7));
      return;
    }

    // ---- Memory reference ------------------------------------------------
    case Op::kLd: r.A = cpu.ReadMemory(EffectiveAddressOf(d, operand, r)); return;
    case Op::kSt: {
      const int ea = EffectiveAddressOf(d, operand, r);
      Store(cpu, ea, r.A, cycles);
      return;
    }
    case Op::kAnd: r.A = static_cast<int16_t>(r.A & cpu.ReadMemory(EffectiveAddressOf(d, operand, r))); return;
    case Op::kOr: r.A = static_cast<int16_t>(r.A | cpu.ReadMemory(EffectiveAddressOf(d, operand, r))); return;
    case Op::kXor: r.A = static_cast<int16_t>(r.A ^ cpu.ReadMemory(EffectiveAddressOf(d, operand, r))); return;
    case Op::kAdd: r.A = BinaryAdd(r.A, cpu.ReadMemory(EffectiveAddressOf(d, operand, r)), r.SR); return;
    case Op::kCad: r.A = BinaryAdd(r.A, cpu.ReadMemory(EffectiveAddressOf(d, operand, r)) ^ 0xFF, r.SR); return;
    case Op::kDad: r.A = DecimalAdd(r.A, cpu.ReadMemory(EffectiveAddressOf(d, operand, r)), r.SR); return;
    case Op::kIld:
    case Op::kDld: {
      const int ea = EffectiveAddressOf(d, operand, r);
      const int16_t v = Byte(cpu.ReadMemory(ea) + (d.op == Op::kIld ? 1 : -1));
      Store(cpu, ea, v, cycles);
      r.A = v;
      return;
    }

    // ---- Immediate ---------------------------------------------------------
    case Op::kLdi: r.A = static_cast<int16_t>(operand); return;
    case Op::kAni: r.A = static_cast<int16_t>(r.A & operand); return;
    case Op::kOri: r.A = static_cast<int16_t>(r.A | operand); return;
    case Op::kXri: r.A = static_cast<int16_t>(r.A ^ operand); return;
    case Op::kAdi: r.A = BinaryAdd(r.A, operand, r.SR); return;
    case Op::kCai: r.A = BinaryAdd(r.A, operand ^ 0xFF, r.SR); return;
    case Op::kDai: r.A = DecimalAdd(r.A, operand, r.SR); return;

    // ---- Jumps ---------------------------------------------------------------
    case Op::kJmp: JumpTo(d, operand, r); return;
    case Op::kJp: if ((r.A & 0x80) == 0) TakeJump(d, operand, r, cycles); return;
    case Op::kJz: if (r.A == 0) TakeJump(d, operand, r, cycles); return;
    case Op::kJnz: if (r.A != 0) TakeJump(d, operand, r, cycles); return;

    // ---- Delay -----------------------------------------------------------------
    case Op::kDly:
      cycles += DelayExtraMicrocycles(r.A, operand);
      Publish(cpu, cycles);
      cpu.NoteBoardStep(r.P[0], operand);
      cpu.Delay(static_cast<uint64_t>(operand + 1) * 10000u + static_cast<uint64_t>((r.A & 0xFF) + 1) * 40u,
                steps_left);
      return;
  }
  __builtin_unreachable();  // every Op has its case above
}

}  // namespace scmp::detail
