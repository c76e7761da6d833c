// The colours the Monitor's views mark things with, in one place: taken
// from the palette where it has a fitting role, so that a theme changes
// them too.
#pragma once

#include <QColor>
#include <QPalette>

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

  static MonitorColours From(const QPalette& palette) {
    MonitorColours c;
    c.ram = palette.color(QPalette::Base);
    c.port = palette.color(QPalette::AlternateBase);
    c.absent = palette.color(QPalette::Mid);
    c.text = palette.color(QPalette::Text);
    c.changed = QColor(255, 226, 110);
    c.next_line = QColor(255, 240, 160);
    c.watch = QColor(200, 0, 0);
    c.breakpoint = QColor(210, 0, 0);
    c.error = QColor(190, 0, 0);
    return c;
  }
};

// Both names at once, as every widget of the Monitor gets them.
template <typename W>
W* Named(W* widget, const char* object_name, const QString& accessible_name) {
  widget->setObjectName(object_name);
  widget->setAccessibleName(accessible_name);
  return widget;
}

}  // namespace scmp
