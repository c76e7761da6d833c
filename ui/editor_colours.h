// The editor's colours, derived from the application's palette so that they
// follow a light or a dark theme: each role is a hue laid over the text's
// lightness, then darkened or lightened as far as it takes to read (4.5:1)
// on the base and on the tints of the current and the next line, whatever
// the palette.
#pragma once

#include <QColor>
#include <QPalette>

#include "ui/contrast.h"

namespace scmp {

enum class EditorRole { kMnemonic, kDirective, kLabel, kNumber, kString, kComment, kError, kWarning, kBreakpoint,
                        kNextLine, kCurrentLine, kMargin, kLineNumber };

inline Rgb ToRgb(const QColor& c) { return {c.red(), c.green(), c.blue()}; }
inline QColor FromRgb(Rgb c) { return QColor(c.r, c.g, c.b); }

inline QColor EditorColour(const QPalette& palette, EditorRole role) {
  const QColor text = palette.color(QPalette::Text);
  const QColor base = palette.color(QPalette::Base);
  const bool dark = base.lightness() < 128;
  auto hue = [&](int h, int s = 200) { return QColor::fromHsl(h, s, dark ? 170 : 90); };
  auto mix = [&](const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                            static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                            static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
  };
  const QColor current_line = mix(base, palette.color(QPalette::Highlight), 0.12);
  const QColor next_line = mix(base, QColor::fromHsl(55, 230, 128), 0.35);
  const QColor margin = palette.color(QPalette::AlternateBase);
  // Text and the marks drawn in it: readable on every background of a line.
  auto readable = [&](const QColor& c) {
    return FromRgb(WithContrast(ToRgb(c), {ToRgb(base), ToRgb(current_line), ToRgb(next_line)}, kTextContrast));
  };
  switch (role) {
    case EditorRole::kMnemonic: return readable(palette.color(QPalette::Link));
    case EditorRole::kDirective: return readable(hue(290));
    case EditorRole::kLabel: return readable(hue(30, 160));
    case EditorRole::kNumber: return readable(hue(180));
    case EditorRole::kString: return readable(hue(120, 150));
    case EditorRole::kComment: return readable(mix(text, base, 0.45));
    case EditorRole::kError: return readable(QColor::fromHsl(0, 220, dark ? 150 : 110));
    case EditorRole::kWarning: return readable(QColor::fromHsl(40, 230, dark ? 150 : 100));
    case EditorRole::kBreakpoint:
      return FromRgb(WithContrast(ToRgb(QColor::fromHsl(0, 200, dark ? 140 : 120)), {ToRgb(margin)}, kMarkContrast));
    case EditorRole::kNextLine: return next_line;
    case EditorRole::kCurrentLine: return current_line;
    case EditorRole::kMargin: return margin;
    case EditorRole::kLineNumber: return FromRgb(WithContrast(ToRgb(mix(text, base, 0.5)), {ToRgb(margin)}, kTextContrast));
  }
  return text;
}

}  // namespace scmp
