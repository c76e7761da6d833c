// The guide's exercise answers against their test files: each answer passes
// every test, and a deliberately wrong variant fails with the message that
// names its fault.
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/grader/grader_support.h"

namespace scmp::grader {
namespace {

namespace fs = std::filesystem;

const std::string kSamples = scmp::test::SourceDataDir() + "Samples/";
const std::string kWrong = std::string(SCMP_SOURCE_DIR) + "/tests/grader/data/";

TestFile ReadSampleTests(test::Loader& loader, const std::string& name) {
  TestFile file;
  std::vector<Diagnostic> diagnostics;
  EXPECT_TRUE(ReadTestFile(kSamples + name, &loader.Table(), &file, &diagnostics));
  for (const Diagnostic& d : diagnostics) ADD_FAILURE() << FormatDiagnostic(d);
  return file;
}

TEST(SampleTests, EveryExerciseAnswerPassesItsTestFile) {
  test::Loader loader;
  TestRunner runner(loader.Table());
  int answers = 0;
  for (const auto& entry : fs::directory_iterator(kSamples)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("EX", 0) != 0 || entry.path().extension() != ".s") continue;
    SCOPED_TRACE(name);
    ++answers;
    const std::string tests = entry.path().stem().string() + ".test";
    ASSERT_TRUE(fs::exists(kSamples + tests)) << "no " << tests << " beside the answer";
    const TestFile file = ReadSampleTests(loader, tests);
    EXPECT_EQ(file.program, name);
    const ProgramResult result = GradeProgram(runner, file, loader.Load(kSamples + name), 1);
    for (const TestResult& t : result.tests) EXPECT_TRUE(t.passed) << t.test->name << ": " << t.Failures().at(0);
    EXPECT_GE(result.tests.size(), 2u);
  }
  EXPECT_EQ(answers, 8);
}

TEST(SampleTests, EachWrongVariantFailsWithTheMessageOfItsFault) {
  const struct {
    const char* tests;
    std::string program;
    const char* test;     // the test that fails first
    const char* message;  // the start of its message
  } cases[] = {
      {"EX1_INVERT.test", kWrong + "EX1_NOT_INVERTED.s", "switches 0F light LEDs 4 to 7", "LEDs 0F, expected F0"},
      {"EX2_COMPLEMENT.test", kWrong + "EX2_NO_XRI.s", "shows A5 and halts", "LEDs 5A, expected A5"},
      {"EX3_TEN.test", kWrong + "EX3_TOO_FAST.s", "about two counts a second",
       "LEDs 02 at 131.268 ms (instruction 14, at 00D), expected 01 from 10 ms to 500 ms"},
      {"EX4_TABLE.test", kWrong + "EX4_SKIPS_24.s", "shows the four patterns and halts",
       "LEDs showed 81 42 then 18 at "},
      {"EX5_SUM.test", kSamples + "SUMBUG.s", "shows the sum 0A and halts", "LEDs 00, expected 0A"},
      {"EX6_COPY.test", kWrong + "EX6_FIVE_BYTES.s", "copies the table to 100..103", "memory 104 = 01, expected AA"},
      {"EX7_DOUBLE.test", kWrong + "EX7_NO_CCL.s", "clears the carry itself", "LEDs 0F, expected 0E"},
      {"EX8_HANDCODE.test", kWrong + "EX8_SHORT_DISPLACEMENT.s", "shows 3C and halts", "LEDs 01, expected 3C"},
  };
  test::Loader loader;
  TestRunner runner(loader.Table());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    const TestFile file = ReadSampleTests(loader, c.tests);
    const ProgramResult result = GradeProgram(runner, file, loader.Load(c.program), 1);
    const auto failed = std::find_if(result.tests.begin(), result.tests.end(), [](const TestResult& t) { return !t.passed; });
    ASSERT_NE(failed, result.tests.end());
    EXPECT_EQ(failed->test->name, c.test);
    EXPECT_EQ(failed->Failures().at(0).rfind(c.message, 0), 0u) << failed->Failures()[0];
    EXPECT_LT(result.score, result.max_score);
  }
}

}  // namespace
}  // namespace scmp::grader
