#include "settings/trace_log.h"

#include <cerrno>
#include <cstring>

namespace scmp {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Appends the hexadecimal digits of `value` (upper case, at least
// `min_digits`) at `out`; a negative value gives the digits of its 16-bit
// two's complement. Returns the end.
char* PutHex(char* out, int value, int min_digits) {
  unsigned v = value < 0 ? static_cast<uint16_t>(value) : static_cast<unsigned>(value);
  char digits[8];
  int n = 0;
  do {
    digits[n++] = kHexDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (n < min_digits) digits[n++] = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

template <size_t N>
char* PutField(char* out, const std::array<char, N>& field) {
  std::memcpy(out, field.data(), N);
  return out + N;
}

char* PutText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
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
  p = PutHex(p, s.P[0], 4);
  *p++ = ' ';
  p = PutHex(p, opcode, 2);
  *p++ = ' ';
  if (operand == -1) {
    p = PutText(p, "   ");
  } else {
    p = PutHex(p, operand, 2);
    *p++ = ' ';
  }
  p = PutText(p, "P0-3: ");
  for (int i = 0; i < 4; ++i) {
    p = PutHex(p, s.P[i], 4);
    *p++ = ' ';
  }
  p = PutText(p, "A,EX,ST: ");
  p = PutHex(p, s.A, 2);
  *p++ = ' ';
  p = PutHex(p, s.E, 2);
  *p++ = ' ';
  p = PutHex(p, s.SR, 2);
  *p++ = ' ';
  return p;
}

constexpr size_t kLineBuffer = 128;  // 71 characters, more only for odd register values

}  // namespace

std::string HexByte(int value) {
  char buf[8];
  return std::string(buf, PutHex(buf, value, 2));
}

std::string HexWord(int value) {
  char buf[8];
  return std::string(buf, PutHex(buf, value, 4));
}

bool TraceLog::Open(const std::string& path, std::string* error) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    if (error) *error = "Cannot create the trace log " + path + ": " + std::strerror(errno) + ".";
    return false;
  }
  // Lines are not flushed one by one; a large buffer keeps tracing cheap.
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  path_ = path;
  return true;
}

void TraceLog::WriteLine(std::string_view text) {
  if (file_ == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fwrite("\r\n", 1, 2, file_);
}

void TraceLog::WriteInstruction(const InstructionRecord& record, int opcode, int operand, const MachineState& s) {
  if (file_ == nullptr) return;
  char buf[kLineBuffer];
  char* end = BuildInstruction(buf, record, opcode, operand, s);
  *end++ = '\r';
  *end++ = '\n';
  std::fwrite(buf, 1, static_cast<size_t>(end - buf), file_);
}

void TraceLog::WriteIllegal(int opcode) {
  if (file_ == nullptr) return;
  char buf[48];
  char* end = PutText(buf, "Illegal Instruction (Halt) on:");
  end = PutHex(end, opcode, 2);
  *end++ = '\r';
  *end++ = '\n';
  std::fwrite(buf, 1, static_cast<size_t>(end - buf), file_);
}

void TraceLog::Flush() {
  if (file_ != nullptr) std::fflush(file_);
}

void TraceLog::Close() {
  if (file_ != nullptr) {
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
