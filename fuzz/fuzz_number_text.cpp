// The settings number reader and display form on arbitrary text and
// arbitrary doubles: the ranges of the pause count and the delay hold, blanks
// never change what is read, the display form has its shape and reads back
// as the value it shows, and the settings window's OK keeps to the same
// rules through the panel model.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "trainer/panel_model.h"
#include "trainer/number_text.h"

namespace {

using namespace scmp;

bool SameNumber(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool Near(double shown, double value, double relative) {
  return std::fabs(shown - value) <= relative * std::fabs(value);
}

// The shape of the display form: a blank or "-" first, no "0" before the
// decimal point, no trailing zeros after it.
void CheckShape(const std::string& s, double value) {
  FUZZ_CHECK(s.size() >= 2);
  FUZZ_CHECK(s[0] == ' ' || s[0] == '-');
  if (std::isnan(value)) return;
  FUZZ_CHECK((s[0] == '-') == (value < 0));
  FUZZ_CHECK(s.compare(1, 2, "0.") != 0);
  const std::string mantissa = s.substr(0, s.find('E'));
  if (mantissa.find('.') != std::string::npos) {
    FUZZ_CHECK(mantissa.back() != '0');
    FUZZ_CHECK(mantissa.back() != '.');
  }
}

void CheckDisplay(double value) {
  const std::string s = DisplayForm(value);
  CheckShape(s, value);
  // Fifteen significant digits read back within rounding (the largest
  // doubles round up past the range and are left out).
  if (std::isfinite(value) && std::fabs(value) < 1e308) FUZZ_CHECK(Near(ReadNumber(s), value, 1e-14));
}

void CheckDisplaySingle(float value) {
  const std::string s = DisplayFormSingle(value);
  CheckShape(s, value);
  if (std::isfinite(value)) FUZZ_CHECK(Near(ReadNumber(s), value, 1e-6));
}

PanelModel& Model() {
  static PanelModel* model = [] {
    auto* m = new PanelModel;
    std::string error;
    if (!m->StartUp(SCMP_SOURCE_DATA_DIR, &error)) fuzz::Fail(error.c_str(), __FILE__, __LINE__);
    return m;
  }();
  return *model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = fuzz::AsText(data, size);

  const double value = ReadNumber(text);
  FUZZ_CHECK(!std::isnan(value));
  std::string no_blanks;
  for (char c : text)
    if (c != ' ') no_blanks += c;
  FUZZ_CHECK(SameNumber(ReadNumber(no_blanks), value));

  const int32_t pause = PauseCountFrom(value);
  FUZZ_CHECK(pause >= 0 && pause <= 1000000000);
  if (value >= 0 && value <= 1e9) FUZZ_CHECK(pause == std::nearbyint(value));
  // The rewritten pause box reads back as the same count.
  FUZZ_CHECK(PauseCountFrom(ReadNumber(DisplayForm(pause))) == pause);

  const float delay = DelayFrom(value);
  FUZZ_CHECK(delay >= 0.1f && delay <= 10.0f);
  if (value >= 0.1 && value <= 10.0) FUZZ_CHECK(delay == static_cast<float>(value));

  CheckDisplay(value);
  CheckDisplaySingle(delay);
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    CheckDisplay(raw);
    float raw_single;
    std::memcpy(&raw_single, data, sizeof raw_single);
    CheckDisplaySingle(raw_single);
    FUZZ_CHECK(PauseCountFrom(raw) >= 0 && PauseCountFrom(raw) <= 1000000000);
    const float d = DelayFrom(raw);
    FUZZ_CHECK(d >= 0.1f && d <= 10.0f);
  }

  // OK in the settings window, with the input split between the two boxes.
  PanelModel& model = Model();
  SettingsInput input;
  input.pause_text = std::string(text.substr(0, text.size() / 2));
  input.delay_text = std::string(text.substr(text.size() / 2));
  input.fast = (size & 1) != 0;
  input.trace = false;
  const SettingsResult result = model.ApplySettings(input);
  const RunOptions& options = model.Options();
  FUZZ_CHECK(result.trace_error.empty());
  FUZZ_CHECK(options.pause_count == PauseCountFrom(ReadNumber(input.pause_text)));
  FUZZ_CHECK(ReadNumber(result.pause_text) == options.pause_count);
  FUZZ_CHECK(options.delay_seconds == DelayFrom(ReadNumber(input.delay_text)));
  FUZZ_CHECK(options.fast_mode == input.fast);
  FUZZ_CHECK(!options.trace_on);
  if (options.pause_count == 0) FUZZ_CHECK(model.LabelText(Label::kCycles) == "No Pause");
  const std::string delay_label = model.LabelText(Label::kDelay);
  if (!input.fast) {
    FUZZ_CHECK(delay_label.rfind("Delay =", 0) == 0);
    FUZZ_CHECK(Near(ReadNumber(delay_label.substr(7)), options.delay_seconds, 1e-6));
  }
  return 0;
}
