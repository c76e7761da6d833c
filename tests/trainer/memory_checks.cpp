// The memory checks through the panel: each classic mistake warns once at
// its address, a correct program not at all, RST forgets what was written,
// the stop option ends the run at the warning, and off means the speed path.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

using Found = std::vector<std::pair<CheckKind, int>>;

class MemoryChecksRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(test::SourceDataDir(), &error)) << error;
    model.ToggleSingleStep();  // off
  }
  // Onto cleared memory, so that no earlier case's bytes are run.
  void Load(const std::string& source) {
    model.Memory().data.fill(0);
    SourceLoad result;
    ASSERT_TRUE(model.AssembleText("t.s", source, &result)) << result.error;
  }
  // RST and Run / Prgm (or Step/Start in run mode) up to `steps` steps.
  void Run(int steps = 1000) {
    model.MutableOptions().pause_count = steps;
    model.Reset();
    if (model.RunMode())
      model.StepOrStart();
    else
      model.RunOrProgram();
  }
  Found Warnings() {
    Found found;
    for (const CheckWarning& w : model.Checks().TakeNew()) found.emplace_back(w.kind, w.address);
    return found;
  }

  PanelModel model;
};

TEST_F(MemoryChecksRun, EachMistakeWarnsOnceAtItsAddress) {
  const struct {
    const char* what;
    const char* source;
    Found expected;
  } cases[] = {
      {"a counter kept in reserved space", " LDI 3\n ST N\nL: ILD SUM\n DLD N\n JNZ L\n HALT\nN: .byte 0\nSUM: .space 1",
       {{CheckKind::kUninitialised, 0x00D}}},
      {"the same counter loaded as 0", " LDI 3\n ST N\nL: ILD SUM\n DLD N\n JNZ L\n HALT\nN: .byte 0\nSUM: .byte 0", {}},
      {"a cell written before it is read", " LDI 7\n ST X\n LD X\n HALT\nX: .space 1", {}},
      {"no HALT at the end", " LDI 1\n LDI 2", {{CheckKind::kEmptyMemory, 0x005}}},
      {"a jump into reserved space", " JMP X\nX: .space 2", {{CheckKind::kEmptyMemory, 0x003}}},
      {"an operand patched, then run", " LDI 5\n ST P+1\nP: ADI 0\n HALT", {{CheckKind::kRanWritten, 0x006}}},
      {"a byte that ran, overwritten", "L: LDI 0\n ST L+1\n HALT", {{CheckKind::kWroteProgram, 0x002}}},
      {"a write to absent memory, then the port",
       " LDI 0x0B\n XPAH P1\n ST 0(P1)\n ST 1(P1)\n LDI 0x0A\n XPAH P1\n ST 0(P1)\n HALT",
       {{CheckKind::kOutsideWrite, 0xB00}, {CheckKind::kOutsideWrite, 0xB01}}},
  };
  model.SetChecking(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.source);
    Run();
    EXPECT_EQ(Warnings(), c.expected);
    Run();  // once per address: a second run adds nothing
    EXPECT_EQ(Warnings(), Found{});
  }
}

// What was written before RST no longer counts as initialised after it;
// what was loaded or run still does.
TEST_F(MemoryChecksRun, RstForgetsWritesNotLoadsOrRuns) {
  model.SetChecking(true);
  // Reads FLAG (loaded), then X only once FLAG is set: the first run writes X
  // before the read, the second reads the X of the first run.
  Load(" LD FLAG\n JNZ READ\n LDI 1\n ST FLAG\n ST X\n HALT\nREAD: LD X\n HALT\nFLAG: .byte 0\nX: .space 1");
  Run();
  EXPECT_EQ(Warnings(), Found{});
  Run();
  EXPECT_EQ(Warnings(), (Found{{CheckKind::kUninitialised, 0x010}}));
  EXPECT_TRUE(model.Checks().Loaded(0x00F));
  EXPECT_FALSE(model.Checks().WrittenSinceReset(0x010));
  EXPECT_TRUE(model.Checks().Written(0x010));
  EXPECT_TRUE(model.Checks().HasRun(0x001));
}

TEST_F(MemoryChecksRun, TheStopOptionEndsTheRunAfterTheWarningAndOffTakesTheSpeedPath) {
  const char* source = " LDI 2\n ST X\n LD Y\n LDI 3\n HALT\nX: .space 1\nY: .space 1";
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop);
    model.SetChecking(true, stop);
    Load(source);
    Run();
    EXPECT_EQ(Warnings(), (Found{{CheckKind::kUninitialised, 0x00B}}));
    EXPECT_EQ(model.Debug().LastStop(), stop ? StopReason::kCheck : StopReason::kHalt);
    EXPECT_EQ(model.State().P[0], stop ? 0x006 : 0x009);  // on the last byte of LD Y, or of HALT
    EXPECT_EQ(model.LabelText(Label::kPause).find("Check 00B") != std::string::npos, stop);
  }
  model.SetChecking(false);
  Load(source);
  EXPECT_FALSE(model.Debug().Active());
  Run();
  EXPECT_EQ(Warnings(), Found{});
}

}  // namespace
}  // namespace scmp
