#include "trainer/trace_log.h"

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_reader.h"
#include "core/hex.h"

namespace scmp {

namespace {

constexpr size_t kBufferSize = 1 << 20;

// How often a wait for a pipe asks whether to give up, in milliseconds, and
// how long an open waits for a reader when nothing can cancel it.
constexpr int kPipePollMs = 20;
constexpr auto kUncancellableOpenWait = std::chrono::seconds(10);

bool IsFifo(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

// The digits of the byte-pair table below, which keeps hex formatting off
// the traced run's per-line cost; other texts use core/hex.h.
constexpr char kHexDigits[] = "0123456789ABCDEF";

char* PutText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// The two digits of every byte, so that a byte is one table read.
struct HexPairs {
  std::array<std::array<char, 2>, 256> pair{};
  constexpr HexPairs() {
    for (int i = 0; i < 256; ++i) pair[i] = {kHexDigits[i >> 4], kHexDigits[i & 0xF]};
  }
};
constexpr HexPairs kHexPairs;

// Two digits for a byte, the common case of the trace.
inline char* PutHexByte(char* out, int value) {
  if (static_cast<unsigned>(value) > 0xFF) return PutText(out, HexByte(value));
  std::memcpy(out, kHexPairs.pair[value].data(), 2);
  return out + 2;
}

// Four digits for a 16-bit cell (its two's complement when negative).
inline char* PutHexWord(char* out, int value) {
  if (value > 0xFFFF) return PutText(out, HexWord(value));
  const unsigned v = static_cast<uint16_t>(value);
  std::memcpy(out, kHexPairs.pair[v >> 8].data(), 2);
  std::memcpy(out + 2, kHexPairs.pair[v & 0xFF].data(), 2);
  return out + 4;
}

template <size_t N>
char* PutField(char* out, const std::array<char, N>& field) {
  std::memcpy(out, field.data(), N);
  return out + N;
}

// Builds the instruction line in `buf` (large enough for any register
// values) and returns its end.
char* BuildInstruction(char* p, const InstructionRecord& r, int opcode, int operand, const MachineState& s) {
  p = PutField(p, r.Mnemonic);
  *p++ = ' ';
  p = PutField(p, r.Amode);
  *p++ = ' ';
  p = PutField(p, r.Register);
  *p++ = ' ';
  p = PutField(p, r.Cflag);
  *p++ = ' ';
  p = PutField(p, r.OFlag);
  *p++ = ' ';
  p = PutField(p, r.Operation);
  *p++ = ' ';
  p = PutHexWord(p, s.P[0]);
  *p++ = ' ';
  p = PutHexByte(p, opcode);
  *p++ = ' ';
  if (operand == -1) {
    p = PutText(p, "   ");
  } else {
    p = PutHexByte(p, operand);
    *p++ = ' ';
  }
  p = PutText(p, "P0-3: ");
  for (int i = 0; i < 4; ++i) {
    p = PutHexWord(p, s.P[i]);
    *p++ = ' ';
  }
  p = PutText(p, "A,EX,ST: ");
  p = PutHexByte(p, s.A);
  *p++ = ' ';
  p = PutHexByte(p, s.E);
  *p++ = ' ';
  p = PutHexByte(p, s.SR);
  *p++ = ' ';
  return p;
}

}  // namespace

// A pipe is opened without blocking, so that a pipe nobody reads yet does
// not hold the program in open(): the open is retried until a reader comes
// or the cancel check says to give up. Writes to it then wait in poll().
int TraceLog::OpenPipe(const std::string& path) {
  const auto give_up_at = std::chrono::steady_clock::now() + kUncancellableOpenWait;
  for (;;) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 || errno != ENXIO) return fd;
    if (cancel_ ? cancel_() : std::chrono::steady_clock::now() > give_up_at) {
      errno = EINTR;
      return -1;
    }
    ::poll(nullptr, 0, kPipePollMs);
  }
}

bool TraceLog::Open(const std::string& path, std::string* error) {
  Close();
  fd_ = IsFifo(path) ? OpenPipe(path) : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    const std::string reason = errno == EINTR ? "no program read the pipe" : std::strerror(errno);
    if (error) *error = "Cannot create the trace log " + Quoted(path) + ": " + reason + ".";
    return false;
  }
  // The log keeps its own buffer and hands it to the file in large pieces;
  // lines are not written one by one.
  buffer_.resize(kBufferSize);
  used_ = 0;
  file_size_ = 0;
  path_ = path;
  stop_ = Stop::kNone;
  stop_message_.clear();
  return true;
}

void TraceLog::SetLimit(uint64_t bytes) { limit_ = std::max<uint64_t>(bytes, kMarkTraceLimit.size() + 2); }

// Room for one more line of `n` characters, writing out what is buffered
// when the buffer is full; null once the log has closed itself. The marker
// of the limit always fits after the lines let through.
inline char* TraceLog::Reserve(size_t n) {
  if (fd_ < 0) return nullptr;
  if (file_size_ + used_ + n + kMarkTraceLimit.size() + 2 > limit_) {
    StopAtLimit();
    return nullptr;
  }
  if (used_ + n > buffer_.size()) {
    if (!Drain()) return nullptr;
    if (n > buffer_.size()) buffer_.resize(n);
  }
  return buffer_.data() + used_;
}

bool TraceLog::Drain() {
  size_t done = 0;
  while (fd_ >= 0 && done < used_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      if (WaitForPipe()) continue;
      errno = EINTR;
    }
    if (n <= 0) {
      StopOnWriteError(n < 0 ? errno : ENOSPC, done);  // EINTR: given up on a full pipe
      return false;
    }
    done += static_cast<size_t>(n);
  }
  file_size_ += done;
  used_ = 0;
  return fd_ >= 0;
}

// A full pipe: waits until it takes more, false when the cancel check says
// to give up first.
bool TraceLog::WaitForPipe() {
  pollfd p{fd_, POLLOUT, 0};
  while (::poll(&p, 1, kPipePollMs) <= 0)
    if (cancel_ && cancel_()) return false;
  return true;
}

// Keeps what the file holds up to its last whole line, so that a reader
// never meets a line cut short, and closes the log.
void TraceLog::StopOnWriteError(int error_number, size_t written_of_buffer) {
  size_t whole = 0;
  for (size_t i = written_of_buffer; i > 0; --i) {
    if (buffer_[i - 1] == '\n') {
      whole = i;
      break;
    }
  }
  if (whole < written_of_buffer && ::ftruncate(fd_, static_cast<off_t>(file_size_ + whole)) != 0) {
    // A device such as /dev/full cannot be cut; nothing reached it anyway.
  }
  ::close(fd_);
  fd_ = -1;
  used_ = 0;
  stop_ = Stop::kWriteError;
  stop_message_ = "Cannot write the trace log " + Quoted(path_) + ": " + std::strerror(error_number) +
                  ". Tracing is off; the log keeps the lines written before.";
}

void TraceLog::StopAtLimit() {
  char* p = buffer_.data() + used_;
  if (used_ + kMarkTraceLimit.size() + 2 > buffer_.size()) {
    if (!Drain()) return;
    p = buffer_.data();
  }
  p = PutText(p, kMarkTraceLimit);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
  if (!Drain()) return;
  ::close(fd_);
  fd_ = -1;
  stop_ = Stop::kLimit;
  const std::string limit = limit_ % (1 << 20) == 0 ? std::to_string(limit_ >> 20) + " MB"
                                                    : std::to_string(limit_) + " bytes";
  stop_message_ = "The trace log " + Quoted(path_) + " reached its limit of " + limit + ". Tracing is off.";
}

void TraceLog::WriteLine(std::string_view text) {
  char* p = Reserve(text.size() + 2);
  if (p == nullptr) return;
  p = PutText(p, text);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
}

void TraceLog::WriteInstruction(const InstructionRecord& record, int opcode, int operand, const MachineState& s) {
  char* p = Reserve(kLineBuffer);
  if (p == nullptr) return;
  p = BuildInstruction(p, record, opcode, operand, s);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
}

void TraceLog::WriteIllegal(int opcode) {
  char* p = Reserve(kLineBuffer);
  if (p == nullptr) return;
  p = PutText(p, "Illegal Instruction (Halt) on:");
  p = PutHexByte(p, opcode);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
}

void TraceLog::Flush() { Drain(); }

void TraceLog::Close() {
  if (fd_ < 0) return;
  if (Drain()) {
    ::close(fd_);
    fd_ = -1;
  }
}

std::string TraceLog::FormatInstruction(const InstructionRecord& record, int opcode, int operand,
                                        const MachineState& s) {
  char buf[kLineBuffer];
  return std::string(buf, BuildInstruction(buf, record, opcode, operand, s));
}

}  // namespace scmp
