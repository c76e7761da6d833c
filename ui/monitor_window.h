// The Monitor: registers, disassembly around P0 with breakpoints, labels and
// source lines, all of memory, the history of executed instructions, the
// breakpoint and watchpoint list, the symbols, Step Back and why the last
// run stopped. It draws the panel model's debugger state and hands edits to
// the model, which refuses them while a program runs. While it is open the
// model records the history.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <array>

#include "trainer/code_view.h"
#include "trainer/panel_model.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QTabWidget;
class QVBoxLayout;

namespace scmp {

class BreakpointList;
class CheckList;
class HistoryTableModel;
class MemoryView;
class SymbolsView;

class MonitorWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MonitorWindow(PanelModel& model, QWidget* parent = nullptr);
  ~MonitorWindow() override;

  // Redraws from the model. During a run only every 100 ms unless `now`;
  // between runs always.
  void Refresh(bool now = false);
  // The disassembly shows `address` (until P0 moves), or memory shows it.
  void ShowAddress(int address, bool code);
  // The run control toolbar, shared with the editor, on top.
  void SetToolBar(QWidget* bar);
  // The address of the disassembly's selected row, or -1 and why not.
  int SelectedAddress(QString* why) const;

 signals:
  // The Monitor changed the machine (Step Back, an edit): the panel redraws.
  void MachineChanged();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* BuildRegisters();
  QWidget* BuildCode();
  QWidget* BuildHistory();
  QWidget* BuildSide();
  void ShowRegisters();
  void ShowCode();
  void ShowCodeRow(int row, const CodeLine& line);
  void EditRegister(int index);
  void ToggleBreakpointAt(int row);
  void StepBack();
  void Refused();
  void Tell(const QString& text);
  void ChangedHere();

  PanelModel& model_;
  std::array<QLineEdit*, 7> registers_{};  // A, E, SR, P0..P3
  std::array<QLabel*, 8> sr_bits_{};
  QLabel* halt_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* stop_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
  QTableWidget* code_ = nullptr;
  int code_focus_ = -1;     // the address asked for, or -1 to follow P0
  int code_focus_p0_ = -1;  // P0 when it was asked for
  MemoryView* memory_ = nullptr;
  QTableView* history_view_ = nullptr;
  HistoryTableModel* history_ = nullptr;
  QTabWidget* side_ = nullptr;
  BreakpointList* breakpoints_ = nullptr;
  SymbolsView* symbols_ = nullptr;
  CheckList* checks_ = nullptr;
  QPushButton* step_back_ = nullptr;
  QElapsedTimer since_refresh_;
  QElapsedTimer since_registers_;
};

}  // namespace scmp
