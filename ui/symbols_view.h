// The Monitor's symbols: every label and value of the loaded program with
// its address, kind (code, data, constant) and source line; a double-click
// (or Return) shows it in the disassembly (code) or in memory.
#pragma once

#include <QWidget>
#include <string>

#include "trainer/panel_model.h"

class QLabel;
class QTableWidget;

namespace scmp {

class SymbolsView : public QWidget {
  Q_OBJECT

 public:
  SymbolsView(PanelModel& model, QWidget* parent);

  // Rebuilds the list when another program was loaded.
  void Redraw();

 signals:
  void ShowAddress(int address, bool code);

 private:
  void Activated(int row);

  PanelModel& model_;
  QTableWidget* table_ = nullptr;
  QLabel* empty_ = nullptr;
  uint64_t shown_ = ~uint64_t{0};  // the program generation listed
};

}  // namespace scmp
