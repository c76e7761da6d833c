// The reports print the same results: the JSON read back, the JUnit XML and
// CSV with text that needs escaping, the text lines.
#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "grader/report.h"
#include "tests/grader/grader_support.h"
#include "tests/support/test_util.h"

namespace scmp::grader {
namespace {

// Two programs graded on one file of two tests: the first passes both,
// the second fails the second; a third could not be loaded.
struct Graded {
  test::Loader loader;
  TestFile file = loader.Tests(
      "test \"shows 5A\" points 2\n run until halt within 1ms\n expect leds 5A\nend\n"
      "test \"quick, 'small' & <done>\" points 3\n run until halt within 1ms\n expect size <= 11\nend\n");
  std::vector<ProgramResult> results;
  Graded() {
    TestRunner runner(loader.Table());
    const std::string show = " .org 0x001\n LDI 0x0A\n XPAH P1\n LDI 0x00\n XPAL P1\n LDI 0x5A\n ST 0(P1)\n HALT\n";
    results.push_back(GradeProgram(runner, file, loader.Program(show), 1));
    results.back().program = "anna.s";
    results.push_back(GradeProgram(runner, file, loader.Program(" .org 0x001\n NOP\n" + show.substr(11)), 1));
    results.back().program = "ben, jr.s";
    results.push_back(UnloadedProgram(file, "cleo.s", "cleo.s: 1 error; nothing loaded.",
                                      "cleo.s:2:5: error: undefined symbol VALU"));
  }
};

TEST(Reports, JsonHasTheGradingFormat) {
  Graded g;
  const auto one = nlohmann::json::parse(JsonReport({g.results[1]}));
  EXPECT_EQ(one["score"], 2);
  EXPECT_EQ(one["max_score"], 5);
  ASSERT_EQ(one["tests"].size(), 2u);
  EXPECT_EQ(one["tests"][0]["status"], "passed");
  EXPECT_EQ(one["tests"][1]["name"], "quick, 'small' & <done>");
  EXPECT_EQ(one["tests"][1]["status"], "failed");
  EXPECT_EQ(one["tests"][1]["score"], 0);
  EXPECT_EQ(one["tests"][1]["max_score"], 3);
  EXPECT_EQ(one["tests"][1]["output"],
            "the program has 12 bytes, expected at most 11\ninputs: switches 00\n"
            "ended: halted at 00C after 8 instructions, at 77 us");
  EXPECT_EQ(one["tests"][1]["visibility"], "visible");
  EXPECT_GE(one["execution_time"].get<double>(), 0.0);

  const auto all = nlohmann::json::parse(JsonReport(g.results));
  ASSERT_EQ(all["programs"].size(), 3u);
  EXPECT_EQ(all["programs"]["anna.s"]["score"], 5);
  EXPECT_EQ(all["programs"]["cleo.s"]["tests"][0]["output"],
            "not run: cleo.s: 1 error; nothing loaded.\ncleo.s:2:5: error: undefined symbol VALU");
  EXPECT_EQ(all["programs"]["cleo.s"]["output"],
            "cleo.s: could not be loaded: cleo.s: 1 error; nothing loaded.\ncleo.s:2:5: error: undefined symbol VALU");
  EXPECT_EQ(all["output"], all["programs"]["cleo.s"]["output"].get<std::string>() + "\n");
}

TEST(Reports, JunitCsvAndTextEscapeAndCount) {
  Graded g;
  const std::string xml = JunitReport(g.results);
  // Failures and errors (not loaded) counted apart, times on suites and cases.
  EXPECT_NE(xml.find("<testsuites name=\"scmp-test\" tests=\"6\" failures=\"1\" errors=\"2\" time=\""),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<testcase classname=\"ben, jr.s\" name=\"quick, &apos;small&apos; &amp; &lt;done&gt;\" time=\""),
            std::string::npos);
  EXPECT_NE(xml.find("<failure message=\"the program has 12 bytes, expected at most 11\">"), std::string::npos);
  EXPECT_NE(xml.find("ended: halted at 00C after 8 instructions"), std::string::npos);
  EXPECT_NE(xml.find("<testsuite name=\"cleo.s\" tests=\"2\" failures=\"0\" errors=\"2\" time=\""),
            std::string::npos);
  EXPECT_NE(xml.find("undefined symbol VALU\n</error>"), std::string::npos);
  const struct {
    const char* text;
    const char* escaped;
  } escapes[] = {
      {"a\x01'b", "a\xEF\xBF\xBD&apos;b"},
      {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},         // UTF-8 stays
      {"\xC3 \xC0\xAF \xED\xA0\x80", "\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // cut, overlong, surrogate
      {"a\xEF\xBF\xBE\xEF\xBF\xBF" "b\xEF\xBF\xBD", "a\xEF\xBF\xBD\xEF\xBF\xBD" "b\xEF\xBF\xBD"},  // U+FFFE, U+FFFF: not XML
      {"\xEF\xBF\xBC\xF4\x8F\xBF\xBF", "\xEF\xBF\xBC\xF4\x8F\xBF\xBF"},  // U+FFFC and U+10FFFF are
  };
  for (const auto& e : escapes) EXPECT_EQ(XmlEscaped(e.text), e.escaped) << e.text;

  EXPECT_EQ(CsvReport(g.results),
            "file,score,max_score,loaded,shows 5A,\"quick, 'small' & <done>\"\n"
            "anna.s,5,5,yes,2,3\n\"ben, jr.s\",2,5,yes,2,0\ncleo.s,0,5,no,0,0\n");

  std::ostringstream text;
  WriteProgramText(g.results[1], text);
  EXPECT_EQ(text.str(),
            "PASS shows 5A (2/2)\n"
            "FAIL quick, 'small' & <done> (0/3): the program has 12 bytes, expected at most 11\n"
            "     inputs: switches 00\n"
            "     ended: halted at 00C after 8 instructions, at 77 us\n"
            "ben, jr.s: 2/5 points, 1 of 2 tests passed\n");
  std::ostringstream table;
  WriteClassTable(g.results, table);
  EXPECT_EQ(table.str(),
            "program    points   tests\n"
            "anna.s     5/5      2/2\n"
            "ben, jr.s  2/5      1/2\n"
            "cleo.s     0/5      0/2  not loaded\n");
}

// Names and paths from files with bytes a terminal or XML cannot take: the
// lines escape them as every other message does, and the JUnit report stays
// well formed for an XML parser.
TEST(Reports, HostileNamesReachNoTerminalOrParserRaw) {
  Graded g;
  g.file.tests[0].name = "bell\a \xEF\xBF\xBF";
  g.results[1].program = "esc\x1B[2J\x01.s";
  std::ostringstream lines;
  WriteProgramText(g.results[1], lines);
  WriteClassTable(g.results, lines);
  EXPECT_EQ(lines.str().find_first_of("\a\x1B\x01\xEF"), std::string::npos) << lines.str();
  EXPECT_NE(lines.str().find("PASS bell\\x07 \\xEF\\xBF\\xBF (2/2)\n"), std::string::npos) << lines.str();
  EXPECT_NE(lines.str().find("esc\\x1B[2J\\x01.s: 2/5 points"), std::string::npos) << lines.str();

  scmp::test::TempDir dir;
  const std::string xml = dir.Write("junit.xml", JunitReport(g.results));
  const std::string check = "xmllint --noout " + xml + " 2>" + dir.File("xmllint.txt");
  EXPECT_EQ(std::system(check.c_str()), 0) << scmp::test::ReadFile(dir.File("xmllint.txt"));
}

// Cells a spreadsheet would read as formulas stay text; the class table
// lines up by characters, not bytes.
TEST(Reports, CsvCellsStayTextAndTheTableAlignsByCharacters) {
  const struct {
    const char* text;
    const char* field;
  } cells[] = {
      {"=1+1", "'=1+1"}, {"+33", "'+33"}, {"-x,y", "\"'-x,y\""}, {"@SUM(A1)", "'@SUM(A1)"}, {"a=b", "a=b"}, {"", ""},
  };
  for (const auto& c : cells) EXPECT_EQ(CsvField(c.text), c.field) << c.text;
  Graded g;
  g.results[0].program = "caf\xC3\xA9.s";
  std::ostringstream table;
  WriteClassTable(g.results, table);
  EXPECT_EQ(table.str(),
            "program    points   tests\n"
            "caf\xC3\xA9.s     5/5      2/2\n"
            "ben, jr.s  2/5      1/2\n"
            "cleo.s     0/5      0/2  not loaded\n");
}

TEST(Reports, MomentsAndTimesRead) {
  const struct {
    Moment moment;
    const char* text;
  } cases[] = {
      {{250, 3, 0x00C}, "250 us (instruction 3, at 00C)"},
      {{23400, 812, 0x00C}, "23.4 ms (instruction 812, at 00C)"},
      {{20000, 0, -1}, "20 ms"},
      {{1500000, 9, 0xFFF}, "1.5 s (instruction 9, at FFF)"},
      {{1234567, 9, 1}, "1.234 s (instruction 9, at 001)"},
      {{0, 0, -1}, "0 us"},
  };
  for (const auto& c : cases) EXPECT_EQ(MomentText(c.moment), c.text);
}

}  // namespace
}  // namespace scmp::grader
