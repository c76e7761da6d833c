// The panel's two typefaces, one helper for every window: DejaVu Sans for
// captions and labels, DejaVu Sans Mono for registers and memory.
#pragma once

#include <QFont>

namespace scmp {

inline QFont SansFont(double points, bool bold = false) {
  QFont f("DejaVu Sans");
  f.setStyleHint(QFont::SansSerif);
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

inline QFont FixedFont(double points, bool bold = false) {
  QFont f("DejaVu Sans Mono");
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}

}  // namespace scmp
