// What a screen reader hears of the front panel: the names and descriptions
// of its buttons, lamps and labels, the lamps' values, and value changes
// announced no more often than a listener can follow.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "trainer/panel_model.h"


class QPushButton;

namespace scmp {

// Lets lamps and live labels say their state when asked ("LED 3, lit");
// call once after the application is made.
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

// Speaks `text` to screen readers at once, wherever the focus is: a small
// notification object in `window`'s top-level window takes the text and is
// shown anew, which screen readers read out. The text stays its name until
// the next one, so that it can be read again.
void Announce(QWidget* window, const QString& text);

// A label whose text changes often (the register display): its accessible
// name is its text, read when asked, and changing the text sends no event;
// `meaning` is its description. PanelAnnouncer tells its changes once a run
// has stopped.
void MakeLiveLabel(QLabel* label, const QString& meaning);

// Tells screen readers of lamp and label changes without flooding them: a
// lamp that changed is told (its name) at most every `kMinGapMs`, and while
// a program runs at most every `kRunningGapMs`, changes in between gathered
// so that the latest state of each lamp is told once; live labels are told
// only while no program runs.
class PanelAnnouncer : public QObject {
 public:
  static constexpr int kMinGapMs = 300;
  static constexpr int kRunningGapMs = 1000;
  PanelAnnouncer(QObject* parent, std::function<bool()> running) : QObject(parent), running_(std::move(running)) {}
  void Changed(QWidget* lamp);
  // A line of text whose accessible name follows its text at the same pace.
  void SetLine(QLabel* line) { line_ = line; }
  // Live labels (MakeLiveLabel) whose changes are told after a run.
  void WatchLabel(QLabel* label) { labels_.push_back({label, label->text()}); }
  // The panel was drawn while no program runs: label changes are told.
  void Settled();

 private:
  void Schedule();
  void Flush();
  struct Watched {
    QPointer<QLabel> label;
    QString told;
  };
  std::function<bool()> running_;
  QList<QPointer<QWidget>> pending_;
  std::vector<Watched> labels_;
  QPointer<QLabel> line_;
  QElapsedTimer since_last_;
  bool scheduled_ = false;
};

}  // namespace scmp
