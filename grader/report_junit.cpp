// JUnit XML by a small escaper rather than an XML library: the report is a
// fixed shape of three elements, and all a writer must get right is the
// escaping of the text that comes from files.
#include <cstdio>

#include "grader/report.h"

namespace scmp::grader {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
size_t Utf8Length(std::string_view text) {
  const auto byte = [&text](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned lead = byte(0);
  size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
  else return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

}  // namespace

std::string XmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (static_cast<unsigned char>(c) >= 0x80) {
      // Text from files may be no UTF-8: such bytes become U+FFFD, as XML
      // must be well-formed.
      const size_t length = Utf8Length(text.substr(i));
      // U+FFFE and U+FFFF are well-formed UTF-8 that XML 1.0 forbids.
      const bool forbidden =
          length == 3 && text.substr(i, 2) == "\xEF\xBF" && static_cast<unsigned char>(text[i + 2]) >= 0xBE;
      out += length && !forbidden ? std::string(text.substr(i, length)) : kReplacement;
      i += length ? length : 1;
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      case '\t':
      case '\n':
      case '\r': out += c; break;
      default: out += static_cast<unsigned char>(c) < 0x20 ? kReplacement : std::string(1, c);  // XML 1.0 has no way to write these
    }
    ++i;
  }
  return out;
}

namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", seconds);
  return text;
}

}  // namespace

// A program that did not load has errors (not run), one that ran has
// failures; the root counts both apart, as CI systems read them.
std::string JunitReport(const std::vector<ProgramResult>& programs) {
  int64_t tests = 0, failures = 0, errors = 0;
  double seconds = 0;
  for (const ProgramResult& p : programs) {
    const int64_t failed = static_cast<int64_t>(p.tests.size()) - p.Passed();
    tests += static_cast<int64_t>(p.tests.size());
    (p.Loaded() ? failures : errors) += failed;
    seconds += p.seconds;
  }
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"scmp-test\" tests=\"" +
                    std::to_string(tests) + "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
                    std::to_string(errors) + "\" time=\"" + Seconds(seconds) + "\">\n";
  for (const ProgramResult& p : programs) {
    const std::string name = XmlEscaped(p.program);
    const int failed = static_cast<int>(p.tests.size()) - p.Passed();
    xml += "  <testsuite name=\"" + name + "\" tests=\"" + std::to_string(p.tests.size()) + "\" failures=\"" +
           std::to_string(p.Loaded() ? failed : 0) + "\" errors=\"" + std::to_string(p.Loaded() ? 0 : failed) +
           "\" time=\"" + Seconds(p.seconds) + "\">\n";
    for (const TestResult& t : p.tests) {
      xml += "    <testcase classname=\"" + name + "\" name=\"" + XmlEscaped(t.test->name) + "\" time=\"" +
             Seconds(t.seconds) + "\"";
      if (t.passed) {
        xml += "/>\n";
        continue;
      }
      const char* element = p.Loaded() ? "failure" : "error";
      std::string all = FailureText(p, t) + "\n";
      for (const std::string& line : FailureDetails(p, t)) all += line + "\n";
      if (!p.Loaded() && !p.load_output.empty()) all += p.load_output + "\n";
      xml += ">\n      <" + std::string(element) + " message=\"" + XmlEscaped(FailureText(p, t)) + "\">" +
             XmlEscaped(all) + "</" + element + ">\n    </testcase>\n";
    }
    xml += "  </testsuite>\n";
  }
  return xml + "</testsuites>\n";
}

}  // namespace scmp::grader
