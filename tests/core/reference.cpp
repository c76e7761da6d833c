// A second, plain implementation of the processor, which dispatches by
// comparing the right-trimmed texts of the opcode's record at every step and
// owns its own bus. Random instruction tables and random machine states run
// through it and through scmp::Processor side by side; after every step the
// registers, both memory planes, the LEDs, the flags, the halt lamp, the DLY
// count and the halt request must agree.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/processor.h"
#include "core/table.h"
#include "tests/support/record_columns.h"
#include "tests/support/test_util.h"

namespace {

using scmp::InstructionRecord;
using scmp::InstructionTable;

// ---- The plain reference -------------------------------------------------------

struct RefBoard {
  int switches = 0;
  int leds = 0;
  int led_writes = 0;
  int flags = 0;
  int flag_calls = 0;
  int halt_calls = 0;
  bool halt_led = false;
  uint64_t delay = 0;
};

std::string Trimmed(const char* p, size_t n) {
  std::string s(p, n);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int16_t Cell(int v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFF)); }

class RefCpu {
 public:
  int A = 0, SR = 0, E = 0;
  std::array<int16_t, 4> P{};
  std::array<int16_t, 4096> data{}, kind{};
  bool stop = false;
  RefBoard board;
  std::array<InstructionRecord, 256> table{};

  int Read(int address) const {
    if (address < 0 || address > 4095) return 0x55;
    switch (kind[address]) {
      case 0: return data[address];
      case 1: return board.switches;
      default: return 0xFE;
    }
  }
  void Write(int address, int value) {
    if (address < 0 || address > 4095) return;
    if (kind[address] == 0) {
      data[address] = Cell(value);
    } else if (kind[address] == 1) {
      board.leds = value;
      ++board.led_writes;
    }
  }

  void AdvanceP0() {
    P[0] = Cell(P[0] + 1);
    if (P[0] > 4095) P[0] = 0;
  }
  std::pair<int, int> Fetch() {
    AdvanceP0();
    const int opcode = Read(P[0]) & 0xFF;
    int operand = -1;
    if (opcode & 0x80) {
      AdvanceP0();
      operand = Read(P[0]) & 0xFF;
    }
    return {opcode, operand};
  }

  std::string Mnemonic(int opcode) const { return Trimmed(table[opcode].Mnemonic.data(), 4); }
  // Index of the named pointer, or -1.
  int Pointer(int opcode) const {
    const std::string r = Trimmed(table[opcode].Register.data(), 2);
    if (r == "P0") return 0;
    if (r == "P1") return 1;
    if (r == "P2") return 2;
    if (r == "P3") return 3;
    return -1;
  }
  std::string Mode(int opcode) const { return Trimmed(table[opcode].Amode.data(), 1); }

  static int Signed(int x) { return (x & 0x80) ? (x & 0xFF) - 256 : (x & 0xFF); }

  int EffectiveAddress(int opcode, int x) {
    if (x == 0x80) x = E;
    const int d = Signed(x);
    const int n = Pointer(opcode);
    const int base = n >= 0 ? P[n] : 0;
    const int s = (base + d) & 0xFFF;
    const std::string mode = Mode(opcode);
    if (mode == "D") return s;
    if (mode == "@") {
      if (n < 0) return s;
      if (d < 0) {
        P[n] = Cell(s);
        return s;
      }
      const int address = P[n];
      P[n] = Cell(s);
      return address;
    }
    return 0;
  }
  void Jump(int opcode, int x) {
    const int n = Pointer(opcode);
    const int base = n >= 0 ? P[n] : 0;
    P[0] = Cell((base + Signed(x)) & 0xFFF);
  }

  int BinaryAdd(int a, int b) {
    a &= 0xFF;
    b &= 0xFF;
    const int sum = a + b + ((SR & 0x80) ? 1 : 0);
    const int result = sum & 0xFF;
    SR &= ~0xC0;
    if (sum > 255) SR |= 0x80;
    if (((a & 0x80) == (b & 0x80)) && ((result & 0x80) != (a & 0x80))) SR |= 0x40;
    return result;
  }
  int DecimalAdd(int a, int b) {
    int low = (a & 0x0F) + (b & 0x0F) + ((SR & 0x80) ? 1 : 0);
    int carry = 0;
    if (low > 9) {
      low -= 10;
      carry = 1;
    }
    int high = ((a >> 4) & 0x0F) + ((b >> 4) & 0x0F) + carry;
    SR &= ~0x80;
    if (high > 9) {
      high -= 10;
      SR |= 0x80;
    }
    return (high * 16 + low) & 0xFF;
  }
  void Halt() {
    stop = true;
    board.halt_led = true;
    ++board.halt_calls;
  }

  void Execute(int opcode, int operand) {
    opcode &= 0xFF;
    const std::string m = Mnemonic(opcode);
    if (m.empty()) {
      Halt();
      return;
    }
    if (operand == -1) {
      const int n = Pointer(opcode);
      if (m == "XPAL") {
        if (n >= 0) {
          const int old = A;
          A = P[n] & 0xFF;
          P[n] = Cell((P[n] & 0xFF00) | (old & 0xFF));
        }
      } else if (m == "XPAH") {
        if (n >= 0) {
          const int old = A;
          A = (static_cast<uint16_t>(P[n]) >> 8) & 0xFF;
          P[n] = Cell(((old & 0xFF) << 8) | (P[n] & 0xFF));
        }
      } else if (m == "XPPC") {
        if (n >= 1) std::swap(P[0], P[n]);
      } else if (m == "XAE") {
        std::swap(A, E);
      } else if (m == "LDE") {
        A = E;
      } else if (m == "ANE") {
        A &= E;
      } else if (m == "ORE") {
        A |= E;
      } else if (m == "XRE") {
        A ^= E;
      } else if (m == "ADE") {
        A = BinaryAdd(A, E);
      } else if (m == "CAE") {
        A = BinaryAdd(A, E ^ 0xFF);
      } else if (m == "DAE") {
        A = DecimalAdd(A, E);
      } else if (m == "IEN") {
        SR |= 0x08;
      } else if (m == "DINT") {
        SR &= 0xF7;
      } else if (m == "CCL") {
        SR &= 0x7F;
      } else if (m == "SCL") {
        SR |= 0x80;
      } else if (m == "CAS") {
        SR = A;
        board.flags = SR & 7;
        ++board.flag_calls;
      } else if (m == "CSA") {
        A = SR;
      } else if (m == "NOP") {
      } else if (m == "SIO") {
        E = (E & 0xFF) >> 1;
      } else if (m == "SR") {
        A = (A & 0xFF) >> 1;
      } else if (m == "SRL") {
        A = ((A & 0xFF) >> 1) | ((SR & 0x80) ? 0x80 : 0);
      } else if (m == "RR") {
        A = ((A & 0xFF) >> 1) | ((A & 1) ? 0x80 : 0);
      } else if (m == "RRL") {
        const int old = A;
        A = ((A & 0xFF) >> 1) | ((SR & 0x80) ? 0x80 : 0);
        SR = (old & 1) ? (SR | 0x80) : (SR & 0x7F);
      } else if (m == "HALT") {
        Halt();
      }
      return;
    }
    if (m == "LD") {
      A = Read(EffectiveAddress(opcode, operand));
    } else if (m == "ST") {
      Write(EffectiveAddress(opcode, operand), A);
    } else if (m == "AND") {
      A &= Read(EffectiveAddress(opcode, operand));
    } else if (m == "OR") {
      A |= Read(EffectiveAddress(opcode, operand));
    } else if (m == "XOR") {
      A ^= Read(EffectiveAddress(opcode, operand));
    } else if (m == "ADD") {
      A = BinaryAdd(A, Read(EffectiveAddress(opcode, operand)));
    } else if (m == "CAD") {
      A = BinaryAdd(A, Read(EffectiveAddress(opcode, operand)) ^ 0xFF);
    } else if (m == "DAD") {
      A = DecimalAdd(A, Read(EffectiveAddress(opcode, operand)));
    } else if (m == "ILD" || m == "DLD") {
      const int ea = EffectiveAddress(opcode, operand);
      const int v = (Read(ea) + (m == "ILD" ? 1 : -1)) & 0xFF;
      Write(ea, v);
      A = v;
    } else if (m == "LDI") {
      A = operand;
    } else if (m == "ANI") {
      A &= operand;
    } else if (m == "ORI") {
      A |= operand;
    } else if (m == "XRI") {
      A ^= operand;
    } else if (m == "ADI") {
      A = BinaryAdd(A, operand);
    } else if (m == "CAI") {
      A = BinaryAdd(A, operand ^ 0xFF);
    } else if (m == "DAI") {
      A = DecimalAdd(A, operand);
    } else if (m == "JMP") {
      Jump(opcode, operand);
    } else if (m == "JP") {
      if ((A & 0x80) == 0) Jump(opcode, operand);
    } else if (m == "JZ") {
      if (A == 0) Jump(opcode, operand);
    } else if (m == "JNZ") {
      if (A != 0) Jump(opcode, operand);
    } else if (m == "DLY") {
      board.delay += static_cast<uint64_t>(operand + 1) * 10000 + static_cast<uint64_t>(A + 1) * 40;
    }
  }

  uint32_t Run(uint32_t max_steps) {
    uint32_t steps = 0;
    while (steps < max_steps) {
      const auto f = Fetch();
      Execute(f.first, f.second);
      ++steps;
      if (stop) break;
    }
    return steps;
  }
};

// The board of the processor under test, counting the calls that the
// reference counts.
class CountingBoard : public scmp::BareBoard {
 public:
  int flag_calls = 0;
  int halt_calls = 0;
  void ShowFlagLeds(int16_t sr) override {
    BareBoard::ShowFlagLeds(sr);
    ++flag_calls;
  }
  void LightHaltLed() override {
    BareBoard::LightHaltLed();
    ++halt_calls;
  }
};

// ---- Random tables -------------------------------------------------------------

const std::vector<std::string> kOneByte = {"XPAL", "XPAH", "XPPC", "XAE", "LDE", "ANE", "ORE", "XRE",
                                           "ADE",  "CAE",  "DAE",  "IEN", "DINT", "CCL", "SCL", "CAS",
                                           "CSA",  "NOP",  "SIO",  "SR",  "SRL", "RR",  "RRL", "HALT"};
const std::vector<std::string> kTwoByte = {"JMP", "JP",  "JZ",  "JNZ", "LDI", "ANI", "ORI", "XRI",
                                           "ADI", "CAI", "DAI", "ILD", "DLD", "LD",  "ST",  "AND",
                                           "OR",  "XOR", "ADD", "DAD", "CAD", "DLY"};

class TableMaker {
 public:
  explicit TableMaker(uint32_t seed) : rng_(seed) {}

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }
  // Any character but the line ends.
  char AnyChar() {
    for (;;) {
      const char c = static_cast<char>(Pick(256));
      if (c != '\r' && c != '\n') return c;
    }
  }
  const std::string& Of(const std::vector<std::string>& v) { return v[Pick(static_cast<int>(v.size()))]; }

  std::string MnemonicText(int opcode) {
    const bool two = opcode & 0x80;
    const int r = Pick(100);
    std::string m;
    if (r < 55) {
      m = Of(two ? kTwoByte : kOneByte);
    } else if (r < 65) {
      m = Of(two ? kOneByte : kTwoByte);
    } else if (r < 73) {
      m = Of(Chance(50) ? kOneByte : kTwoByte);
      for (char& c : m)
        if (Chance(60)) c = static_cast<char>(c - 'A' + 'a');
    } else if (r < 79) {
      static const std::vector<std::string> unknown = {"FOO", "LDX", "XX", "A", "JMPS", "HLT", "NOPE", "D", "@"};
      m = Of(unknown);
    } else if (r < 84) {
      m = "    ";  // undefined
    } else if (r < 90) {
      // A valid name spoilt: NUL padding, a leading blank, a tab.
      m = Of(Chance(50) ? kOneByte : kTwoByte);
      const int how = Pick(3);
      if (how == 0 && m.size() < 4) m += '\0';
      if (how == 1 && m.size() < 4) m = " " + m;
      if (how == 2 && m.size() < 4) m += '\t';
    } else if (r < 95) {
      m = std::string(4, '\0');
    } else {
      m = std::string(1, AnyChar()) + AnyChar() + AnyChar() + AnyChar();
    }
    m.resize(4, ' ');
    return m;
  }
  char ModeChar() {
    const int r = Pick(100);
    if (r < 38) return 'D';
    if (r < 76) return '@';
    if (r < 82) return ' ';
    if (r < 86) return '\0';
    if (r < 90) return '#';
    return AnyChar();
  }
  std::string RegisterText() {
    const int r = Pick(100);
    if (r < 72) return "P" + std::to_string(Pick(4));
    static const std::vector<std::string> odd = {"P4", "p1", "  ", std::string(2, '\0'), "P ", " P", "1P", "P9", "PP"};
    if (r < 92) return Of(odd);
    return std::string(1, AnyChar()) + AnyChar();
  }

  // One line per opcode; the records it must give, and the text with mixed
  // line ends.
  void Make(std::array<InstructionRecord, 256>* records, std::string* text) {
    text->clear();
    for (int op = 0; op < 256; ++op) {
      std::string line;
      if (Chance(3)) {
        line = std::string(Pick(12), '\0');  // NUL characters, or an empty line
      } else {
        line = MnemonicText(op) + ModeChar() + RegisterText() + AnyChar() + AnyChar();
        const int middle = Pick(20);
        for (int i = 0; i < middle; ++i) line += AnyChar();
        line += AnyChar();
      }
      (*records)[op] = scmp::test::RecordByColumns(line);
      *text += line;
      // An LF right after a CR would join the CR into one line end.
      const bool after_cr = !text->empty() && text->back() == '\r';
      int end = Pick(3);
      if (end == 1 && after_cr && line.empty()) end = 0;
      *text += end == 0 ? "\r\n" : end == 1 ? "\n" : "\r";
    }
  }


  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
};

// ---- The comparison --------------------------------------------------------------

std::string Hex(int v) {
  std::ostringstream s;
  s << std::hex << std::uppercase << v;
  return s.str();
}

std::string Differences(const scmp::Processor& cpu, const CountingBoard& b, const RefCpu& ref) {
  std::ostringstream out;
  const scmp::MachineState& s = cpu.state;
  auto reg = [&](const char* name, int got, int want) {
    if (got != want) out << " " << name << " got " << Hex(got) << " want " << Hex(want) << ";";
  };
  reg("A", s.A, ref.A);
  reg("E", s.E, ref.E);
  reg("SR", s.SR, ref.SR);
  for (int i = 0; i < 4; ++i) reg(("P" + std::to_string(i)).c_str(), s.P[i], ref.P[i]);
  for (int a = 0; a < 4096; ++a) {
    if (cpu.memory.data[a] != ref.data[a]) {
      out << " data[" << Hex(a) << "] got " << Hex(cpu.memory.data[a]) << " want " << Hex(ref.data[a]) << ";";
      break;
    }
    if (cpu.memory.kind[a] != ref.kind[a]) {
      out << " kind[" << Hex(a) << "] changed;";
      break;
    }
  }
  reg("leds", b.leds, ref.board.leds);
  reg("led writes", b.led_writes, ref.board.led_writes);
  reg("flags", b.flags, ref.board.flags);
  reg("flag calls", b.flag_calls, ref.board.flag_calls);
  reg("halt calls", b.halt_calls, ref.board.halt_calls);
  reg("halt led", b.halt_led, ref.board.halt_led);
  reg("stop", cpu.halt_requested, ref.stop);
  if (b.delay_steps != ref.board.delay) out << " delay got " << b.delay_steps << " want " << ref.board.delay << ";";
  return out.str();
}

std::string Describe(const InstructionRecord& r) {
  std::string text(scmp::FieldText(r.Mnemonic));
  text += '|';
  text += scmp::FieldText(r.Amode);
  text += '|';
  text += scmp::FieldText(r.Register);
  return ::testing::PrintToString(text);
}

int RandomPointer(TableMaker& m) {
  const int r = m.Pick(100);
  if (r < 50) return m.Pick(4096);
  if (r < 70) return static_cast<int16_t>(m.Pick(65536));
  if (r < 80) {
    static const int edges[] = {0, 0xFFF, 0xFFE, 0x1000, 0x7FFF, 0x7FFE, -1, -2, -32768, -32767, 0x0FFF + 0x1000};
    return edges[m.Pick(static_cast<int>(std::size(edges)))];
  }
  return m.Pick(256);
}

void RandomRegisters(TableMaker& m, scmp::Processor& cpu, RefCpu& ref) {
  ref.A = m.Pick(256);
  ref.E = m.Pick(256);
  ref.SR = m.Pick(256);
  for (int i = 0; i < 4; ++i) ref.P[i] = static_cast<int16_t>(RandomPointer(m));
  cpu.state.A = static_cast<int16_t>(ref.A);
  cpu.state.E = static_cast<int16_t>(ref.E);
  cpu.state.SR = static_cast<int16_t>(ref.SR);
  cpu.state.P = ref.P;
}

void RandomMemory(TableMaker& m, scmp::Processor& cpu, RefCpu& ref) {
  static const int16_t odd_kinds[] = {3, -1, 255, 256, 257, 0x7FFF};
  for (int a = 0; a < 4096; ++a) {
    ref.data[a] = static_cast<int16_t>(m.Pick(256));
    const int r = m.Pick(100);
    ref.kind[a] = r < 85 ? 0 : r < 90 ? 1 : r < 95 ? 2 : odd_kinds[m.Pick(6)];
  }
  cpu.memory.data = ref.data;
  cpu.memory.kind = ref.kind;
}

// Runs `steps` random steps through both and stops at the first difference,
// which it reports.
void RunBoth(TableMaker& m, scmp::Processor& cpu, CountingBoard& board, RefCpu& ref, int steps, uint32_t seed) {
  RandomMemory(m, cpu, ref);
  RandomRegisters(m, cpu, ref);
  for (int step = 0; step < steps; ++step) {
    if (m.Chance(1)) RandomRegisters(m, cpu, ref);
    if (m.Chance(2)) {
      ref.board.switches = m.Pick(256);
      board.switches = static_cast<int16_t>(ref.board.switches);
    }
    if (m.Chance(5)) {
      ref.stop = false;
      cpu.halt_requested = false;
    }
    std::ostringstream what;
    const int mode = m.Pick(100);
    const int p0 = ref.P[0];
    if (mode < 75) {
      const auto want = ref.Fetch();
      const scmp::Fetched got = cpu.FetchInstruction();
      what << "fetch+execute at P0=" << Hex(p0) << " opcode " << Hex(want.first) << " operand " << want.second
           << " record " << Describe(ref.table[want.first]);
      if (got.opcode != want.first || got.operand != want.second) {
        ADD_FAILURE() << "seed " << seed << " step " << step << ": fetch got " << Hex(got.opcode) << "/"
                      << got.operand << ", " << what.str();
        return;
      }
      ref.Execute(want.first, want.second);
      cpu.ExecuteInstruction(got.opcode, got.operand);
    } else if (mode < 85) {
      const uint32_t n = 1 + m.Pick(m.Chance(50) ? 1 : 20);
      what << "Run(" << n << ") from P0=" << Hex(p0) << " stop " << ref.stop;
      const uint32_t want = ref.Run(n);
      const uint32_t got = cpu.Run(n);
      if (got != want) {
        ADD_FAILURE() << "seed " << seed << " step " << step << ": Run returned " << got << " want " << want << ", "
                      << what.str();
        return;
      }
    } else {
      // Straight to the executor, the group chosen by the operand alone.
      const int opcode = m.Pick(256);
      const int operand = m.Chance(50) ? -1 : m.Pick(256);
      what << "execute " << Hex(opcode) << " operand " << operand << " record " << Describe(ref.table[opcode]);
      ref.Execute(opcode, operand);
      cpu.ExecuteInstruction(opcode, operand);
    }
    const std::string diff = Differences(cpu, board, ref);
    if (!diff.empty()) {
      ADD_FAILURE() << "seed " << seed << " step " << step << ": " << what.str() << ":" << diff;
      return;
    }
  }
}

TEST(Reference, RandomTablesAndPrograms) {
  for (uint32_t seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE(seed);
    TableMaker m(seed * 7919u);
    RefCpu ref;
    std::string text;
    m.Make(&ref.table, &text);
    InstructionTable table;
    std::string error;
    ASSERT_TRUE(table.Parse(text, "random.del", &error)) << error;
    for (int op = 0; op < 256; ++op)
      ASSERT_TRUE(table.records[op] == ref.table[op]) << "record " << op << " " << Describe(ref.table[op]);
    CountingBoard board;
    scmp::Processor cpu(board);
    cpu.SetTable(table);
    RunBoth(m, cpu, board, ref, 3000, seed);
  }
}

TEST(Reference, ShippedTableWithRandomPrograms) {
  InstructionTable table;
  std::string error;
  ASSERT_TRUE(table.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
  for (uint32_t seed = 101; seed <= 108; ++seed) {
    SCOPED_TRACE(seed);
    TableMaker m(seed);
    RefCpu ref;
    ref.table = table.records;
    CountingBoard board;
    scmp::Processor cpu(board);
    cpu.SetTable(table);
    RunBoth(m, cpu, board, ref, 4000, seed);
  }
}

TEST(Reference, EveryOpcodeWithEveryMnemonic) {
  // Each mnemonic of either group on a one-byte and a two-byte opcode, in
  // each of the modes and pointers, from many random states.
  std::vector<std::string> names = kOneByte;
  names.insert(names.end(), kTwoByte.begin(), kTwoByte.end());
  names.push_back("    ");
  TableMaker m(4242);
  for (const std::string& name : names) {
    for (const char* mode : {"D", "@", " "}) {
      for (const char* reg : {"P0", "P1", "P2", "P3", "P7"}) {
        RefCpu ref;
        std::string padded = name;
        padded.resize(4, ' ');
        for (int op : {0x21, 0xA1}) ref.table[op] = scmp::test::RecordByColumns(padded + mode + reg + "--x");
        InstructionTable table;
        table.records = ref.table;
        CountingBoard board;
        scmp::Processor cpu(board);
        cpu.SetTable(table);
        RandomMemory(m, cpu, ref);
        for (int i = 0; i < 40; ++i) {
          RandomRegisters(m, cpu, ref);
          const int op = m.Chance(50) ? 0x21 : 0xA1;
          const int operand = op == 0x21 ? -1 : (m.Chance(20) ? 0x80 : m.Pick(256));
          ref.Execute(op, operand);
          cpu.ExecuteInstruction(op, operand);
          const std::string diff = Differences(cpu, board, ref);
          if (!diff.empty()) {
            ADD_FAILURE() << name << " " << mode << " " << reg << " opcode " << Hex(op) << " operand " << operand
                          << ":" << diff;
            break;
          }
        }
      }
    }
  }
}

}  // namespace
