#include "trainer/trace_log.h"

#include <cerrno>
#include <cstring>

#include "core/hex.h"

namespace scmp {

namespace {

constexpr size_t kBufferSize = 1 << 20;

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

bool TraceLog::Open(const std::string& path, std::string* error) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    if (error) *error = "Cannot create the trace log " + path + ": " + std::strerror(errno) + ".";
    return false;
  }
  // The log keeps its own buffer and hands it to the file in large pieces;
  // lines are not flushed one by one.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.resize(kBufferSize);
  used_ = 0;
  path_ = path;
  return true;
}

// Room for one more line of `n` characters, writing out what is buffered
// when the buffer is full.
inline char* TraceLog::Reserve(size_t n) {
  if (used_ + n > buffer_.size()) {
    Drain();
    if (n > buffer_.size()) buffer_.resize(n);
  }
  return buffer_.data() + used_;
}

void TraceLog::Drain() {
  if (file_ != nullptr && used_ > 0) std::fwrite(buffer_.data(), 1, used_, file_);
  used_ = 0;
}

void TraceLog::WriteLine(std::string_view text) {
  if (file_ == nullptr) return;
  char* p = Reserve(text.size() + 2);
  p = PutText(p, text);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
}

void TraceLog::WriteInstruction(const InstructionRecord& record, int opcode, int operand, const MachineState& s) {
  if (file_ == nullptr) return;
  char* p = BuildInstruction(Reserve(kLineBuffer), record, opcode, operand, s);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
}

void TraceLog::WriteIllegal(int opcode) {
  if (file_ == nullptr) return;
  char* p = PutText(Reserve(kLineBuffer), "Illegal Instruction (Halt) on:");
  p = PutHexByte(p, opcode);
  *p++ = '\r';
  *p++ = '\n';
  used_ = static_cast<size_t>(p - buffer_.data());
}

void TraceLog::Flush() {
  Drain();
  if (file_ != nullptr) std::fflush(file_);
}

void TraceLog::Close() {
  if (file_ != nullptr) {
    Drain();
    std::fclose(file_);
    file_ = nullptr;
  }
}

std::string TraceLog::FormatInstruction(const InstructionRecord& record, int opcode, int operand,
                                        const MachineState& s) {
  char buf[kLineBuffer];
  return std::string(buf, BuildInstruction(buf, record, opcode, operand, s));
}

}  // namespace scmp
