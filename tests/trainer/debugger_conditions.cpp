// Conditional breakpoints, the breakpoint and watchpoint list across loads,
// what the status strip says about a stop and what RST resets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_util.h"
#include "trainer/code_view.h"
#include "trainer/condition.h"
#include "trainer/memory_text.h"
#include "trainer/panel_model.h"

namespace scmp {
namespace {

TEST(Condition, EvaluatesRegistersMemoryAndHits) {
  MachineState s;
  s.A = 0x5A;
  s.E = 0x01;
  s.P[1] = 0x0120;
  s.P[0] = 0x0010;
  MemoryArray memory;
  memory.data[0x100] = 0x07;
  memory.data[0x121] = 0xFF;
  struct Case {
    const char* text;
    int64_t hits;
    bool holds;
  } cases[] = {
      {"A == 5A", 1, true},        {"a==5a", 1, true},          {"A != 5A", 1, false},
      {"P1 > 100", 1, true},       {"P1 <= 11F", 1, false},     {"mem[100] != 0", 1, true},
      {"mem[P1+1] == FF", 1, true}, {"mem[0x100] == 7", 1, true}, {"hits == #10", 10, true},
      {"hits >= 3", 2, false},     {"A == 5A && E == 2", 1, false}, {"A == 0 || E == 1", 1, true},
      {"(P1 - 20) == 100", 1, true}, {"PC == 10", 1, true},      {"mem[FFF + 101] == 7", 1, true},
  };
  for (const Case& c : cases) {
    ConditionError error;
    const auto condition = Condition::Parse(c.text, &error);
    ASSERT_TRUE(condition) << c.text << ": " << ConditionErrorText(error);
    EXPECT_EQ(condition->Holds({s, memory, c.hits}), c.holds) << c.text;
  }
}

TEST(Condition, BadTextsSayWhatAndWhichColumn) {
  struct Case {
    const char* text;
    int column;
    const char* says;
  } cases[] = {
      {"", 1, "type a condition"},
      {"A", 2, "expected a comparison"},
      {"A = 5", 3, "compare with =="},
      {"A == ", 6, "a value is missing"},
      {"B1 == Q", 7, "no hexadecimal number"},
      {"mem 100 == 0", 5, "expected '['"},
      {"mem[100 == 0", 9, "expected ']'"},
      {"(A + 1 == 2", 8, "expected ')'"},
      {"A == 1 E == 2", 8, "join comparisons"},
      {"hits == #", 10, "decimal digits"},
      {"A == 5 $", 8, "join comparisons"},
  };
  for (const Case& c : cases) {
    ConditionError error;
    EXPECT_FALSE(Condition::Parse(c.text, &error)) << c.text;
    EXPECT_EQ(error.column, c.column) << c.text << ": " << error.message;
    EXPECT_NE(error.message.find(c.says), std::string::npos) << c.text << ": " << error.message;
  }
}

class DebugSession : public ::testing::Test {
 protected:
  void SetUp() override {
    model.SetWaitHook([](double) {});
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
  }
  void Assemble(const std::string& text) {
    SourceLoad result;
    ASSERT_TRUE(model.AssembleSource(dir.Write("COUNT.s", text), &result)) << result.error;
  }
  void Run(bool fast) {
    model.MutableOptions().pause_count = 0;
    model.MutableOptions().fast_mode = fast;
    if (model.SingleStepMode()) model.ToggleSingleStep();
    if (!model.RunMode()) model.RunOrProgram();
    else model.StepOrStart();
  }

  test::TempDir dir;
  PanelModel model;
};

// Counts COUNT up from 0 to 5, then halts. At LOOP's k-th visit COUNT
// holds k - 1 and A (k - 1) XOR 5.
const char* const kCounter =
    "        .org 1\n"
    "        LDI 0\n"
    "        ST COUNT\n"
    "LOOP:   ILD COUNT\n"  // line 4, at 005
    "        XRI 5\n"
    "        JNZ LOOP\n"
    "        HALT\n"
    "COUNT:  .byte 0\n"    // 00C
    "LIMIT = 5\n"
    "BIG = 0x1234\n";

TEST_F(DebugSession, ConditionsAndHitCountsDecideWhereARunStops) {
  struct Case {
    const char* condition;
    bool enabled;
    int count;  // COUNT at the first stop, or -1 for a run to HALT
    int64_t hits;
  } cases[] = {
      {"", true, 0, 1},
      {"mem[00C] == 3", true, 3, 4},
      {"hits == 2", true, 1, 2},
      {"A == 7", true, 2, 3},
      {"A == 9", true, -1, 5},
      {"", false, -1, 0},
  };
  for (const bool fast : {true, false}) {
    for (const Case& c : cases) {
      Assemble(kCounter);
      model.Reset();
      ASSERT_TRUE(model.ClearBreakpointsAndWatchpoints());
      ASSERT_TRUE(model.SetBreakpoint(0x005, true));
      ConditionError error;
      ASSERT_TRUE(model.SetBreakpointCondition(0x005, c.condition, &error)) << ConditionErrorText(error);
      ASSERT_TRUE(model.EnableBreakpoint(0x005, c.enabled));
      Run(fast);
      const std::string where = std::string(c.condition) + (fast ? " fast" : " slow");
      EXPECT_EQ(model.Debug().BreakpointList().at(0x005).hits, c.hits) << where;
      if (c.count < 0) {
        EXPECT_EQ(model.Debug().LastStop(), StopReason::kHalt) << where;
        continue;
      }
      EXPECT_EQ(model.Debug().LastStop(), StopReason::kBreakpoint) << where;
      EXPECT_EQ(model.Memory().data[0x00C], c.count) << where;
      EXPECT_EQ(model.LabelText(Label::kPause), "Break 005") << where;
    }
  }
  EXPECT_FALSE(model.SetBreakpointCondition(0x300, "A == 1", nullptr));  // no breakpoint there
}

TEST_F(DebugSession, WatchBySymbolStopsAndNamesTheAddress) {
  Assemble(kCounter);
  EXPECT_EQ(model.WatchSymbol("COUNT"), "");
  EXPECT_NE(model.WatchSymbol("BIG").find("not an address"), std::string::npos);
  EXPECT_NE(model.WatchSymbol("NOPE").find("No symbol NOPE"), std::string::npos);
  EXPECT_EQ(model.WatchSymbol(" 300 "), "");
  EXPECT_EQ(model.Debug().Watchpoints(), (std::vector<int>{0x00C, 0x300}));
  Run(true);
  EXPECT_EQ(model.LabelText(Label::kPause), "Watch 00C");
  EXPECT_EQ(model.Debug().WatchpointList().at(0x00C).hits, 1);
}

TEST_F(DebugSession, ReassemblyKeepsBreakpointsOnTheirLinesOtherLoadsClearThem) {
  Assemble(kCounter);
  ASSERT_TRUE(model.SetBreakpoint(0x005, true));  // ILD COUNT, line 4
  ASSERT_TRUE(model.SetBreakpoint(0x900, true));  // no line: stays put
  ASSERT_TRUE(model.SetBreakpointCondition(0x005, "A == 2", nullptr));
  EXPECT_EQ(model.WatchSymbol("COUNT"), "");
  // A line with one byte more before LOOP: ILD COUNT is line 5 at 006 now.
  std::string moved = kCounter;
  moved.insert(moved.find("        ST COUNT"), "        NOP\n");
  Assemble(moved);
  EXPECT_EQ(model.Debug().Breakpoints(), (std::vector<int>{0x006, 0x900}));
  ASSERT_TRUE(model.Debug().BreakpointList().at(0x006).condition);
  EXPECT_EQ(model.Debug().BreakpointList().at(0x006).condition->Text(), "A == 2");
  EXPECT_EQ(model.Debug().Watchpoints(), std::vector<int>{0x00D});
  EXPECT_EQ(model.Debug().SymbolAt(0x006), "LOOP");

  // Another program: nothing of this one is left.
  const std::string image = dir.File("EMPTY.RAM");
  std::string error;
  ASSERT_TRUE(model.SaveMemoryImage(image, &error)) << error;
  ASSERT_TRUE(model.LoadMemoryImage(image, &error)) << error;
  EXPECT_TRUE(model.Debug().Breakpoints().empty());
  EXPECT_TRUE(model.Debug().Watchpoints().empty());
  EXPECT_TRUE(model.Debug().Program().symbols.empty());
  EXPECT_EQ(model.Debug().SymbolAt(0x005), "");
}

TEST_F(DebugSession, SymbolsKnowTheirKindAndLinesTheirBytes) {
  Assemble(kCounter);
  const ProgramInfo& program = model.Debug().Program();
  struct Case {
    const char* name;
    int64_t value;
    SymbolKind kind;
    int line;
  } cases[] = {{"LOOP", 5, SymbolKind::kCode, 4}, {"COUNT", 0xC, SymbolKind::kData, 8},
               {"LIMIT", 5, SymbolKind::kConstant, 9}};
  for (const Case& c : cases) {
    const ProgramSymbol* s = program.Find(c.name);
    ASSERT_TRUE(s) << c.name;
    EXPECT_EQ(s->value, c.value) << c.name;
    EXPECT_EQ(s->kind, c.kind) << c.name;
    EXPECT_EQ(s->line, c.line) << c.name;
  }
  EXPECT_TRUE(program.StartsLine(0x005));
  EXPECT_FALSE(program.StartsLine(0x006));
  EXPECT_TRUE(program.IsData(0x00C));
  EXPECT_FALSE(program.IsData(0x00B));
  EXPECT_EQ(program.LineAt(0x006), 4);
  EXPECT_EQ(program.LineAt(0x00D), 0);
  EXPECT_EQ(program.SourceLine(4), "LOOP:   ILD COUNT");
  EXPECT_EQ(model.Debug().SymbolAt(0x005), "LOOP");  // not the constant LIMIT = 5
}

TEST_F(DebugSession, ResetStartsTheCountersAgainAndForgetsTheHalt) {
  Assemble(kCounter);
  Run(true);
  ASSERT_EQ(model.Debug().LastStop(), StopReason::kHalt);
  ASSERT_GT(model.StepsSinceReset(), 10u);
  const uint64_t total = model.ExecutedSteps();
  model.Reset();
  EXPECT_EQ(model.StepsSinceReset(), 0u);
  EXPECT_EQ(model.MicrocyclesSinceReset(), 0u);
  EXPECT_EQ(model.ExecutedSteps(), total);
  EXPECT_EQ(model.Debug().LastStop(), StopReason::kNone);
  model.SetHistoryRecording(true);
  model.ToggleSingleStep();
  model.StepOrStart();
  EXPECT_EQ(model.StepsSinceReset(), 1u);
  EXPECT_GT(model.MicrocyclesSinceReset(), 0u);
  model.Reset();
  // The history starts at RST: nothing to walk back across it.
  EXPECT_FALSE(model.StepBack());
  EXPECT_EQ(model.Debug().Steps().Size(), 0u);
  EXPECT_EQ(model.StepsSinceReset(), 0u);
  EXPECT_EQ(model.MicrocyclesSinceReset(), 0u);
}

TEST(MemoryText, CellsInEachBaseReadBackAndRangesAsText) {
  struct Case {
    CellBase base;
    int value;
    const char* text;
  } cases[] = {{CellBase::kHex, 0x5A, "5A"},        {CellBase::kDecimal, 0x5A, "90"},
               {CellBase::kBinary, 0x5A, "01011010"}, {CellBase::kChar, 0x5A, "Z"},
               {CellBase::kHex, 0x00, "00"},        {CellBase::kDecimal, 255, "255"}};
  for (const Case& c : cases) {
    EXPECT_EQ(CellText(c.value, c.base), c.text);
    EXPECT_EQ(ParseCell(c.text, c.base), c.value) << c.text;
  }
  EXPECT_EQ(CellText(0x07, CellBase::kChar), ".");
  EXPECT_EQ(CellText(0x1AB, CellBase::kDecimal), "01AB");  // more than a byte: hex
  for (const auto& [text, base] : {std::pair{"256", CellBase::kDecimal}, {"102", CellBase::kBinary},
                                   {"1FF", CellBase::kHex}, {"AB", CellBase::kChar}, {"", CellBase::kHex}})
    EXPECT_FALSE(ParseCell(text, base)) << text;
  EXPECT_EQ(ParseRange(" 100 - 1FF "), (std::pair<int, int>(0x100, 0x1FF)));
  EXPECT_EQ(ParseRange("2A"), (std::pair<int, int>(0x2A, 0x2A)));
  EXPECT_FALSE(ParseRange("200-100"));
  EXPECT_FALSE(ParseRange("1000"));

  MemoryArray memory;
  const char hello[] = "Hello";
  for (int i = 0; i < 5; ++i) memory.data[0x10E + i] = hello[i];
  EXPECT_EQ(RangeText(memory, 0x10E, 0x112, CellBase::kHex), "100:                                           48 65\n110: 6C 6C 6F\n");
  EXPECT_EQ(RangeText(memory, 0x10E, 0x112, CellBase::kChar), "100:               He\n110: llo\n");
}

TEST_F(DebugSession, HistoryInstructionsReadAsTheDisassembly) {
  Assemble(kCounter);
  struct Case {
    int address, opcode, operand;
    const char* text;
  } cases[] = {{0x009, 0x9C, 0xFA, "JNZ LOOP"},   {0x005, 0xA8, 0x05, "ILD 5(PC)"},
               {0x020, 0xC1, 0xFF, "LD -1(P1)"},  {0x020, 0x00, -1, "HALT"},
               {0x020, 0xC4, 0x03, "LDI 0x03"}};
  for (const Case& c : cases)
    EXPECT_EQ(InstructionText(model.Cpu().table(), model.Debug(), c.address, c.opcode, c.operand), c.text);
}

}  // namespace
}  // namespace scmp
