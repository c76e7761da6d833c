#include "ui/contrast.h"

#include <algorithm>
#include <cmath>

namespace scmp {

namespace {

double Linear(int channel) {
  const double c = std::clamp(channel, 0, 255) / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

Rgb Mix(Rgb from, Rgb to, double t) {
  auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return {mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b)};
}

double WorstRatio(Rgb colour, const std::vector<Rgb>& backgrounds) {
  double worst = 21.0;
  for (const Rgb& b : backgrounds) worst = std::min(worst, ContrastRatio(colour, b));
  return worst;
}

}  // namespace

double RelativeLuminance(Rgb c) { return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b); }

double ContrastRatio(Rgb a, Rgb b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb WithContrast(Rgb colour, const std::vector<Rgb>& backgrounds, double ratio) {
  if (backgrounds.empty() || WorstRatio(colour, backgrounds) >= ratio) return colour;
  // Away from the backgrounds: darker on light ones, lighter on dark ones.
  // The middle of the luminance scale by contrast is at about 0.18.
  const Rgb target = RelativeLuminance(backgrounds.front()) > 0.18 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  for (int step = 1; step <= 50; ++step) {
    const Rgb mixed = Mix(colour, target, step / 50.0);
    if (WorstRatio(mixed, backgrounds) >= ratio) return mixed;
  }
  return target;
}

}  // namespace scmp
