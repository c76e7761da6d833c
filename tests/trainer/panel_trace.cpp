// The trace log as the panel writes it: markers, instruction lines, the
// illegal-instruction line, line ends, and when nothing is written.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace {

using scmp::PanelModel;

const char kRunMode[] = "------Run Mode-------";
const char kEnd[] = "------End of Trace -------";
const char kProgramMode[] = "------Program Mode-------";
const char kReset[] = "------Reset-------";
const char kSStepOn[] = "------SStep ON-------";
const char kSStepOff[] = "------SStep Off-------";

std::string Hex(int value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<unsigned>(value) & (digits == 2 ? 0xFFu : 0xFFFFu));
  return buf;
}

// The instruction line, put together field by field.
std::string InstructionLine(const scmp::InstructionRecord& r, int opcode, int operand, const scmp::MachineState& s) {
  std::string line(r.Mnemonic.data(), 4);
  line += ' ';
  for (std::string_view f : {scmp::FieldText(r.Amode), scmp::FieldText(r.Register), scmp::FieldText(r.Cflag),
                             scmp::FieldText(r.OFlag), scmp::FieldText(r.Operation)}) {
    line += f;
    line += ' ';
  }
  line += Hex(s.P[0], 4) + " " + Hex(opcode, 2) + " ";
  line += operand < 0 ? "   " : Hex(operand, 2) + " ";
  line += "P0-3: ";
  for (int i = 0; i < 4; ++i) line += Hex(s.P[i], 4) + " ";
  line += "A,EX,ST: " + Hex(s.A, 2) + " " + Hex(s.E, 2) + " " + Hex(s.SR, 2) + " ";
  return line;
}

class Trace : public ::testing::Test {
 protected:
  void SetUp() override { StartWith(scmp::test::ReadFile(scmp::test::SourceDataDir() + "SCMP.DEL")); }
  void StartWith(const std::string& table) {
    dir.Write("SCMP.DEL", table);
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(dir.path().string() + "/", &error)) << error;
    log = dir.File("TRACE.LOG");
    ASSERT_TRUE(model.EnableTrace(log, &error)) << error;
    ASSERT_TRUE(model.Options().trace_on);
  }
  void Put(int address, const std::vector<int>& bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) model.Memory().data[address + i] = static_cast<int16_t>(bytes[i]);
  }
  // The file's lines; every line must end in CR LF.
  std::vector<std::string> Lines(bool flush = true) {
    if (flush) model.Trace().Flush();
    const std::string text = scmp::test::ReadFile(log);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find("\r\n", start);
      if (end == std::string::npos) {
        ADD_FAILURE() << "text after the last CR LF: " << ::testing::PrintToString(text.substr(start));
        break;
      }
      const std::string line = text.substr(start, end - start);
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << ::testing::PrintToString(line);
      lines.push_back(line);
      start = end + 2;
    }
    return lines;
  }

  scmp::test::TempDir dir;
  PanelModel model;
  std::string log;
};

TEST_F(Trace, ExactLinesForOneByteTwoByteJumpAndUndefined) {
  Put(0x001, {
                 0x08,        // 0001 NOP
                 0xC4, 0x5A,  // 0002 LDI 5A
                 0x90, 0x10,  // 0004 JMP +16 -> P0 = 0015
             });
  Put(0x016, {0x09});  // undefined
  model.State().P[1] = 0x123;
  model.State().P[2] = -32768;
  model.State().P[3] = 0xFFF;
  model.State().E = 0x3C;
  model.State().SR = 0x81;
  model.ToggleSingleStep();  // writes "------SStep Off-------"
  model.RunOrProgram();
  const std::vector<std::string> want = {
      kSStepOff,
      kRunMode,
      "NOP       - - N 0001 08    P0-3: 0001 0123 8000 0FFF A,EX,ST: 00 3C 81 ",
      "LDI  #    - - I 0003 C4 5A P0-3: 0003 0123 8000 0FFF A,EX,ST: 5A 3C 81 ",
      "JMP  D P0 - - J 0015 90 10 P0-3: 0015 0123 8000 0FFF A,EX,ST: 5A 3C 81 ",
      "Illegal Instruction (Halt) on:09",
      kEnd,
  };
  const std::vector<std::string> got = Lines();
  EXPECT_EQ(got, want);
  for (size_t i = 2; i < 5 && i < got.size(); ++i) EXPECT_EQ(got[i].size(), 71u) << got[i];
  EXPECT_EQ(want[5].size(), 32u);
}

TEST_F(Trace, HaltWithAMnemonicGivesAnOrdinaryLine) {
  Put(0x001, {0x00});
  model.RunOrProgram();
  const std::vector<std::string> got = Lines();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1], "HALT      - - H 0001 00    P0-3: 0001 0000 0000 0000 A,EX,ST: 00 00 00 ");
}

TEST_F(Trace, MarkerOrder) {
  for (int a = 1; a < 0x100; ++a) model.Memory().data[a] = 0x08;
  model.Reset();
  model.ToggleSingleStep();
  model.ToggleSingleStep();
  model.RunOrProgram();          // single step: one instruction
  model.StepOrStart();  // one instruction, no marker
  model.Halt();
  model.Halt();
  model.StepAddress(+1);
  model.ToggleDataSwitch(3);
  model.Latch();
  model.RunOrProgram();  // back to program mode
  model.Reset();
  const std::vector<std::string> got = Lines();
  ASSERT_EQ(got.size(), 9u) << ::testing::PrintToString(got);
  EXPECT_EQ(got[0], kReset);
  EXPECT_EQ(got[1], kSStepOff);
  EXPECT_EQ(got[2], kSStepOn);
  EXPECT_EQ(got[3], kRunMode);
  EXPECT_EQ(got[4].substr(0, 21), "NOP       - - N 0001 ");
  EXPECT_EQ(got[5], kEnd);
  EXPECT_EQ(got[6].substr(0, 21), "NOP       - - N 0002 ");
  EXPECT_EQ(got[7], kProgramMode);
  EXPECT_EQ(got[8], kReset);
}

TEST_F(Trace, APausedLoopStillEndsWithEndOfTrace) {
  for (int a = 1; a < 0x100; ++a) model.Memory().data[a] = 0x08;
  model.ToggleSingleStep();
  model.MutableOptions().pause_count = 3;
  model.RunOrProgram();
  model.StepOrStart();
  const std::vector<std::string> got = Lines();
  ASSERT_EQ(got.size(), 9u) << ::testing::PrintToString(got);
  EXPECT_EQ(got[0], kSStepOff);
  EXPECT_EQ(got[1], kRunMode);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(got[2 + i].substr(16, 4), Hex(1 + i, 4));
  EXPECT_EQ(got[5], kEnd);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(got[6 + i].substr(16, 4), Hex(4 + i, 4));
}

TEST_F(Trace, EveryStepOfAProgramMatchesItsRegisters) {
  Put(0x001, {
                 0xC4, 0x02,  // 0001 LDI 02
                 0x35,        // 0003 XPAH P1      P1 = 0200
                 0xC4, 0x03,  // 0004 LDI 03
                 0x36,        // 0006 XPAH P2      P2 = 0300
                 0xC4, 0x04,  // 0007 LDI 04
                 0xCA, 0x00,  // 0009 ST 0(P2)
                 0xC4, 0x00,  // 000B LDI 00
                 0xCA, 0x01,  // 000D ST 1(P2)
                 0x02,        // 000F loop: CCL
                 0xC5, 0x01,  // 0010 LD @1(P1)
                 0xF2, 0x01,  // 0012 ADD 1(P2)
                 0xCA, 0x01,  // 0014 ST 1(P2)
                 0xBA, 0x00,  // 0016 DLD 0(P2)
                 0x9C, 0xF5,  // 0018 JNZ loop
                 0x00,        // 001A HALT
             });
  Put(0x200, {0x90, 0x80, 0x70, 0x05});
  model.RunOrProgram();  // single-step mode: one step per press
  std::vector<std::string> want = {kRunMode};
  auto record_step = [&](int p0_before) {
    const int opcode = model.Memory().data[(p0_before + 1) & 0xFFF];
    const int operand = opcode & 0x80 ? model.Memory().data[(p0_before + 2) & 0xFFF] : -1;
    want.push_back(InstructionLine(model.Cpu().table()[opcode], opcode, operand, model.State()));
  };
  record_step(0);
  want.push_back(kEnd);
  int guard = 0;
  while (!model.HaltRequested() && ++guard < 100) {
    const int p0 = model.State().P[0];
    model.StepOrStart();
    record_step(p0);
  }
  EXPECT_EQ(model.State().P[0], 0x1A);
  EXPECT_EQ(model.Memory().data[0x301], (0x90 + 0x80 + 0x70 + 0x05) & 0xFF);
  const std::vector<std::string> got = Lines();
  EXPECT_EQ(got, want);
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i][0] == '-') continue;
    EXPECT_EQ(got[i].size(), 71u) << i;
    EXPECT_EQ(got[i].back(), ' ') << i;
  }
}

TEST(TraceNul, UnfilledRecordsAreWrittenWithTheirNulCharacters) {
  scmp::test::TempDir dir;
  dir.Write("SCMP.DEL", "HALT   -- HALT   H\r\nNOP    -- NOP    N\r\n");
  PanelModel model;
  model.SetWaitHook([](double) {});
  std::string error;
  ASSERT_TRUE(model.StartUp(dir.path().string() + "/", &error)) << error;
  ASSERT_TRUE(model.EnableTrace(dir.File("TRACE.LOG"), &error)) << error;
  model.Memory().data[1] = 0x05;  // an all-NUL record: a no-op
  model.Memory().data[2] = 0x00;  // HALT
  model.ToggleSingleStep();
  model.RunOrProgram();
  model.CloseTrace();
  const std::string nul(1, '\0');
  const std::string want = std::string(kSStepOff) + "\r\n" + kRunMode + "\r\n" + std::string(4, '\0') + " " + nul +
                           " " + nul + nul + " " + nul + " " + nul + " " + nul + " " +
                           "0001 05    P0-3: 0001 0000 0000 0000 A,EX,ST: 00 00 00 \r\n" +
                           "HALT      - - H 0002 00    P0-3: 0002 0000 0000 0000 A,EX,ST: 00 00 00 \r\n" + kEnd +
                           "\r\n";
  EXPECT_EQ(scmp::test::ReadFile(dir.File("TRACE.LOG")), want);
  EXPECT_TRUE(model.HaltRequested());
}

TEST_F(Trace, NothingIsWrittenWithTracingOff) {
  model.Reset();
  scmp::SettingsInput in;
  in.pause_text = "10000";
  in.delay_text = "1";
  in.trace = false;
  model.ApplySettings(in);
  ASSERT_FALSE(model.Options().trace_on);
  for (int a = 1; a < 0x10; ++a) model.Memory().data[a] = 0x08;
  model.Reset();
  model.ToggleSingleStep();
  model.RunOrProgram();
  model.StepOrStart();
  model.ToggleSingleStep();
  model.RunOrProgram();
  EXPECT_EQ(Lines(), std::vector<std::string>{kReset});
  EXPECT_TRUE(model.Trace().IsOpen());
}

TEST_F(Trace, TheFileIsCompleteWhenALoopEnds) {
  Put(0x001, {0x08, 0x08, 0x00});
  model.ToggleSingleStep();
  model.RunOrProgram();
  const std::vector<std::string> got = Lines(/*flush=*/false);
  ASSERT_EQ(got.size(), 6u) << ::testing::PrintToString(got);
  EXPECT_EQ(got.back(), kEnd);
}

TEST_F(Trace, EnablingAgainKeepsTheOpenLog) {
  model.Reset();
  std::string error;
  ASSERT_TRUE(model.EnableTrace(log, &error)) << error;
  model.Reset();
  EXPECT_EQ(Lines(), (std::vector<std::string>{kReset, kReset}));
}

TEST_F(Trace, StepsInProgramModeWriteNothing) {
  model.Memory().data[1] = 0x08;
  model.StepOrStart();  // single step on: one empty step
  model.ToggleSingleStep();          // "------SStep Off-------"
  model.MutableOptions().pause_count = 5;
  model.StepOrStart();  // five empty steps
  EXPECT_EQ(model.InstructionCount(), 5);
  EXPECT_EQ(Lines(), std::vector<std::string>{kSStepOff});
  EXPECT_EQ(model.State().P[0], 0);
}

TEST(TraceOpen, AFileThatCannotBeCreatedLeavesTracingOff) {
  scmp::test::TempDir dir;
  PanelModel model;
  model.SetWaitHook([](double) {});
  std::string error;
  ASSERT_TRUE(model.StartUp(scmp::test::DataDirWithShippedTable(dir), &error)) << error;
  const std::string path = dir.File("no/such/folder/TRACE.LOG");
  EXPECT_FALSE(model.EnableTrace(path, &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_FALSE(model.Options().trace_on);
  EXPECT_FALSE(model.Trace().IsOpen());
  model.Reset();  // must not fail without a log
}

// A log that stops, on a write error (the file size limit standing in for
// a full disk) or at its own limit: tracing goes off, the trace label says
// so, the user is told once, and the file holds whole lines only.
TEST_F(Trace, AWriteErrorOrTheLimitTurnsTracingOffOnce) {
  struct Case {
    const char* what;
    rlim_t file_size_limit;  // 0: none
    int32_t trace_limit_mb;
    bool write_error;
  };
  for (const Case& c : {Case{"write error", 100000, 1024, true}, Case{"limit", 0, 1, false}}) {
    std::string error;
    model.CloseTrace();
    ASSERT_TRUE(model.EnableTrace(log, &error)) << error;
    model.SetTraceLimit(c.trace_limit_mb);
    Put(0x001, {0x90, 0xFE});  // JMP to itself
    model.Reset();
    if (model.SingleStepMode()) model.ToggleSingleStep();
    model.MutableOptions().pause_count = 30000;  // 30000 lines: more than 2 MB

    struct rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    if (c.file_size_limit != 0) {
      struct rlimit small = saved;
      small.rlim_cur = c.file_size_limit;
      ::setrlimit(RLIMIT_FSIZE, &small);
    }
    model.RunOrProgram();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(model.Options().trace_on) << c.what;
    EXPECT_EQ(model.LabelText(scmp::Label::kTrace), "Trace = off") << c.what;
    EXPECT_EQ(model.TraceWriteFailed(), c.write_error) << c.what;
    EXPECT_EQ(model.InstructionCount(), 30000) << c.what << ": the run goes on";
    const std::vector<std::string> notices = model.TakeNotices();
    ASSERT_EQ(notices.size(), 1u) << c.what;
    EXPECT_NE(notices[0].find(log), std::string::npos) << notices[0];
    EXPECT_FALSE(model.HasNotices());

    const std::vector<std::string> lines = Lines(/*flush=*/false);  // every line whole
    ASSERT_FALSE(lines.empty()) << c.what;
    EXPECT_EQ(lines.back() == "------Trace limit reached-------", !c.write_error) << c.what;
    const auto size = std::filesystem::file_size(log);
    EXPECT_LE(size, c.write_error ? c.file_size_limit : rlim_t{1} << 20) << c.what;
    EXPECT_GT(size, c.write_error ? c.file_size_limit - 200 : (rlim_t{1} << 20) - 200) << c.what;
    model.RunOrProgram();  // back to program mode
  }
}

}  // namespace
