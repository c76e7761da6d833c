// The instruction table: the fixed-column reader, line ends, the line limit,
// the group rule in execution, and the shipped SCMP.DEL.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/bare_board.h"
#include "core/decode.h"
#include "core/processor.h"
#include "core/table.h"
#include "core/file_reader.h"
#include "tests/support/test_util.h"

namespace {

using scmp::InstructionRecord;
using scmp::InstructionTable;

std::string Field(std::string_view f) { return std::string(f); }
std::string Mn(const InstructionRecord& r) { return Field(scmp::FieldText(r.Mnemonic)); }
std::string Am(const InstructionRecord& r) { return Field(scmp::FieldText(r.Amode)); }
std::string Rg(const InstructionRecord& r) { return Field(scmp::FieldText(r.Register)); }
std::string Cf(const InstructionRecord& r) { return Field(scmp::FieldText(r.Cflag)); }
std::string Of(const InstructionRecord& r) { return Field(scmp::FieldText(r.OFlag)); }
std::string Op(const InstructionRecord& r) { return Field(scmp::FieldText(r.Operation)); }

InstructionRecord Nul() { return InstructionRecord{}; }

TEST(RecordFromLine, FixedColumns) {
  struct Case {
    std::string line, mn, am, rg, cf, of, op;
  };
  const std::vector<Case> cases = {
      {"LD  DP1CO LD disp(P1)   M", "LD  ", "D", "P1", "C", "O", "M"},
      {"HALT", "HALT", " ", "  ", " ", " ", "T"},
      {"LD", "LD  ", " ", "  ", " ", " ", "D"},
      {"", "    ", " ", "  ", " ", " ", " "},
      {"ABCDE", "ABCD", "E", "  ", " ", " ", "E"},
      {"ABCDEF", "ABCD", "E", "F ", " ", " ", "F"},
      {"ABCDEFGHI", "ABCD", "E", "FG", "H", "I", "I"},
      {"ABCDEFGHIJ", "ABCD", "E", "FG", "H", "I", "J"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCD", "E", "FG", "H", "I", "Z"},
      {"    anything at all     -", "    ", "a", "ny", "t", "h", "-"},
      {"ld  @p2", "ld  ", "@", "p2", " ", " ", "2"},
      {"XY Z", "XY Z", " ", "  ", " ", " ", "Z"},
      {"a ", "a   ", " ", "  ", " ", " ", " "},
      {std::string("LD\0\0D\0P", 7), std::string("LD\0\0", 4), "D", std::string("\0P", 2), " ", " ", "P"},
      {std::string(10, '\0'), std::string(4, '\0'), std::string(1, '\0'), std::string(2, '\0'),
       std::string(1, '\0'), std::string(1, '\0'), std::string(1, '\0')},
      {"\xC4\xE9\xFF\x80\xA0\x81\x82\x83\x84\x85\xFE", "\xC4\xE9\xFF\x80", "\xA0", "\x81\x82", "\x83", "\x84",
       "\xFE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const InstructionRecord r = InstructionTable::RecordFromLine(c.line);
    EXPECT_EQ(Mn(r), c.mn);
    EXPECT_EQ(Am(r), c.am);
    EXPECT_EQ(Rg(r), c.rg);
    EXPECT_EQ(Cf(r), c.cf);
    EXPECT_EQ(Of(r), c.of);
    EXPECT_EQ(Op(r), c.op);
  }
}

TEST(RecordFromLine, OnlyFourBlanksAreUndefined) {
  EXPECT_TRUE(InstructionTable::RecordFromLine("").IsUndefined());
  EXPECT_TRUE(InstructionTable::RecordFromLine("    xyz").IsUndefined());
  EXPECT_FALSE(InstructionTable::RecordFromLine(" X").IsUndefined());
  EXPECT_FALSE(InstructionTable::RecordFromLine(std::string("   \0", 4)).IsUndefined());
  EXPECT_FALSE(InstructionTable::RecordFromLine("\t").IsUndefined());
  EXPECT_FALSE(Nul().IsUndefined());
}

TEST(RightTrim, RemovesTrailingBlanksOnly) {
  EXPECT_EQ(scmp::RightTrim("LD  "), "LD");
  EXPECT_EQ(scmp::RightTrim("    "), "");
  EXPECT_EQ(scmp::RightTrim(""), "");
  EXPECT_EQ(scmp::RightTrim(" A "), " A");
  EXPECT_EQ(scmp::RightTrim(std::string_view("LD\0 ", 4)), std::string_view("LD\0", 3));
  EXPECT_EQ(scmp::RightTrim(std::string_view("\0\0", 2)), std::string_view("\0\0", 2));
  EXPECT_EQ(scmp::RightTrim("A\t"), "A\t");
  EXPECT_EQ(scmp::RightTrim("HALT"), "HALT");
}

// The records a text should give, by an independent reading of the rules.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  size_t i = 0;
  bool open = false;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      open = false;
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    } else {
      cur.push_back(c);
      open = true;
      ++i;
    }
  }
  if (open) lines.push_back(cur);
  return lines;
}

void ExpectTableFromLines(const InstructionTable& t, const std::vector<std::string>& lines) {
  for (int n = 0; n < 256; ++n) {
    const InstructionRecord want =
        n < static_cast<int>(lines.size()) ? InstructionTable::RecordFromLine(lines[n]) : Nul();
    EXPECT_TRUE(t.records[n] == want) << "record " << n;
  }
}

TEST(Parse, LineEndsCrLfCrAndLf) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"\r\n", {""}},
      {"\n", {""}},
      {"\r", {""}},
      {"HALT\r\nXAE \r\nCCL ", {"HALT", "XAE ", "CCL "}},
      {"HALT\nXAE\rCCL\r\n", {"HALT", "XAE", "CCL"}},
      {"A\r\r\nB", {"A", "", "B"}},
      {"A\n\rB", {"A", "", "B"}},
      {"A\n\nB\n", {"A", "", "B"}},
      {"\r\n\r\nLD  DP1", {"", "", "LD  DP1"}},
      {std::string("\0\0\0\0\0\r\nX", 8), {std::string(5, '\0'), "X"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    ASSERT_EQ(SplitLines(c.text), c.lines);  // the helper itself
    InstructionTable t;
    std::string error;
    ASSERT_TRUE(t.Parse(c.text, "T.DEL", &error)) << error;
    ExpectTableFromLines(t, c.lines);
  }
}

std::string Lines(int count, const char* end = "\r\n") {
  std::string text;
  for (int i = 0; i < count; ++i) text += "L" + std::to_string(i % 1000) + "  DP1-- x" + std::to_string(i % 10) + end;
  return text;
}

TEST(Parse, ExactlyAndFewerThan256LinesAreAccepted) {
  for (const std::string& text : {Lines(256), Lines(256).substr(0, Lines(256).size() - 2), Lines(200), Lines(256, "\n")}) {
    InstructionTable t;
    std::string error;
    ASSERT_TRUE(t.Parse(text, "T.DEL", &error)) << error;
    ExpectTableFromLines(t, SplitLines(text));
  }
}

TEST(Parse, MoreThan256LinesAreRefusedNamingTheFile) {
  const std::string good = "HALT\r\nXAE\r\n";
  for (const std::string& text : {Lines(257), Lines(256) + "\r\n", Lines(256) + "X", Lines(400, "\r")}) {
    InstructionTable t;
    std::string error;
    ASSERT_TRUE(t.Parse(good, "first.del", &error));
    const InstructionTable before = t;
    error.clear();
    EXPECT_FALSE(t.Parse(text, "/some/where/SCMP.DEL", &error));
    EXPECT_NE(error.find("/some/where/SCMP.DEL"), std::string::npos) << error;
    for (int n = 0; n < 256; ++n) ASSERT_TRUE(t.records[n] == before.records[n]) << n;
  }
}

TEST(Load, ReadsAFileAndNamesAMissingOne) {
  scmp::test::TempDir dir;
  const std::string text = "HALT\r\n\r\nLD  DP1-- z\nCCL";
  const std::string path = dir.Write("SCMP.DEL", text);
  InstructionTable t;
  std::string error;
  ASSERT_TRUE(t.Load(path, &error)) << error;
  ExpectTableFromLines(t, {"HALT", "", "LD  DP1-- z", "CCL"});

  const std::string missing = dir.File("nothing/SCMP.DEL");
  InstructionTable u;
  error.clear();
  EXPECT_FALSE(u.Load(missing, &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;

  const std::string big = dir.Write("BIG.DEL", Lines(300));
  error.clear();
  EXPECT_FALSE(u.Load(big, &error));
  EXPECT_NE(error.find("BIG.DEL"), std::string::npos) << error;
}

// A file without a single line would leave every opcode doing nothing: it is
// refused. A short one loads, with a warning counting the opcodes left out.
// `n` lines of bytes that are not text, as a damaged or foreign file holds.
std::string Garbage(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::string("\x01\xFE\x80garbage\x7F", 12) + "\r\n";
  return text;
}

TEST(Load, AnEmptyFileIsRefusedAndAShortOneWarns) {
  struct Case {
    std::string text;
    bool loads;
    const char* message;  // in the error or the warning; "" for none
  };
  const std::vector<Case> cases = {
      {"", false, "holds no line"},
      {"HALT\r\n", true, "255 opcodes (01 to FF) have no record"},
      {Lines(200), true, "56 opcodes (C8 to FF) have no record"},
      {Lines(256), true, ""},
      // Mostly binary: refused, not run as garbage. Half of the lines as
      // records still loads.
      {Garbage(160), false, "is not an instruction file"},
      {Lines(100) + Garbage(101), false, "only 100 of its 201 lines"},
      {Lines(100) + Garbage(100), true, "56 opcodes (C8 to FF)"},
  };
  for (const Case& c : cases) {
    scmp::test::TempDir dir;
    const std::string path = dir.Write("SCMP.DEL", c.text);
    InstructionTable t;
    std::string error, warning;
    EXPECT_EQ(t.Load(path, &error, &warning), c.loads) << c.message;
    const std::string& said = c.loads ? warning : error;
    if (*c.message == '\0') {
      EXPECT_EQ(said, "");
    } else {
      EXPECT_NE(said.find(c.message), std::string::npos) << said;
      EXPECT_NE(said.find(path), std::string::npos) << said;
    }
  }
}

// Text from a file in a message: bytes that are not printable are written
// as \xNN, and a long text is cut.
TEST(Quoted, EscapesBytesAndCutsLongText) {
  const struct {
    std::string text;
    size_t limit;
    std::string shown;
  } cases[] = {
      {"COUNTER.RAM", std::string_view::npos, "\"COUNTER.RAM\""},
      {std::string("a\0b\xFF\x1B[2J\x7F", 9), std::string_view::npos, "\"a\\x00b\\xFF\\x1B[2J\\x7F\""},
      {std::string(61, 'x'), scmp::kQuotedTextLimit, "\"" + std::string(60, 'x') + "...\""},
      {std::string(60, 'x'), scmp::kQuotedTextLimit, "\"" + std::string(60, 'x') + "\""},
      // Characters stay whole; controls, bidirectional controls and
      // noncharacters, cut or overlong sequences are bytes.
      {"caf\xC3\xA9 \xE2\x82\xAC", std::string_view::npos, "\"caf\xC3\xA9 \xE2\x82\xAC\""},
      {"\xC2\x9B\xE2\x80\xAE\xEF\xBF\xBF\xC3 \xC0\xAF", std::string_view::npos,
       "\"\\xC2\\x9B\\xE2\\x80\\xAE\\xEF\\xBF\\xBF\\xC3 \\xC0\\xAF\""},
      {"\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\"\xC3\xA9\xC3\xA9...\""},
  };
  for (const auto& c : cases) EXPECT_EQ(scmp::Quoted(c.text, c.limit), c.shown);
}

// ---- The group rule in execution -------------------------------------------

class GroupRule : public ::testing::Test {
 protected:
  // Puts `line` at `opcode`, the opcode at 0x001 and 0xAB at 0x002, and
  // performs one fetch and execution from P0 = 0.
  void StepWith(int opcode, const std::string& line) {
    InstructionTable t;
    t.records[opcode] = InstructionTable::RecordFromLine(line);
    cpu.SetTable(t);
    cpu.memory.data[1] = static_cast<int16_t>(opcode);
    cpu.memory.data[2] = 0xAB;
    cpu.state = {0x00, 0x00, 0x05, {0x000, 0x200, 0x300, 0x400}};
    cpu.halt_requested = false;
    board.halt_led = false;
    memory_before_ = cpu.memory;
    const scmp::Fetched f = cpu.FetchInstruction();
    cpu.ExecuteInstruction(f.opcode, f.operand);
  }
  // Nothing but the fetch's advance of P0 happened.
  void ExpectNothing(int length) {
    const scmp::MachineState want{0x00, 0x00, 0x05, {static_cast<int16_t>(length), 0x200, 0x300, 0x400}};
    EXPECT_EQ(cpu.state, want);
    EXPECT_TRUE(cpu.memory == memory_before_);
    EXPECT_FALSE(cpu.halt_requested);
    EXPECT_FALSE(board.halt_led);
    EXPECT_EQ(board.led_writes, 0);
    EXPECT_EQ(board.delay_steps, 0u);
  }

  scmp::BareBoard board;
  scmp::Processor cpu{board};
  scmp::MemoryArray memory_before_;
};

TEST_F(GroupRule, MnemonicsOutsideTheirGroupOrMisspeltDoNothing) {
  struct Case {
    int opcode;
    std::string line;
  };
  const std::vector<Case> cases = {
      {0x41, "LD  DP1"},        // two-byte mnemonic on a one-byte opcode
      {0x10, "JMP DP0"},
      {0x11, "LDI"},
      {0x12, "DLY"},
      {0x90, "HALT"},           // one-byte mnemonics on two-byte opcodes
      {0x81, "XAE"},
      {0xC7, "SCL"},
      {0x82, "XPPCDP1"},
      {0xC1, "ld  DP1"},        // lower case
      {0x00, "halt"},
      {0x01, "Xae"},
      {0xC4, " LDI"},           // leading blank
      {0xC1, std::string("LD\0 DP1", 7)},  // NUL inside the mnemonic
      {0x02, std::string("CCL\0", 4)},
      {0xC2, "LDX DP1"},        // unknown
      {0x03, "FOO"},
      {0x30, "XPA P0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.opcode << " " << ::testing::PrintToString(c.line));
    StepWith(c.opcode, c.line);
    ExpectNothing(c.opcode & 0x80 ? 2 : 1);
  }
}

TEST_F(GroupRule, NulRecordsAreNoOperationsInBothGroups) {
  for (int opcode : {0x00, 0x07, 0x3F, 0x7F, 0x80, 0xC4, 0xC8, 0xFF}) {
    SCOPED_TRACE(opcode);
    InstructionTable t;  // all NUL
    cpu.SetTable(t);
    EXPECT_FALSE(t[opcode].IsUndefined());
    cpu.memory.data[1] = static_cast<int16_t>(opcode);
    cpu.memory.data[2] = 0xAB;
    cpu.state = {0x00, 0x00, 0x05, {0x000, 0x200, 0x300, 0x400}};
    cpu.halt_requested = false;
    memory_before_ = cpu.memory;
    const scmp::Fetched f = cpu.FetchInstruction();
    cpu.ExecuteInstruction(f.opcode, f.operand);
    ExpectNothing(opcode & 0x80 ? 2 : 1);
  }
}

TEST_F(GroupRule, BlankMnemonicHaltsInBothGroups) {
  for (int opcode : {0x09, 0x55, 0x80, 0xCC}) {
    for (const std::string& line : {std::string(""), std::string("    "), std::string("    DP1CO X")}) {
      SCOPED_TRACE(::testing::Message() << opcode << " " << ::testing::PrintToString(line));
      StepWith(opcode, line);
      EXPECT_TRUE(cpu.halt_requested);
      EXPECT_TRUE(board.halt_led);
      EXPECT_EQ(cpu.state.P[0], opcode & 0x80 ? 2 : 1);
    }
  }
}

TEST_F(GroupRule, TrailingBlanksAndOtherColumnsDoNotMatter) {
  StepWith(0x41, "XAE ####### q");  // XAE on another opcode works
  EXPECT_EQ(cpu.state.A, 0x05);
  EXPECT_EQ(cpu.state.E, 0x00);
  StepWith(0x8E, "LDI");  // LDI on any two-byte opcode
  EXPECT_EQ(cpu.state.A, 0xAB);
  StepWith(0x22, "HALT");
  EXPECT_TRUE(cpu.halt_requested);
}

TEST_F(GroupRule, TheOperandChoosesTheGroup) {
  // ExecuteInstruction decides the group by the operand it is given.
  InstructionTable t;
  t.records[0x10] = InstructionTable::RecordFromLine("LDI");
  t.records[0xC4] = InstructionTable::RecordFromLine("XAE");
  cpu.SetTable(t);
  cpu.state.A = 0x11;
  cpu.state.E = 0x22;
  cpu.ExecuteInstruction(0x10, 0x33);
  EXPECT_EQ(cpu.state.A, 0x33);
  cpu.ExecuteInstruction(0x10, -1);
  EXPECT_EQ(cpu.state.A, 0x33);
  cpu.ExecuteInstruction(0xC4, -1);
  EXPECT_EQ(cpu.state.A, 0x22);
  EXPECT_EQ(cpu.state.E, 0x33);
  cpu.ExecuteInstruction(0xC4, 0x44);
  EXPECT_EQ(cpu.state.A, 0x22);
}

TEST_F(GroupRule, SetTableTakesACopy) {
  InstructionTable t;
  t.records[0x03] = InstructionTable::RecordFromLine("SCL");
  cpu.SetTable(t);
  t.records[0x03] = InstructionTable::RecordFromLine("CCL");
  cpu.state.SR = 0;
  cpu.ExecuteInstruction(0x03, -1);
  EXPECT_EQ(cpu.state.SR, 0x80);
  EXPECT_EQ(scmp::RightTrim(scmp::FieldText(cpu.table()[0x03].Mnemonic)), "SCL");
}

// ---- The shipped instruction file --------------------------------------------

struct Expected {
  std::string mnemonic;  // "" = undefined
  std::string mode;      // trimmed Amode to check, or "?" when not read
  int pointer = -1;      // -1 when not read
};

std::map<int, Expected> ShippedMap() {
  std::map<int, Expected> m;
  auto one = [&](int op, const char* mn) { m[op] = {mn, "?", -1}; };
  one(0x00, "HALT"); one(0x01, "XAE"); one(0x02, "CCL"); one(0x03, "SCL"); one(0x04, "DINT");
  one(0x05, "IEN"); one(0x06, "CSA"); one(0x07, "CAS"); one(0x08, "NOP"); one(0x19, "SIO");
  one(0x1C, "SR"); one(0x1D, "SRL"); one(0x1E, "RR"); one(0x1F, "RRL"); one(0x40, "LDE");
  one(0x50, "ANE"); one(0x58, "ORE"); one(0x60, "XRE"); one(0x68, "DAE"); one(0x70, "ADE");
  one(0x78, "CAE");
  for (int p = 0; p < 4; ++p) {
    m[0x30 + p] = {"XPAL", "?", p};
    m[0x34 + p] = {"XPAH", "?", p};
    m[0x3C + p] = {"XPPC", "?", p};
    m[0x90 + p] = {"JMP", "?", p};
    m[0x94 + p] = {"JP", "?", p};
    m[0x98 + p] = {"JZ", "?", p};
    m[0x9C + p] = {"JNZ", "?", p};
    m[0xA8 + p] = {"ILD", "D", p};
    m[0xB8 + p] = {"DLD", "D", p};
  }
  one(0x8F, "DLY");
  const struct {
    int base;
    const char* mem;
    const char* imm;
  } groups[] = {{0xC0, "LD", "LDI"},  {0xC8, "ST", nullptr}, {0xD0, "AND", "ANI"}, {0xD8, "OR", "ORI"},
                {0xE0, "XOR", "XRI"}, {0xE8, "DAD", "DAI"},  {0xF0, "ADD", "ADI"}, {0xF8, "CAD", "CAI"}};
  for (const auto& g : groups) {
    for (int p = 0; p < 4; ++p) m[g.base + p] = {g.mem, "D", p};
    if (g.imm) one(g.base + 4, g.imm);
    for (int p = 1; p < 4; ++p) m[g.base + 4 + p] = {g.mem, "@", p};
  }
  return m;
}

TEST(ShippedFile, IsExactly256CrLfLines) {
  const std::string text = scmp::test::ReadFile(scmp::test::SourceDataDir() + "SCMP.DEL");
  ASSERT_FALSE(text.empty());
  int lines = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_GT(i, 0u);
      ASSERT_EQ(text[i - 1], '\r') << "line " << lines + 1;
      ++lines;
    } else if (text[i] == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "line " << lines + 1;
    }
  }
  EXPECT_EQ(lines, 256);
  EXPECT_EQ(text.back(), '\n');
}

TEST(ShippedFile, EveryOpcodeDecodesAsTheScmpDefinesIt) {
  InstructionTable t;
  std::string error;
  ASSERT_TRUE(t.Load(scmp::test::SourceDataDir() + "SCMP.DEL", &error)) << error;
  scmp::BareBoard board;
  scmp::Processor cpu(board);
  cpu.SetTable(t);
  const std::map<int, Expected> map = ShippedMap();
  int defined = 0;
  for (int op = 0; op < 256; ++op) {
    SCOPED_TRACE(::testing::Message() << "opcode " << std::hex << op);
    const InstructionRecord& r = t[op];
    const scmp::Decoded& d = cpu.decode().natural[op];
    auto it = map.find(op);
    if (it == map.end()) {
      EXPECT_TRUE(r.IsUndefined());
      EXPECT_EQ(d.op, scmp::Op::kUndefined);
      continue;
    }
    ++defined;
    const Expected& e = it->second;
    EXPECT_FALSE(r.IsUndefined());
    EXPECT_EQ(scmp::RightTrim(scmp::FieldText(r.Mnemonic)), e.mnemonic);
    EXPECT_EQ(scmp::OpName(d.op), e.mnemonic);
    if (e.mode != "?") {
      EXPECT_EQ(scmp::RightTrim(scmp::FieldText(r.Amode)), e.mode);
      EXPECT_EQ(d.mode, e.mode == "D" ? scmp::EaMode::kDisplacement : scmp::EaMode::kAutoIndex);
    }
    if (e.pointer >= 0) {
      EXPECT_EQ(scmp::RightTrim(scmp::FieldText(r.Register)), "P" + std::to_string(e.pointer));
      EXPECT_EQ(d.pointer, e.pointer);
    }
    // No NUL anywhere in a shipped record.
    for (char c : Mn(r) + Am(r) + Rg(r) + Cf(r) + Of(r) + Op(r)) EXPECT_NE(c, '\0');
  }
  EXPECT_EQ(defined, 21 + 12 + 16 + 8 + 1 + 8 * 8 - 1);
}

}  // namespace
