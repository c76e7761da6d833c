#include "ui/monitor_window.h"

#include <QAbstractTableModel>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/hex.h"
#include "core/fetch.h"
#include "trainer/code_view.h"

namespace scmp {

namespace {

// During a run the Monitor redraws at most this often (ms).
constexpr int kRunRefreshMs = 100;
constexpr int kCodeBefore = 24;  // bytes of disassembly before the next instruction
constexpr int kCodeAfter = 48;

const char* const kRegisterNames[] = {"A", "E", "SR", "P0", "P1", "P2", "P3"};
const char* const kStatusBits[] = {"CY/L", "OV", "SB", "SA", "IE", "F2", "F1", "F0"};  // bit 7 first

const QColor kRamColour(255, 255, 255), kPortColour(214, 232, 255), kAbsentColour(200, 200, 200);
const QColor kChangedColour(255, 226, 110), kWatchColour(200, 0, 0);

QFont Fixed() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setPointSizeF(9);
  return f;
}

QString HexText(int value, int digits) { return QString::fromStdString(Hex(static_cast<uint16_t>(value), digits)); }

int16_t& RegisterCell(MachineState& s, int index) {
  switch (index) {
    case 0: return s.A;
    case 1: return s.E;
    case 2: return s.SR;
    default: return s.P[index - 3];
  }
}

// "LDI 03", or "Illegal" for an undefined opcode.
QString InstructionText(const InstructionTable& table, int opcode, int operand) {
  const InstructionRecord& record = table[opcode];
  if (record.IsUndefined()) return "Illegal " + HexText(opcode, 2);
  const std::string_view mnemonic = RightTrim(FieldText(record.Mnemonic));
  QString text = QString::fromLatin1(mnemonic.data(), static_cast<qsizetype>(mnemonic.size()));
  if (operand >= 0) text += " " + HexText(operand, 2);
  return text;
}

}  // namespace

// All 4096 cells, 16 a row: the kind as the background, cells changed by
// the last run or step highlighted, watched cells in red; RAM cells edit
// in place when no run is going on.
class MemoryTableModel : public QAbstractTableModel {
 public:
  explicit MemoryTableModel(PanelModel& model, QObject* parent) : QAbstractTableModel(parent), model_(model) {}

  int rowCount(const QModelIndex& = {}) const override { return kMemorySize / 16; }
  int columnCount(const QModelIndex& = {}) const override { return 16; }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return orientation == Qt::Vertical ? HexText(section * 16, 3) : HexText(section, 1);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const int a = index.row() * 16 + index.column();
    const MemoryArray& memory = model_.Cpu().memory;
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole: {
        const int v = memory.data[a];
        return HexText(v, v >= 0 && v <= 0xFF ? 2 : 4);
      }
      case Qt::BackgroundRole:
        if (model_.Debug().CellChanged(memory, a)) return kChangedColour;
        return memory.kind[a] == kRam ? kRamColour : memory.kind[a] == kPort ? kPortColour : kAbsentColour;
      case Qt::ForegroundRole:
        return model_.Debug().IsWatchpoint(a) ? kWatchColour : QColor(Qt::black);
      case Qt::ToolTipRole: {
        const char* kind = memory.kind[a] == kRam ? "RAM" : memory.kind[a] == kPort ? "port" : "absent";
        return HexText(a, 3) + " " + kind + (model_.Debug().IsWatchpoint(a) ? ", watched" : "");
      }
      default: return {};
    }
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    const int a = index.row() * 16 + index.column();
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!model_.Running() && model_.Cpu().memory.kind[a] == kRam) f |= Qt::ItemIsEditable;
    return f;
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::EditRole) return false;
    const auto byte = ParseHex(value.toString().trimmed().toStdString(), 2);
    if (!byte || !model_.StoreCell(index.row() * 16 + index.column(), static_cast<int>(*byte))) return false;
    emit dataChanged(index, index);
    return true;
  }
  void Redraw() { emit dataChanged(index(0, 0), index(rowCount() - 1, 15)); }

 private:
  PanelModel& model_;
};

// The history, newest first: address, instruction, registers after it.
class HistoryTableModel : public QAbstractTableModel {
 public:
  explicit HistoryTableModel(PanelModel& model, QObject* parent) : QAbstractTableModel(parent), model_(model) {}

  int rowCount(const QModelIndex& = {}) const override { return rows_; }
  int columnCount(const QModelIndex& = {}) const override { return 9; }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const char* const kHeadings[] = {"Address", "Instruction", "A", "E", "SR", "P0", "P1", "P2", "P3"};
    if (role != Qt::DisplayRole) return {};
    return orientation == Qt::Horizontal ? QString(kHeadings[section]) : QString::number(section + 1);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || index.row() >= static_cast<int>(model_.Debug().Steps().Size())) return {};
    const History& history = model_.Debug().Steps();
    const HistoryEntry& e = history.Newest(static_cast<size_t>(index.row()));
    // The registers after an instruction are those before the next one.
    const MachineState& after = index.row() == 0 ? model_.State() : history.Newest(index.row() - 1).before;
    switch (index.column()) {
      case 0: return HexText(e.address, 3);
      case 1: return InstructionText(model_.Cpu().table(), e.opcode, e.operand);
      case 2: return HexText(after.A, 2);
      case 3: return HexText(after.E, 2);
      case 4: return HexText(after.SR, 2);
      default: return HexText(after.P[index.column() - 5], 4);
    }
  }
  // A new row count resets the view (its cost grows with the rows); once the
  // history is full, as it soon is in a run, only the cells are redrawn.
  void Redraw() {
    const int rows = static_cast<int>(model_.Debug().Steps().Size());
    if (rows == rows_) {
      if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
      return;
    }
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }

 private:
  PanelModel& model_;
  int rows_ = 0;
};

MonitorWindow::MonitorWindow(PanelModel& model, QWidget* parent) : QWidget(parent, Qt::Window), model_(model) {
  setObjectName("frm_Monitor");
  setWindowTitle("Monitor");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildRegisters());
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(BuildCode());
  split->addWidget(BuildMemory());
  split->addWidget(BuildHistory());
  split->setStretchFactor(0, 4);
  split->setStretchFactor(1, 5);
  split->setStretchFactor(2, 3);
  layout->addWidget(split, 1);
  resize(1260, 620);
  // Room for the disassembly's targets and the 16 memory columns; the
  // history's registers scroll.
  split->setSizes({400, 520, 340});
  since_refresh_.start();
  Refresh(true);
}

MonitorWindow::~MonitorWindow() {
  for (QLineEdit* edit : registers_) edit->disconnect(this);
  model_.SetHistoryRecording(false);
}

QWidget* MonitorWindow::BuildRegisters() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < 7; ++i) {
    grid->addWidget(new QLabel(kRegisterNames[i], box), 0, 2 * i);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(QString("edt_%1").arg(kRegisterNames[i]));
    edit->setFont(Fixed());
    edit->setMaximumWidth(60);
    connect(edit, &QLineEdit::editingFinished, this, [this, i] { EditRegister(i); });
    registers_[i] = edit;
    grid->addWidget(edit, 0, 2 * i + 1);
  }
  auto* bits = new QHBoxLayout;
  bits->addWidget(new QLabel("SR bits:", box));
  for (int i = 0; i < 8; ++i) {
    sr_bits_[i] = new QLabel(kStatusBits[i], box);
    sr_bits_[i]->setObjectName(QString("lbl_SR_%1").arg(7 - i));
    sr_bits_[i]->setMinimumWidth(42);
    sr_bits_[i]->setAlignment(Qt::AlignCenter);
    bits->addWidget(sr_bits_[i]);
  }
  halt_ = new QLabel(box);
  halt_->setObjectName("lbl_HaltRequest");
  bits->addSpacing(16);
  bits->addWidget(halt_);
  counts_ = new QLabel(box);
  counts_->setObjectName("lbl_Counts");
  bits->addSpacing(16);
  bits->addWidget(counts_);
  bits->addStretch(1);
  grid->setColumnStretch(14, 1);
  grid->addLayout(bits, 1, 0, 1, 15);
  auto* stop_row = new QHBoxLayout;
  step_back_ = new QPushButton("Step Back", box);
  step_back_->setObjectName("cmd_StepBack");
  connect(step_back_, &QPushButton::clicked, this, [this] { StepBack(); });
  stop_row->addWidget(step_back_);
  stop_ = new QLabel(box);
  stop_->setObjectName("lbl_Stop");
  stop_row->addWidget(stop_, 1);
  grid->addLayout(stop_row, 2, 0, 1, 15);
  return box;
}

QWidget* MonitorWindow::BuildCode() {
  code_ = new QTableWidget(0, 5, this);
  code_->setObjectName("tbl_Code");
  code_->setHorizontalHeaderLabels({"", "Addr", "Bytes", "Instruction", "Target"});
  code_->verticalHeader()->hide();
  code_->setFont(Fixed());
  code_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  code_->setSelectionMode(QAbstractItemView::NoSelection);
  code_->horizontalHeader()->setStretchLastSection(true);
  code_->setColumnWidth(0, 22);
  code_->setColumnWidth(1, 50);
  code_->setColumnWidth(2, 60);
  code_->setColumnWidth(3, 130);
  code_->verticalHeader()->setDefaultSectionSize(18);
  code_->setToolTip("Click in the left margin to set or clear a breakpoint");
  connect(code_, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (column == 0) ToggleBreakpointAt(row);
  });
  return code_;
}

QWidget* MonitorWindow::BuildMemory() {
  memory_ = new MemoryTableModel(model_, this);
  memory_view_ = new QTableView(this);
  memory_view_->setObjectName("tbl_Memory");
  memory_view_->setModel(memory_);
  memory_view_->setFont(Fixed());
  memory_view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  memory_view_->horizontalHeader()->setDefaultSectionSize(30);
  memory_view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  memory_view_->verticalHeader()->setDefaultSectionSize(18);
  memory_view_->setMinimumWidth(16 * 30 + 70);
  memory_view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  memory_view_->setContextMenuPolicy(Qt::CustomContextMenu);
  memory_view_->setToolTip("Double-click a RAM cell to change it; right-click to watch writes to a cell");
  connect(memory_view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& where) { ToggleWatchpointAt(where); });
  return memory_view_;
}

QWidget* MonitorWindow::BuildHistory() {
  history_ = new HistoryTableModel(model_, this);
  history_view_ = new QTableView(this);
  history_view_->setObjectName("tbl_History");
  history_view_->setModel(history_);
  history_view_->setFont(Fixed());
  history_view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  history_view_->verticalHeader()->setDefaultSectionSize(18);
  history_view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  history_view_->horizontalHeader()->setDefaultSectionSize(34);
  history_view_->setColumnWidth(0, 56);
  history_view_->setColumnWidth(1, 90);
  for (int c = 5; c < 9; ++c) history_view_->setColumnWidth(c, 44);
  return history_view_;
}

// ---- Drawing ----------------------------------------------------------------------

void MonitorWindow::Refresh(bool now) {
  if (!isVisible()) return;
  if (!now && model_.Running() && since_refresh_.elapsed() < kRunRefreshMs) return;
  since_refresh_.restart();
  ShowRegisters();
  ShowCode();
  memory_->Redraw();
  history_->Redraw();
  const bool idle = !model_.Running();
  step_back_->setEnabled(idle && model_.Debug().Steps().Size() > 0);
  for (QLineEdit* edit : registers_) edit->setReadOnly(!idle);
}

void MonitorWindow::ShowRegisters() {
  MachineState s = model_.State();
  for (int i = 0; i < 7; ++i)
    if (!registers_[i]->hasFocus()) registers_[i]->setText(HexText(RegisterCell(s, i), i < 3 ? 2 : 4));
  for (int i = 0; i < 8; ++i) {
    const bool on = ((s.SR >> (7 - i)) & 1) != 0;
    sr_bits_[i]->setStyleSheet(on ? "QLabel { background: #2f9e44; color: white; border-radius: 3px; }"
                                  : "QLabel { color: #888; }");
  }
  halt_->setText(model_.HaltRequested() ? "Halt request: set" : "Halt request: clear");
  counts_->setText(QString("Instructions: %1   Microcycles: %2")
                       .arg(model_.ExecutedSteps())
                       .arg(static_cast<qulonglong>(model_.Cpu().microcycles)));
  const QString why = StopReasonText(model_.Debug().LastStop());
  stop_->setText(model_.Running() ? "Running..." : why);
}

void MonitorWindow::ShowCode() {
  const int next = NextPc(model_.State().P[0]);
  const auto lines = CodeAround(model_.Cpu().memory, model_.Cpu().table(), model_.Debug(), next, kCodeBefore, kCodeAfter);
  code_->setRowCount(static_cast<int>(lines.size()));
  int next_row = 0;
  for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
    const CodeLine& l = lines[r];
    QString target;
    if (l.target >= 0) target = "-> " + HexText(l.target, 3) + (l.target_symbol.empty() ? "" : " " + QString::fromStdString(l.target_symbol));
    QString instruction = QString::fromStdString(l.instruction);
    if (!l.symbol.empty()) instruction = QString::fromStdString(l.symbol) + ": " + instruction;
    const QString cells[] = {l.breakpoint ? QString::fromUtf8("\u25CF") : QString(), HexText(l.address, 3),
                             QString::fromStdString(l.bytes), instruction, target};
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      if (c == 0) item->setForeground(QColor(210, 0, 0));
      if (c == 0) item->setData(Qt::UserRole, l.address);
      if (l.next) item->setBackground(QColor(255, 240, 160));
      code_->setItem(r, c, item);
    }
    if (l.next) {
      code_->item(r, 1)->setText(QString::fromUtf8("\u25B6") + HexText(l.address, 3));
      next_row = r;
    }
  }
  code_->scrollToItem(code_->item(next_row, 0), QAbstractItemView::PositionAtCenter);
}

// ---- Edits ---------------------------------------------------------------------------

void MonitorWindow::Refused() { stop_->setText("Refused: a program is running."); }

void MonitorWindow::EditRegister(int index) {
  // Only what the user typed: leaving a field that was not changed (or the
  // window closing) must not write a value shown earlier back.
  if (!registers_[index]->isModified()) return;
  registers_[index]->setModified(false);
  MachineState s = model_.State();
  const auto value = ParseHex(registers_[index]->text().trimmed().toStdString(), index < 3 ? 2 : 4);
  if (!value) {
    stop_->setText(QString("%1 takes %2 hexadecimal digits.").arg(kRegisterNames[index]).arg(index < 3 ? 2 : 4));
    return;
  }
  if (static_cast<uint16_t>(RegisterCell(s, index)) == *value) return;
  RegisterCell(s, index) = static_cast<int16_t>(*value);
  if (!model_.SetRegisters(s)) return Refused();
  Refresh(true);
  emit MachineChanged();
}

void MonitorWindow::ToggleBreakpointAt(int row) {
  const QTableWidgetItem* item = code_->item(row, 0);
  if (!item) return;
  const int address = item->data(Qt::UserRole).toInt();
  if (!model_.SetBreakpoint(address, !model_.Debug().IsBreakpoint(address))) return Refused();
  Refresh(true);
}

void MonitorWindow::ToggleWatchpointAt(const QPoint& where) {
  const QModelIndex index = memory_view_->indexAt(where);
  if (!index.isValid()) return;
  const int address = index.row() * 16 + index.column();
  const bool watched = model_.Debug().IsWatchpoint(address);
  QMenu menu(this);
  QAction* toggle = menu.addAction((watched ? "Stop watching " : "Watch writes to ") + HexText(address, 3));
  if (menu.exec(memory_view_->viewport()->mapToGlobal(where)) != toggle) return;
  if (!model_.SetWatchpoint(address, !watched)) return Refused();
  Refresh(true);
}

void MonitorWindow::StepBack() {
  if (!model_.StepBack()) return model_.Running() ? Refused() : void();
  Refresh(true);
  emit MachineChanged();
}

void MonitorWindow::SetToolBar(QWidget* bar) { static_cast<QVBoxLayout*>(layout())->insertWidget(0, bar); }

int MonitorWindow::SelectedAddress(QString* why) const {
  const int row = code_->currentRow();
  if (row < 0 || code_->item(row, 0) == nullptr) {
    *why = "Select a row of the disassembly first.";
    return -1;
  }
  return code_->item(row, 0)->data(Qt::UserRole).toInt();
}

// ---- Recording while open -------------------------------------------------------------

void MonitorWindow::showEvent(QShowEvent* event) {
  model_.SetHistoryRecording(true);
  QWidget::showEvent(event);
  Refresh(true);
}

void MonitorWindow::hideEvent(QHideEvent* event) {
  model_.SetHistoryRecording(false);
  QWidget::hideEvent(event);
}

}  // namespace scmp
