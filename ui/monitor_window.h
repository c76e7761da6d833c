// The Monitor: registers, disassembly around P0 with breakpoints, all of
// memory, the history of executed instructions, Step Back and why the last
// run stopped. It draws the panel model's debugger state and hands edits to
// the model, which refuses them while a program runs. While it is open the
// model records the history.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <array>

#include "trainer/panel_model.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;

namespace scmp {

class MemoryTableModel;
class HistoryTableModel;

class MonitorWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MonitorWindow(PanelModel& model, QWidget* parent = nullptr);
  ~MonitorWindow() override;

  // Redraws from the model. During a run only every 100 ms unless `now`;
  // between runs always.
  void Refresh(bool now = false);
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
  QWidget* BuildMemory();
  QWidget* BuildHistory();
  void ShowRegisters();
  void ShowCode();
  void EditRegister(int index);
  void ToggleBreakpointAt(int row);
  void ToggleWatchpointAt(const QPoint& where);
  void StepBack();
  void Refused();

  PanelModel& model_;
  std::array<QLineEdit*, 7> registers_{};  // A, E, SR, P0..P3
  std::array<QLabel*, 8> sr_bits_{};
  QLabel* halt_ = nullptr;
  QLabel* counts_ = nullptr;
  QLabel* stop_ = nullptr;
  QTableWidget* code_ = nullptr;
  QTableView* memory_view_ = nullptr;
  QTableView* history_view_ = nullptr;
  MemoryTableModel* memory_ = nullptr;
  HistoryTableModel* history_ = nullptr;
  QPushButton* step_back_ = nullptr;
  QElapsedTimer since_refresh_;
};

}  // namespace scmp
