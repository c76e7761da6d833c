#include "ui/monitor_window.h"

#include <QScreen>
#include <QAbstractTableModel>
#include <QAccessible>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/fetch.h"
#include "core/hex.h"
#include "trainer/code_view.h"
#include "ui/accessibility.h"
#include "ui/breakpoint_list.h"
#include "ui/check_list.h"
#include "ui/memory_view.h"
#include "ui/monitor_colours.h"
#include "ui/symbols_view.h"
#include "ui/theme.h"
#include "ui/zoom.h"

namespace scmp {

namespace {

// During a run the Monitor redraws at most this often (ms).
constexpr int kRunRefreshMs = 100;
// A screen reader hears every change of a register box: during a run, with
// one listening, the boxes are redrawn only this often, since their values
// change faster than speech anyway.
constexpr int kListenedRefreshMs = 1000;
constexpr int kCodeBefore = 24;  // bytes of disassembly before the next instruction
constexpr int kCodeAfter = 48;

const char* const kRegisterNames[] = {"A", "E", "SR", "P0", "P1", "P2", "P3"};
const char* const kStatusBits[] = {"CY/L", "OV", "SB", "SA", "IE", "F2", "F1", "F0"};  // bit 7 first

QFont Fixed() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setPointSizeF(9);
  return f;
}

// Tabs to the next multiple of 8 columns, as the source looks in an editor.
QString ExpandTabs(const QString& text) {
  QString out;
  for (const QChar c : text) {
    if (c != '\t') out += c;
    else out += QString(8 - out.size() % 8, ' ');
  }
  return out;
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

// A status bit: set bits bold on the theme's mark colour, clear ones dim,
// and the state in the name. Drawn through the palette and rich text, not a
// style sheet, so that zooming grows it with the window's font; redone
// only when the state or the theme changed.
void ShowStatusBit(QLabel* label, const char* name, bool on) {
  const ColourRoles& c = Colours();
  const QString shown = QString("%1 %2 %3 %4").arg(on).arg(c.flag_set.name(), c.flag_set_text.name(), c.flag_clear_text.name());
  if (label->property("scmpShown").toString() == shown) return;
  label->setProperty("scmpShown", shown);
  QPalette p = label->palette();
  p.setColor(QPalette::Window, c.flag_set);
  p.setColor(QPalette::WindowText, on ? c.flag_set_text : c.flag_clear_text);
  label->setPalette(p);
  label->setAutoFillBackground(on);
  label->setText(on ? QString("<b>%1</b>").arg(name) : QString(name));
  label->setAccessibleName(QString("%1 %2").arg(name, on ? "set" : "clear"));
}

}  // namespace

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
      case 1: return QString::fromStdString(InstructionText(model_.Cpu().table(), model_.Debug(), e.address, e.opcode, e.operand));
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
  Named(this, "frm_Monitor", "Monitor");
  setWindowTitle("Monitor");
  layout_ = new QVBoxLayout(this);
  // The run controls' toolbar goes above the registers (SetToolBar).
  layout_->addWidget(BuildRegisters());
  // The disassembly on the left; memory above the history, breakpoints and
  // symbols on the right.
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setObjectName("spl_Monitor");
  split->setAccessibleName("Disassembly and memory");
  split->addWidget(BuildCode());
  memory_ = new MemoryView(model_, this);
  connect(memory_, &MemoryView::Message, this, [this](const QString& text) { Tell(text); });
  connect(memory_, &MemoryView::Changed, this, [this] { ChangedHere(); });
  auto* right = new QSplitter(Qt::Vertical, split);
  right->setObjectName("spl_MonitorRight");
  right->setAccessibleName("Memory and lists");
  right->addWidget(memory_);
  right->addWidget(BuildSide());
  split->addWidget(right);
  layout_->addWidget(split, 1);
  // Room for the title bar and a desktop panel on a 1366x768 screen.
  const QRect room = screen() != nullptr ? screen()->availableGeometry() : QRect(0, 0, 1366, 768);
  resize(std::min(1240, room.width() - 16), std::min(680, room.height() - 64));
  split->setSizes({640, 600});
  right->setSizes({400, 300});
  since_refresh_.start();
  since_registers_.start();
  // Tab leaves a table for the next control (arrows move inside it), so
  // that the keyboard is never held in one.
  for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) view->setTabKeyNavigation(false);
  Refresh(true);
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, this, [this] { Refresh(true); });
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
    edit->setAccessibleName(QString("Register %1").arg(kRegisterNames[i]));
    edit->setFont(Fixed());
    FitWidthToFont(edit, 5);
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
  MakeLiveLabel(counts_, "Counts since start-up or the last RST");
  bits->addSpacing(16);
  bits->addWidget(counts_);
  bits->addStretch(1);
  grid->setColumnStretch(14, 1);
  grid->addLayout(bits, 1, 0, 1, 15);
  auto* stop_row = new QHBoxLayout;
  step_back_ = new QPushButton("Step Back", box);
  step_back_->setObjectName("cmd_StepBack");
  step_back_->setAccessibleName("Step Back");
  connect(step_back_, &QPushButton::clicked, this, [this] { StepBack(); });
  stop_row->addWidget(step_back_);
  stop_ = new QLabel(box);
  stop_->setObjectName("lbl_Stop");
  stop_row->addWidget(stop_, 1);
  grid->addLayout(stop_row, 2, 0, 1, 15);
  return box;
}

enum CodeColumn { kMark, kAddress, kBytes, kInstruction, kTarget, kSource, kCodeColumns };

QWidget* MonitorWindow::BuildCode() {
  code_ = Named(new QTableWidget(0, kCodeColumns, this), "tbl_Code", "Disassembly");
  code_->setHorizontalHeaderLabels({"", "Addr", "Bytes", "Instruction", "Target", "Source line"});
  // The margin's column shows no caption; a screen reader still names it.
  code_->horizontalHeaderItem(0)->setData(Qt::AccessibleTextRole, "Breakpoint");
  code_->verticalHeader()->hide();
  code_->setFont(Fixed());
  code_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  code_->setSelectionMode(QAbstractItemView::SingleSelection);
  code_->setSelectionBehavior(QAbstractItemView::SelectRows);
  code_->horizontalHeader()->setStretchLastSection(true);
  // Mark, address, bytes, instruction, target, in digits of the font.
  FitColumnsToFont(code_, {2, 6, 11, 20, 7});
  code_->verticalHeader()->setDefaultSectionSize(18);
  code_->setToolTip("Click in the left margin, or press Ctrl+B on a line, to set or clear a breakpoint");
  connect(code_, &QTableWidget::cellClicked, this, [this](int row, int column) {
    if (column == kMark) ToggleBreakpointAt(row);
  });
  auto* toggle = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_B), code_, nullptr, nullptr, Qt::WidgetShortcut);
  toggle->setObjectName("key_ToggleBreakpoint");
  connect(toggle, &QShortcut::activated, this, [this] { ToggleBreakpointAt(code_->currentRow()); });
  return code_;
}

QWidget* MonitorWindow::BuildSide() {
  side_ = Named(new QTabWidget(this), "tab_MonitorSide", "History, breakpoints and symbols");
  side_->addTab(BuildHistory(), "&History");
  breakpoints_ = new BreakpointList(model_, side_);
  connect(breakpoints_, &BreakpointList::Changed, this, [this] { ChangedHere(); });
  connect(breakpoints_, &BreakpointList::ShowAddress, this, &MonitorWindow::ShowAddress);
  side_->addTab(breakpoints_, "&Breakpoints");
  symbols_ = new SymbolsView(model_, side_);
  connect(symbols_, &SymbolsView::ShowAddress, this, &MonitorWindow::ShowAddress);
  side_->addTab(symbols_, "S&ymbols");
  checks_ = new CheckList(model_, side_);
  connect(checks_, &CheckList::ShowAddress, this, &MonitorWindow::ShowAddress);
  side_->addTab(checks_, "Chec&ks");
  return side_;
}


void MonitorWindow::ShowAddress(int address, bool code) {
  if (!code) {
    memory_->ShowAddress(address);
    return;
  }
  code_focus_ = address;
  code_focus_p0_ = model_.State().P[0];
  ShowCode();
  code_->setFocus();
}

QWidget* MonitorWindow::BuildHistory() {
  history_ = new HistoryTableModel(model_, this);
  history_view_ = Named(new QTableView(this), "tbl_History", "History of executed instructions");
  history_view_->setModel(history_);
  history_view_->setFont(Fixed());
  history_view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  history_view_->verticalHeader()->setDefaultSectionSize(18);
  history_view_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // Address, instruction, A, E, SR, P0..P3, in digits of the font.
  FitColumnsToFont(history_view_, {4, 14, 3, 3, 3, 5, 5, 5, 5});
  return history_view_;
}

// ---- Drawing ----------------------------------------------------------------------

void MonitorWindow::Refresh(bool now) {
  if (!isVisible()) return;
  if (!now && model_.Running() && since_refresh_.elapsed() < kRunRefreshMs) return;
  since_refresh_.restart();
  if (now || !model_.Running() || !QAccessible::isActive() || since_registers_.elapsed() >= kListenedRefreshMs) {
    since_registers_.restart();
    ShowRegisters();
  }
  ShowCode();
  memory_->Redraw();
  history_->Redraw();
  breakpoints_->Redraw();
  symbols_->Redraw();
  checks_->Update();
  const bool idle = !model_.Running();
  step_back_->setEnabled(idle && model_.Debug().Steps().Size() > 0);
  for (QLineEdit* edit : registers_) edit->setReadOnly(!idle);
}

void MonitorWindow::ShowRegisters() {
  MachineState s = model_.State();
  for (int i = 0; i < 7; ++i) {
    const QString text = HexText(RegisterCell(s, i), i < 3 ? 2 : 4);
    // A box told its own text again would still be heard as changed.
    if (!registers_[i]->hasFocus() && registers_[i]->text() != text) registers_[i]->setText(text);
  }
  for (int i = 0; i < 8; ++i) ShowStatusBit(sr_bits_[i], kStatusBits[i], ((s.SR >> (7 - i)) & 1) != 0);
  halt_->setText(model_.HaltRequested() ? "Halt request: set" : "Halt request: clear");
  counts_->setText(QString("Instructions: %1   Microcycles: %2")
                       .arg(static_cast<qulonglong>(model_.StepsSinceReset()))
                       .arg(static_cast<qulonglong>(model_.MicrocyclesSinceReset())));
  counts_->setToolTip("Since start-up or the last RST");
  QString why = StopReasonText(model_.Debug().LastStop());
  const StopReason reason = model_.Debug().LastStop();
  if (reason == StopReason::kBreakpoint || reason == StopReason::kWatchpoint || reason == StopReason::kCheck)
    why += QString(" (%1)").arg(QString::fromStdString(model_.Debug().StopSummary()));
  stop_->setText(model_.Running() ? "Running..." : why);
}

void MonitorWindow::ShowCode() {
  const int next = NextPc(model_.State().P[0]);
  if (code_focus_ >= 0 && model_.State().P[0] != code_focus_p0_) code_focus_ = -1;  // P0 moved: follow it
  const int focus = code_focus_ >= 0 ? code_focus_ : next;
  const auto lines =
      CodeAround(model_.Cpu().memory, model_.Cpu().table(), model_.Debug(), focus, next, kCodeBefore, kCodeAfter);
  code_->setRowCount(static_cast<int>(lines.size()));
  int focus_row = 0;
  for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
    ShowCodeRow(r, lines[r]);
    if (lines[r].address == focus) focus_row = r;
  }
  code_->scrollToItem(code_->item(focus_row, 0), QAbstractItemView::PositionAtCenter);
  if (code_focus_ >= 0) code_->setCurrentCell(focus_row, kInstruction);
}

void MonitorWindow::ShowCodeRow(int row, const CodeLine& l) {
  const MonitorColours colours = MonitorColours::Current();
  QString target;
  if (l.target >= 0) target = "-> " + HexText(l.target, 3);
  QString instruction = QString::fromStdString(l.instruction);
  if (!l.symbol.empty()) instruction = QString::fromStdString(l.symbol) + ": " + instruction;
  QString source;
  if (l.source_line > 0)
    source = QString("%1  %2").arg(l.source_line, 3).arg(ExpandTabs(QString::fromStdString(l.source)));
  const QString mark = !l.breakpoint ? QString() : l.enabled ? QString::fromUtf8("\u25CF") : QString::fromUtf8("\u25CB");
  const QString address = (l.next ? QString::fromUtf8("\u25B6") : QString()) + HexText(l.address, 3);
  const QString cells[] = {mark, address, QString::fromStdString(l.bytes), instruction, target, source};
  for (int c = 0; c < kCodeColumns; ++c) {
    auto* item = new QTableWidgetItem(cells[c]);
    if (cells[c].isEmpty() && c == kTarget) item->setData(Qt::AccessibleTextRole, "no target");
    if (cells[c].isEmpty() && c == kSource) item->setData(Qt::AccessibleTextRole, "no source line");
    // The arrow is read out as what it means.
    if (c == kAddress && l.next) item->setData(Qt::AccessibleTextRole, "next instruction, " + HexText(l.address, 3));
    if (c == kMark) {
      item->setForeground(colours.breakpoint);
      item->setData(Qt::UserRole, l.address);
      item->setData(Qt::AccessibleTextRole, !l.breakpoint ? "no breakpoint" : l.enabled ? "breakpoint" : "breakpoint, disabled");
    }
    if (l.next) {
      item->setBackground(colours.next_line);
      item->setForeground(c == kMark ? colours.breakpoint : colours.text);
    }
    code_->setItem(row, c, item);
  }
}

// ---- Edits ---------------------------------------------------------------------------

void MonitorWindow::Refused() { Tell("Refused: a program is running."); }

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
  const bool listed = model_.Debug().BreakpointList().count(address) > 0;
  if (!model_.SetBreakpoint(address, !listed)) return Refused();
  Refresh(true);
  Tell(QString("Breakpoint %1 at %2").arg(listed ? "cleared" : "set", HexText(address, 3)));
}

// Shown under the registers and spoken to a screen reader.
void MonitorWindow::Tell(const QString& text) {
  stop_->setText(text);
  Announce(this, text);
}

// A breakpoint, watchpoint or cell changed from the Monitor: every view and
// the panel redraw.
void MonitorWindow::ChangedHere() {
  Refresh(true);
  emit MachineChanged();
}

void MonitorWindow::StepBack() {
  if (!model_.StepBack()) return model_.Running() ? Refused() : void();
  Refresh(true);
  emit MachineChanged();
}

void MonitorWindow::SetToolBar(QWidget* bar) { layout_->insertWidget(0, bar); }

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
