// The Monitor's list of breakpoints and watchpoints: address, label, source
// line, an enabled box, the condition (breakpoints) and the hit count; a
// watchpoint set by a symbol's name or an address, one removed, all
// cleared.
#pragma once

#include <QWidget>
#include <utility>
#include <vector>

#include "trainer/panel_model.h"

class QLabel;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;

namespace scmp {

class BreakpointList : public QWidget {
  Q_OBJECT

 public:
  BreakpointList(PanelModel& model, QWidget* parent);

  void Redraw();

 signals:
  void Changed();                        // a breakpoint or watchpoint changed
  void ShowAddress(int address, bool code);  // a row was double-clicked

 private:
  struct Row {
    bool breakpoint;
    int address;
    bool operator==(const Row&) const = default;
  };
  QWidget* BuildTools();
  void Rebuild(const std::vector<Row>& rows);
  void FillRow(int row, bool with_condition);
  void ItemChanged(QTableWidgetItem* item);
  void WatchTyped();
  void RemoveSelected();
  void ClearAll();
  void Tell(const QString& text, bool error);
  void ColourMessage();

  PanelModel& model_;
  QTableWidget* table_ = nullptr;
  QLineEdit* watch_ = nullptr;
  QLabel* message_ = nullptr;
  bool message_is_error_ = false;
  std::vector<Row> rows_;
  bool filling_ = false;  // item changes made by Redraw are no user edits
};

}  // namespace scmp
