// The trace log: one line per executed instruction and a marker line for each
// change of mode, written to TRACE.LOG while tracing is on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"
#include "core/table.h"

namespace scmp {

class TraceLog {
 public:
  TraceLog() = default;
  ~TraceLog() { Close(); }
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  // Creates the file afresh (an existing one is emptied). False with a
  // message naming the path when it cannot be created; the log is then
  // closed.
  bool Open(const std::string& path, std::string* error);
  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }

  // Appends one line and CR LF.
  void WriteLine(std::string_view text);
  // The 71-character line of an executed instruction, from its record and
  // the registers after execution. `operand` is -1 for a one-byte one.
  void WriteInstruction(const InstructionRecord& record, int opcode, int operand, const MachineState& s);
  // "Illegal Instruction (Halt) on:" and the opcode.
  void WriteIllegal(int opcode);

  // Hands what is buffered to the file system.
  void Flush();
  void Close();

  // The instruction line without its line end, as WriteInstruction writes it.
  static std::string FormatInstruction(const InstructionRecord& record, int opcode, int operand,
                                       const MachineState& s);

 private:
  // Room for any instruction line, whatever the register values.
  static constexpr size_t kLineBuffer = 128;

  char* Reserve(size_t n);
  void Drain();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::vector<char> buffer_;
  size_t used_ = 0;
};

// Trace markers.
inline constexpr std::string_view kMarkReset = "------Reset-------";
inline constexpr std::string_view kMarkRunMode = "------Run Mode-------";
inline constexpr std::string_view kMarkEndOfTrace = "------End of Trace -------";
inline constexpr std::string_view kMarkProgramMode = "------Program Mode-------";
inline constexpr std::string_view kMarkSingleStepOn = "------SStep ON-------";
inline constexpr std::string_view kMarkSingleStepOff = "------SStep Off-------";

}  // namespace scmp
