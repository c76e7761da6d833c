// The colours the Monitor's views mark things with, in one place: taken
// from the theme's colour roles, so that a change of theme changes them too.
#pragma once

#include <QColor>
#include <QPalette>

#include "ui/theme.h"

namespace scmp {

struct MonitorColours {
  QColor ram;         // a RAM cell
  QColor port;        // a port cell
  QColor absent;      // no memory there
  QColor changed;     // changed by the last run or step
  QColor watch;       // the text of a watched cell
  QColor text;        // ordinary text
  QColor next_line;   // the instruction P0 leads to
  QColor breakpoint;  // the breakpoint mark
  QColor error;       // a refused condition or entry

  // The theme's colour roles in force (ui/theme.h), read again at every
  // repaint so that a change of theme reaches the Monitor at once.
  static MonitorColours Current() {
    const ColourRoles& r = Colours();
    MonitorColours c;
    c.ram = r.ram;
    c.port = r.port;
    c.absent = r.absent;
    c.text = r.cell_text;
    c.changed = r.changed;
    c.next_line = r.next_line;
    c.watch = r.watched;
    c.breakpoint = r.breakpoint;
    c.error = r.breakpoint;
    return c;
  }
};;

// Both names at once, as every widget of the Monitor gets them.
template <typename W>
W* Named(W* widget, const char* object_name, const QString& accessible_name) {
  widget->setObjectName(object_name);
  widget->setAccessibleName(accessible_name);
  return widget;
}

}  // namespace scmp
