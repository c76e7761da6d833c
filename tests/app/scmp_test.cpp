// scmp-test as a teacher runs it: exit statuses in their order of
// precedence, the lines it prints, and the reports it writes.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/test_command.h"
#include "tests/support/test_util.h"

namespace scmp {
namespace {

struct TestCommandRun {
  int status;
  std::string out, err;
};

TestCommandRun Grade(std::vector<std::string> args) {
  args.insert(args.begin(), {"--dir", test::SourceDataDir()});
  std::ostringstream out, err;
  const int status = RunTestCommand(args, "scmp-test", out, err);
  return {status, out.str(), err.str()};
}

constexpr const char* kShow5A = " .org 0x001\n LDI 0x0A\n XPAH P1\n LDI 0x00\n XPAL P1\n LDI 0x5A\n ST 0(P1)\n HALT\n";
constexpr const char* kTests = "program good.s\ntest \"shows 5A\" points 3\n run until halt within 1ms\n expect leds 5A\nend\n";

TEST(ScmpTest, ExitStatusesTakeTheMostSeriousFirst) {
  test::TempDir dir;
  const std::string good = dir.Write("good.s", kShow5A);
  const std::string wrong = dir.Write("wrong.s", " .org 0x001\n HALT\n");
  const std::string broken = dir.Write("broken.s", " LDX 1\n");
  const std::string tests = dir.Write("t.test", kTests);
  const std::string bad_tests = dir.Write("bad.test", "test \"a\"\n run for 1ms\n expect leds 5G\nend\n");
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;  // in the error output; "" for none
  } cases[] = {
      {{tests}, kTestsPassed, ""},  // the program line, next to the test file
      {{tests, good}, kTestsPassed, ""},
      {{tests, good, wrong}, kTestsFailed, ""},
      {{tests, broken}, kProgramNotLoaded, "broken.s:1:2: error:"},
      {{tests, wrong, broken, good}, kProgramNotLoaded, "nothing loaded"},
      {{bad_tests, good}, kTestUsageError, "bad.test:3:14: error: expected a byte"},
      {{bad_tests, broken}, kTestUsageError, "the test file has errors; nothing was run"},
      {{dir.File("none.test"), good}, kTestUsageError, "none.test: cannot read the test file: "},
      {{tests, good, "--trial", "0"}, kTestUsageError, "--trial"},
      {{}, kTestUsageError, "usage: scmp-test"},
      {{tests, "--seed", "x"}, kTestUsageError, "--seed takes a whole number"},
      {{tests, "--csv", ""}, kTestUsageError, "a file name cannot be empty"},
      {{tests, good, "--json", dir.File("no/such/dir/r.json")}, kTestUsageError, "r.json"},
      {{dir.Write("noprogram.test", "test \"a\"\n run for 1ms\n expect halted\nend\n")}, kTestUsageError, "no program"},
      {{tests, dir.File("missing.s")}, kProgramNotLoaded, "missing.s"},
      {{tests, dir.Write("empty.s", "")}, kProgramNotLoaded, "empty.s: no bytes stored"},  // scores nothing
      {{tests, good, dir.Write("notes.s", "; only\n  ; comments\n")}, kProgramNotLoaded, "notes.s: no bytes stored"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    const TestCommandRun run = Grade(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

TEST(ScmpTest, GradesAClassIntoLinesATableAndReports) {
  test::TempDir dir;
  const std::string good = dir.Write("good.s", kShow5A);
  const std::string wrong = dir.Write("wrong.s", " .org 0x001\n HALT\n");
  const std::string tests = dir.Write("t.test", kTests);
  const TestCommandRun run = Grade({tests, good, wrong, "--csv", dir.File("marks.csv"), "--junit",
                                    dir.File("junit.xml"), "--json", dir.File("grades.json")});
  EXPECT_EQ(run.status, kTestsFailed);
  EXPECT_NE(run.out.find("PASS shows 5A (3/3)\n" + good + ": 3/3 points, 1 of 1 tests passed\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("FAIL shows 5A (0/3): LEDs 00, expected 5A\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nprogram"), std::string::npos) << "the class table follows";
  EXPECT_EQ(test::ReadFile(dir.File("marks.csv")),
            "file,score,max_score,loaded,shows 5A\n" + good + ",3,3,yes,3\n" + wrong + ",0,3,yes,0\n");
  EXPECT_NE(test::ReadFile(dir.File("junit.xml")).find("failures=\"1\""), std::string::npos);
  EXPECT_NE(test::ReadFile(dir.File("grades.json")).find("\"programs\""), std::string::npos);

  // A program that does not load tells why in the JSON, where an
  // autograding service shows it to the student.
  const std::string broken = dir.Write("broken.s", " LDX 1\n");
  EXPECT_EQ(Grade({tests, broken, "--json", dir.File("broken.json")}).status, kProgramNotLoaded);
  EXPECT_NE(test::ReadFile(dir.File("broken.json")).find("broken.s:1:2: error:"), std::string::npos);

  // A hidden test, and the trial that reproduces a randomized failure.
  const std::string hidden = dir.Write(
      "h.test", "test \"secret\" hidden trials 16\n randomize\n run until halt within 1ms\n expect leds 5A\n"
                " expect E 00\nend\n");
  const TestCommandRun student = Grade({hidden, good});
  EXPECT_NE(student.out.find("hidden test: failed (0/1)\n"), std::string::npos) << student.out;
  EXPECT_EQ(student.out.find("secret"), std::string::npos) << student.out;
  const TestCommandRun teacher = Grade({hidden, good, "--show-hidden", "--seed", "9"});
  const size_t named = teacher.out.find("(--seed 9 --trial ");
  ASSERT_NE(named, std::string::npos) << teacher.out;
  const std::string trial = teacher.out.substr(named + 18, teacher.out.find(')', named) - named - 18);
  const TestCommandRun again = Grade({hidden, good, "--show-hidden", "--seed", "9", "--trial", trial});
  EXPECT_EQ(again.out, teacher.out);

  const TestCommandRun quiet = Grade({tests, good, "--quiet"});
  EXPECT_EQ(quiet.status, kTestsPassed);
  EXPECT_EQ(quiet.out, "");
}

}  // namespace
}  // namespace scmp
