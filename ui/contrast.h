// Contrast between two colours as WCAG 2.1 measures it, in plain C++: the
// theme's colours are checked with it, and the editor's colours derived
// from any palette are mended with it until they read.
#pragma once

#include <vector>

namespace scmp {

// The least contrast WCAG 2.1 AA asks of text, and of the graphics that
// tell a state (a lamp lit, a breakpoint mark).
constexpr double kTextContrast = 4.5;
constexpr double kMarkContrast = 3.0;

struct Rgb {
  int r = 0, g = 0, b = 0;  // 0..255 each, sRGB
  bool operator==(const Rgb&) const = default;
};

// The relative luminance, 0 (black) to 1 (white).
double RelativeLuminance(Rgb colour);
// (lighter + 0.05) / (darker + 0.05): 1 for the same colour, 21 for black
// on white. Text needs 4.5 at least, the marks that tell a state 3.
double ContrastRatio(Rgb a, Rgb b);

// `colour` mixed towards black (on light backgrounds) or white (on dark
// ones) in small steps until it has at least `ratio` against each of
// `backgrounds`; unchanged when it has already. The backgrounds should be
// all light or all dark, as a theme's are.
Rgb WithContrast(Rgb colour, const std::vector<Rgb>& backgrounds, double ratio);

}  // namespace scmp
