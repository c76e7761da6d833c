#include "ui/panel_style.h"

namespace scmp {

QString StripStyle(const ColourRoles& c) {
  return QString(
             "#frm_Debug { border-top: 2px solid %1;"
             " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %2, stop:1 %3); }"
             "QLabel { color: %4; background: transparent; }")
      .arg(c.strip_edge.name(), c.strip_top.name(), c.strip_bottom.name(), c.strip_text.name());
}

QString RegisterDisplayStyle(const ColourRoles& c) {
  return QString(
             "#pic_Debug { background: %1; border: 1px solid #000; border-radius: 3px; }"
             "QLabel { color: %2; background: transparent; }")
      .arg(c.display_back.name(), c.display_text.name());
}

QString CyclesStyle(const ColourRoles& c, int margin_left) {
  return QString(
             "QLabel { color: %1; background: %2; border: 1px solid #000; border-radius: 2px;"
             " margin-left: %3px; padding-right: 4px; }")
      .arg(c.cycles_text.name(), c.cycles_back.name())
      .arg(margin_left);
}

QString FocusRingStyle(const ColourRoles& c) {
  return QString("QPushButton[keyFocus=\"true\"] { border: 2px solid %1; }").arg(c.focus.name());
}

}  // namespace scmp
