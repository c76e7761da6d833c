// The checks that warn about a program's use of memory while it runs: one
// mark per cell (loaded, written since RST, written since the load, run),
// fed from the observed stepping path, and warnings once per address and
// kind. The window (View > Checks), scmp-run --checks and the grader's
// `randomize` and `forbid self-modifying` all read these marks. The speed
// path never calls it: a run with the checks off pays nothing.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "core/fetch.h"
#include "core/machine.h"

namespace scmp {

enum class CheckKind : uint8_t {
  kUninitialised,   // read a RAM cell never loaded nor written since RST
  kEmptyMemory,     // ran a byte never loaded nor written
  kRanWritten,      // ran a byte the program wrote (self-modifying)
  kWroteProgram,    // wrote over a byte that has run (self-modifying)
  kOutsideWrite,    // wrote to an address that is neither RAM nor the port
};
constexpr int kCheckKinds = 5;

struct CheckWarning {
  CheckKind kind = CheckKind::kUninitialised;
  int address = 0;      // the cell the warning is about
  int instruction = 0;  // the opcode address of the instruction that did it
};

// The warning as a user reads it: "ran into empty memory at 025",
// "uninitialised: read 080, never loaded nor written since RST (at 012)".
std::string CheckText(const CheckWarning& warning);
// The warning for a message list or stderr: "t.s:5: warning: TEXT" when
// the instruction came from a line of `lines`, else "warning: TEXT".
class LineMap;
std::string CheckMessage(const CheckWarning& warning, const LineMap& lines);
// True for the two self-modifying kinds.
bool IsSelfModifying(CheckKind kind);

class MemoryChecks {
 public:
  // ---- What was loaded -------------------------------------------------------------
  // A new program: every mark cleared and the cells in `loaded` marked loaded.
  void StartProgram(const std::bitset<kMemorySize>& loaded);
  // Cells stored from outside the program (a load on top, the user's edits in
  // program mode or the Monitor): marked loaded, other marks kept.
  void MarkLoaded(int address);
  void MarkLoaded(const std::bitset<kMemorySize>& cells);
  // RST: "written since RST" is cleared; what was loaded, written and run stays.
  void Reset();
  // The warnings seen so far forgotten, so that each warns once again.
  void ForgetWarnings();

  // ---- The observed step --------------------------------------------------------------
  // The instruction at `opcode_address` was fetched: its bytes (one, or two
  // when `two_bytes`) are run. Inline, with Wrote: the grader calls them on
  // every step of a test that forbids self-modifying code.
  void Ran(int opcode_address, bool two_bytes, const MemoryArray& memory) {
    instruction_ = opcode_address;
    RanByte(opcode_address, memory);
    if (two_bytes) RanByte(NextPc(static_cast<int16_t>(opcode_address)), memory);
  }
  // A memory reference reads `address` (before the read) or writes it
  // (before the write).
  void Read(int address, const MemoryArray& memory);
  void Wrote(int address, const MemoryArray& memory) {
    if (static_cast<unsigned>(address) >= static_cast<unsigned>(kMemorySize)) return;
    const int16_t kind = memory.kind[address];
    if (kind == kPort) return;
    if (kind != kRam) return Warn(CheckKind::kOutsideWrite, address);
    uint8_t& m = marks_[address];
    if (m & kRunMark) Warn(CheckKind::kWroteProgram, address);
    m |= kWrittenMark | kWrittenSinceResetMark;
  }

  // ---- What the checks found --------------------------------------------------------------
  const std::vector<CheckWarning>& Warnings() const { return warnings_; }
  // Warnings added since the last call.
  std::vector<CheckWarning> TakeNew();
  bool HasNew() const { return taken_ < warnings_.size(); }
  // Goes up whenever the warnings are forgotten, for views that list them.
  uint64_t Generation() const { return generation_; }

  bool Loaded(int address) const { return Has(address, kLoadedMark); }
  bool WrittenSinceReset(int address) const { return Has(address, kWrittenSinceResetMark); }
  bool Written(int address) const { return Has(address, kWrittenMark); }
  bool HasRun(int address) const { return Has(address, kRunMark); }

 private:
  static constexpr uint8_t kLoadedMark = 1, kWrittenSinceResetMark = 2, kWrittenMark = 4, kRunMark = 8;
  bool Has(int address, uint8_t mark) const {
    return static_cast<unsigned>(address) < static_cast<unsigned>(kMemorySize) && (marks_[address] & mark) != 0;
  }
  // A fetch outside 0..FFF (a P0 that XPAH left negative) has no cell to mark.
  void RanByte(int address, const MemoryArray& memory) {
    if (static_cast<unsigned>(address) >= static_cast<unsigned>(kMemorySize)) return;
    uint8_t& m = marks_[address];
    if (m & kWrittenMark)
      Warn(CheckKind::kRanWritten, address);
    else if (!(m & (kLoadedMark | kWrittenSinceResetMark)) || memory.kind[address] != kRam)
      Warn(CheckKind::kEmptyMemory, address);
    m |= kRunMark;
  }
  void Warn(CheckKind kind, int address);

  std::array<uint8_t, kMemorySize> marks_{};
  std::array<uint8_t, kMemorySize> warned_{};  // bit per CheckKind
  std::vector<CheckWarning> warnings_;
  size_t taken_ = 0;
  uint64_t generation_ = 0;
  int instruction_ = 0;
};

}  // namespace scmp
