// The editor's colours, derived from the application's palette so that they
// follow a light or a dark theme: each role is a hue laid over the text's
// lightness, so it reads on the base colour either way.
#pragma once

#include <QColor>
#include <QPalette>

namespace scmp {

enum class EditorRole { kMnemonic, kDirective, kLabel, kNumber, kString, kComment, kError, kWarning, kBreakpoint,
                        kNextLine, kCurrentLine, kMargin, kLineNumber };

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
  switch (role) {
    case EditorRole::kMnemonic: return palette.color(QPalette::Link);
    case EditorRole::kDirective: return hue(290);
    case EditorRole::kLabel: return hue(30, 160);
    case EditorRole::kNumber: return hue(180);
    case EditorRole::kString: return hue(120, 150);
    case EditorRole::kComment: return mix(text, base, 0.45);
    case EditorRole::kError: return QColor::fromHsl(0, 220, dark ? 150 : 110);
    case EditorRole::kWarning: return QColor::fromHsl(40, 230, dark ? 150 : 100);
    case EditorRole::kBreakpoint: return QColor::fromHsl(0, 200, dark ? 140 : 120);
    case EditorRole::kNextLine: return mix(base, QColor::fromHsl(55, 230, 128), 0.35);
    case EditorRole::kCurrentLine: return mix(base, palette.color(QPalette::Highlight), 0.12);
    case EditorRole::kMargin: return palette.color(QPalette::AlternateBase);
    case EditorRole::kLineNumber: return mix(text, base, 0.5);
  }
  return text;
}

}  // namespace scmp
