// The memory checks in the window: View > Checks (on by default) and View >
// Stop at a Check's Warning, and the list of warnings that the Monitor
// shows in its side tabs. The warnings themselves are the model's
// (trainer/memory_checks.h); the views only list them.
#pragma once

#include <QListWidget>

#include "trainer/panel_model.h"

class QMenu;

namespace scmp {

class CheckList : public QListWidget {
  Q_OBJECT

 public:
  CheckList(PanelModel& model, QWidget* parent);
  // Adds the warnings that came since the last call; starts again when the
  // model forgot them (a new program).
  void Update();

 signals:
  // The instruction of the chosen warning.
  void ShowAddress(int address, bool code);

 private:
  PanelModel& model_;
  uint64_t generation_ = ~uint64_t{0};
  size_t shown_ = 0;
};

// The two entries in `view`, with the model set to match: checks on, no stop.
void AddCheckEntries(QMenu* view, PanelModel& model);

// The text of a warning as the window's lists show it.
QString CheckLine(const CheckWarning& warning, const LineMap& lines);

}  // namespace scmp
