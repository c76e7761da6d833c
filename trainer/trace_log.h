// The trace log: one line per executed instruction and a marker line for each
// change of mode, written to TRACE.LOG while tracing is on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine.h"
#include "core/table.h"

namespace scmp {

class TraceLog {
 public:
  // Why an open log closed itself.
  enum class Stop { kNone, kWriteError, kLimit };
  static constexpr uint64_t kDefaultLimitBytes = uint64_t{1} << 30;

  TraceLog() = default;
  ~TraceLog() { Close(); }
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  // Creates the file afresh (an existing one is emptied). False with a
  // message naming the path when it cannot be created; the log is then
  // closed.
  // A pipe (FIFO) is kept: the open waits for a reader and a write for room,
  // without blocking, as long as the cancel check returns false (without a
  // check, an open waits 10 seconds at most).
  bool Open(const std::string& path, std::string* error);
  // Asked while waiting for a pipe; true gives up the open, or ends the log
  // as a write error.
  void SetCancelCheck(std::function<bool()> check) { cancel_ = std::move(check); }
  bool IsOpen() const { return fd_ >= 0; }

  // The file never grows past `bytes`: the line that would pass it is
  // replaced by kMarkTraceLimit and the log closes itself. At least room for
  // the marker.
  void SetLimit(uint64_t bytes);
  uint64_t Limit() const { return limit_; }
  // A write error also closes the log, cut back to its last whole line.
  // Stopped() tells why the log closed itself, StopMessage() says so in a
  // sentence naming the file; both hold until the next Open.
  Stop Stopped() const { return stop_; }
  const std::string& StopMessage() const { return stop_message_; }
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
  int OpenPipe(const std::string& path);
  bool WaitForPipe();
  bool Drain();
  void StopAtLimit();
  void StopOnWriteError(int error_number, size_t written_of_buffer);

  int fd_ = -1;
  std::string path_;
  std::vector<char> buffer_;
  size_t used_ = 0;
  uint64_t file_size_ = 0;  // what has reached the file
  uint64_t limit_ = kDefaultLimitBytes;
  Stop stop_ = Stop::kNone;
  std::string stop_message_;
  std::function<bool()> cancel_;
};

// Trace markers.
inline constexpr std::string_view kMarkReset = "------Reset-------";
inline constexpr std::string_view kMarkRunMode = "------Run Mode-------";
inline constexpr std::string_view kMarkEndOfTrace = "------End of Trace -------";
inline constexpr std::string_view kMarkProgramMode = "------Program Mode-------";
inline constexpr std::string_view kMarkSingleStepOn = "------SStep ON-------";
inline constexpr std::string_view kMarkSingleStepOff = "------SStep Off-------";
inline constexpr std::string_view kMarkTraceLimit = "------Trace limit reached-------";

}  // namespace scmp
