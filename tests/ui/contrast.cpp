// Contrast of every pair of colours the themes draw text and state marks
// with, computed from the themes' colour roles, as WCAG 2.1 AA asks: text
// 4.5:1, the marks that tell a state 3:1.
#include <QColor>
#include <gtest/gtest.h>

#include "ui/contrast.h"
#include "ui/editor_colours.h"
#include "ui/theme.h"

namespace scmp {
namespace {

TEST(Contrast, RatiosFollowTheFormulaAndWithContrastMendsOnlyWhatFails) {
  // Ratios measured by hand, as a check of the formula.
  struct Case {
    Rgb a, b;
    double ratio;
  } cases[] = {{{0, 0, 0}, {255, 255, 255}, 21.0}, {{255, 0, 0}, {128, 0, 0}, 2.74}, {{119, 119, 119}, {255, 255, 255}, 4.48}};
  for (const Case& c : cases) EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01);
  const std::vector<Rgb> light = {{255, 255, 255}, {255, 240, 160}}, dark = {{30, 31, 34}};
  EXPECT_GE(ContrastRatio(WithContrast({20, 170, 170}, light, 4.5), light[1]), 4.5);
  EXPECT_GE(ContrastRatio(WithContrast({60, 60, 200}, dark, 4.5), dark[0]), 4.5);
  EXPECT_EQ(WithContrast({0, 0, 128}, light, 4.5), (Rgb{0, 0, 128}));  // reads already
}

Rgb Of(const QColor& c) { return {c.red(), c.green(), c.blue()}; }

TEST(Contrast, EveryTextAndMarkOfBothThemesIsReadable) {
  for (const bool dark : {false, true}) {
    const ColourRoles& c = dark ? DarkColours() : LightColours();
    const QPalette palette = ThemePalette(dark);
    auto editor = [&](EditorRole role) { return EditorColour(palette, role); };
    const QColor window = palette.color(QPalette::Window), base = palette.color(QPalette::Base);
    struct Pair {
      const char* what;
      QColor front, back;
      double least;
    };
    std::vector<Pair> pairs = {
        {"line number on margin", editor(EditorRole::kLineNumber), editor(EditorRole::kMargin), kTextContrast},
        {"breakpoint dot on margin", editor(EditorRole::kBreakpoint), editor(EditorRole::kMargin), kMarkContrast},
        {"cell text on RAM", c.cell_text, c.ram, kTextContrast},
        {"cell text on port", c.cell_text, c.port, kTextContrast},
        {"cell text on absent", c.cell_text, c.absent, kTextContrast},
        {"cell text on changed", c.cell_text, c.changed, kTextContrast},
        {"cell text on next line", c.cell_text, c.next_line, kTextContrast},
        {"watched on RAM", c.watched, c.ram, kTextContrast},
        {"watched and changed", c.watched, c.changed, kTextContrast},
        {"breakpoint mark on RAM", c.breakpoint, c.ram, kMarkContrast},
        {"breakpoint mark on next line", c.breakpoint, c.next_line, kMarkContrast},
        {"error message on window", c.breakpoint, window, kTextContrast},
        {"refused condition on base", c.breakpoint, base, kTextContrast},
        {"SR set", c.flag_set_text, c.flag_set, kTextContrast},
        {"SR clear", c.flag_clear_text, window, kTextContrast},
        {"test passed", c.pass_text, base, kTextContrast},
        {"test failed", c.fail_text, base, kTextContrast},
        {"strip text, top", c.strip_text, c.strip_top, kTextContrast},
        {"strip text, bottom", c.strip_text, c.strip_bottom, kTextContrast},
        {"register display", c.display_text, c.display_back, kTextContrast},
        {"register heading", c.display_heading, c.display_back, kTextContrast},
        {"cycles remaining", c.cycles_text, c.cycles_back, kTextContrast},
        {"LED lit against unlit", c.led_on, c.led_off, kMarkContrast},
        {"flag LED lit against unlit", c.flag_on, c.flag_off, kMarkContrast},
        {"switch on against off", c.switch_on, c.switch_off, kMarkContrast},
    };
    // The source's colours on each background a line can have.
    const std::pair<const char*, EditorRole> text_roles[] = {
        {"mnemonic", EditorRole::kMnemonic}, {"directive", EditorRole::kDirective}, {"label", EditorRole::kLabel},
        {"number", EditorRole::kNumber},     {"string", EditorRole::kString},       {"comment", EditorRole::kComment},
        {"error", EditorRole::kError},       {"warning", EditorRole::kWarning}};
    for (const auto& [name, role] : text_roles)
      for (const EditorRole back : {EditorRole::kCurrentLine, EditorRole::kNextLine})
        pairs.push_back({name, editor(role), editor(back), kTextContrast});
    for (const auto& [name, role] : text_roles) pairs.push_back({name, editor(role), base, kTextContrast});

    for (const Pair& p : pairs)
      EXPECT_GE(ContrastRatio(Of(p.front), Of(p.back)), p.least)
          << (dark ? "dark: " : "light: ") << p.what << " " << p.front.name().toStdString() << " on "
          << p.back.name().toStdString();
    // A switch's on and off differ in colour, not only in brightness: one of
    // them is grey, or their hues are apart.
    const bool grey_against_colour = (c.switch_on.hsvSaturationF() < 0.15) != (c.switch_off.hsvSaturationF() < 0.15);
    const int hue_apart = std::abs(c.switch_on.hsvHue() - c.switch_off.hsvHue());
    EXPECT_TRUE(grey_against_colour || std::min(hue_apart, 360 - hue_apart) > 30);
  }
}

}  // namespace
}  // namespace scmp
