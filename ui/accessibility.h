// What a screen reader hears of the front panel: the names and descriptions
// of its buttons, lamps and labels, the lamps' values, and value changes
// announced no more often than a listener can follow.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "trainer/panel_model.h"


class QPushButton;

namespace scmp {

// Lets lamps report their state as an accessible value ("lit", "off",
// "RUN"); call once after the application is made.
void InstallAccessibility();

// The spoken name of a panel button ("Data switch 3", "HLT, halt"), from its
// object name; the button's caption when it has no entry.
QString PanelButtonName(const QString& object_name, const QString& caption);
// What a panel label shows, for its accessible description ("P1, pointer
// register 1").
QString LabelMeaning(Label label);

// Gives the panel's buttons the keyboard focus in reading order (left
// column, then the address switches from A11, the data switches from D7,
// then Step/Start), with Return or Enter pressing the focused one.
void MakePanelKeyboardReachable(QWidget* window);

// Keys for what the Monitor's tables otherwise do by mouse: Return or
// Space in the disassembly sets or clears the breakpoint of the current
// line, as a click in its margin does; the Menu key or Shift+F10 in the
// memory opens the current cell's watch menu, as a right-click does.
void AddMonitorKeys(QWidget* monitor);

// Announces lamp changes to screen readers at most every `kMinGapMs`:
// changes in between are gathered and the latest state of each lamp is
// told once the gap has passed.
class LampAnnouncer : public QObject {
 public:
  static constexpr int kMinGapMs = 300;
  explicit LampAnnouncer(QObject* parent) : QObject(parent) {}
  // `shown` is the widget that now shows the lamp with identity `key`.
  void Changed(const void* key, QWidget* shown);
  // A line of text whose accessible name follows its text at the same pace.
  void SetLine(QLabel* line) { line_ = line; }

 private:
  void Flush();
  QMap<const void*, QPointer<QWidget>> pending_;
  QPointer<QLabel> line_;
  QElapsedTimer since_last_;
  bool scheduled_ = false;
};

}  // namespace scmp
