// The Monitor's memory: all 4096 cells, 16 a row, in hexadecimal, decimal,
// binary or characters; RAM cells edit in place, a right-click watches a
// cell, and a range of cells can be filled or copied as text.
#pragma once

#include <QWidget>

#include "trainer/memory_text.h"
#include "trainer/panel_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace scmp {

class MemoryTableModel;

class MemoryView : public QWidget {
  Q_OBJECT

 public:
  MemoryView(PanelModel& model, QWidget* parent);

  void Redraw();
  // Scrolls to `address` and selects its cell.
  void ShowAddress(int address);
  void SetBase(CellBase base);

 signals:
  // What to tell the user ("Refused: ...", "Filled 16 cells").
  void Message(const QString& text);
  // The view changed memory or the watchpoints.
  void Changed();

 private:
  QWidget* BuildTools();
  void ToggleWatchpointAt(const QPoint& where);
  // The range typed, else the selected cells; false (and told) for neither.
  bool ChosenRange(int* from, int* to);
  void Fill();
  void Copy();

  PanelModel& model_;
  MemoryTableModel* cells_ = nullptr;
  QTableView* table_ = nullptr;
  QComboBox* base_ = nullptr;
  QLineEdit* range_ = nullptr;
  QLineEdit* value_ = nullptr;
};

}  // namespace scmp
