// JUnit XML by a small escaper rather than an XML library: the report is a
// fixed shape of three elements, and all a writer must get right is the
// escaping of the text that comes from files.
#include "grader/report.h"

namespace scmp::grader {

std::string XmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\t':
      case '\n':
      case '\r': out += c; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20)
          out += "\xEF\xBF\xBD";  // U+FFFD: XML 1.0 has no way to write these
        else
          out += c;
    }
  }
  return out;
}

std::string JunitReport(const std::vector<ProgramResult>& programs) {
  int tests = 0, failures = 0;
  for (const ProgramResult& p : programs) {
    tests += static_cast<int>(p.tests.size());
    failures += static_cast<int>(p.tests.size()) - p.Passed();
  }
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"scmp-test\" tests=\"" +
                    std::to_string(tests) + "\" failures=\"" + std::to_string(failures) + "\">\n";
  for (const ProgramResult& p : programs) {
    const std::string name = XmlEscaped(p.program);
    const int failed = static_cast<int>(p.tests.size()) - p.Passed();
    xml += "  <testsuite name=\"" + name + "\" tests=\"" + std::to_string(p.tests.size()) + "\" failures=\"" +
           std::to_string(p.Loaded() ? failed : 0) + "\" errors=\"" + std::to_string(p.Loaded() ? 0 : failed) +
           "\">\n";
    for (const TestResult& t : p.tests) {
      xml += "    <testcase classname=\"" + name + "\" name=\"" + XmlEscaped(t.test->name) + "\"";
      if (t.passed) {
        xml += "/>\n";
        continue;
      }
      const char* element = p.Loaded() ? "failure" : "error";
      std::string all;
      if (p.Loaded())
        for (const std::string& f : t.Failures()) all += f + "\n";
      else
        all = FailureText(p, t) + "\n";
      xml += ">\n      <" + std::string(element) + " message=\"" + XmlEscaped(FailureText(p, t)) + "\">" +
             XmlEscaped(all) + "</" + element + ">\n    </testcase>\n";
    }
    xml += "  </testsuite>\n";
  }
  return xml + "</testsuites>\n";
}

}  // namespace scmp::grader
