#include "ui/breakpoint_list.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/hex.h"
#include "ui/accessibility.h"
#include "ui/monitor_colours.h"
#include "ui/theme.h"
#include "ui/zoom.h"

namespace scmp {

namespace {

enum Column { kOn, kKind, kAddress, kLabel, kLine, kCondition, kHits, kColumns };
const char* const kHeadings[] = {"On", "Kind", "Address", "Label", "Line", "Condition", "Hits"};

QString HexText(int value, int digits) { return QString::fromStdString(Hex(static_cast<uint16_t>(value), digits)); }

// The box a Condition cell is typed in, named for screen readers.
class ConditionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    editor->setObjectName("edt_Condition");
    editor->setAccessibleName("Condition of the breakpoint at " + index.siblingAtColumn(kAddress).data().toString());
    return editor;
  }
};

}  // namespace

BreakpointList::BreakpointList(PanelModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  Named(this, "pnl_Breakpoints", "Breakpoints and watchpoints");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  table_ = Named(new QTableWidget(0, kColumns, this), "tbl_Breakpoints", "Breakpoints and watchpoints list");
  for (int c = 0; c < kColumns; ++c) table_->setHorizontalHeaderItem(c, new QTableWidgetItem(kHeadings[c]));
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(20);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
  table_->horizontalHeader()->setStretchLastSection(false);
  table_->horizontalHeader()->setSectionResizeMode(kCondition, QHeaderView::Stretch);
  // On, kind, address, label, line, condition (stretched), hits, in digits
  // of the font.
  FitColumnsToFont(table_, {3, 5, 5, 8, 4, 0, 5});
  table_->setToolTip(
      "Tick On to enable; double-click a breakpoint's Condition to type one (A == 5A, P1 > 100, "
      "mem[100] != 0, hits == #3); double-click elsewhere to show the address");
  table_->setItemDelegateForColumn(kCondition, new ConditionDelegate(table_));
  connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { ItemChanged(item); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    if (column == kCondition && rows_[row].breakpoint) return;  // that edits
    emit ShowAddress(rows_[row].address, rows_[row].breakpoint);
  });
  layout->addWidget(table_, 1);
  layout->addWidget(BuildTools());
  message_ = new QLabel(this);
  // Its name is its text, so that a screen reader reads what it says.
  message_->setObjectName("lbl_BreakpointMessage");
  message_->setAccessibleDescription("Breakpoint message");
  message_->setWordWrap(true);
  layout->addWidget(message_);
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, this, [this] { ColourMessage(); });
}

QWidget* BreakpointList::BuildTools() {
  auto* row = new QWidget(this);
  auto* tools = new QHBoxLayout(row);
  tools->setContentsMargins(0, 0, 0, 0);
  watch_ = Named(new QLineEdit(row), "edt_WatchSymbol", "Watch symbol or address");
  watch_->setPlaceholderText("COUNT or 100");
  watch_->setToolTip("A symbol of the loaded program or a hexadecimal address whose writes stop a run");
  auto* label = Named(new QLabel("&Watch:", row), "lbl_WatchSymbol", "Watch");
  label->setBuddy(watch_);
  auto* add = Named(new QPushButton("&Add Watch", row), "cmd_AddWatch", "Add watchpoint");
  auto* remove = Named(new QPushButton("Re&move", row), "cmd_RemoveBreakpoint", "Remove the selected one");
  auto* clear = Named(new QPushButton("C&lear All", row), "cmd_ClearBreakpoints", "Clear all breakpoints and watchpoints");
  connect(watch_, &QLineEdit::returnPressed, this, [this] { WatchTyped(); });
  connect(add, &QPushButton::clicked, this, [this] { WatchTyped(); });
  connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
  connect(clear, &QPushButton::clicked, this, [this] { ClearAll(); });
  tools->addWidget(label);
  tools->addWidget(watch_, 1);
  tools->addWidget(add);
  tools->addWidget(remove);
  tools->addWidget(clear);
  return row;
}

void BreakpointList::Redraw() {
  std::vector<Row> rows;
  for (const auto& entry : model_.Debug().BreakpointList()) rows.push_back({true, entry.first});
  for (const auto& entry : model_.Debug().WatchpointList()) rows.push_back({false, entry.first});
  if (rows != rows_) return Rebuild(rows);
  filling_ = true;
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) FillRow(r, false);
  filling_ = false;
}

void BreakpointList::Rebuild(const std::vector<Row>& rows) {
  // Another program cleared the watchpoints: the hint that named one goes too.
  if (model_.Debug().WatchpointList().empty() && message_->text().startsWith("Watching ")) Tell(QString(), false);
  filling_ = true;
  rows_ = rows;
  table_->setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem;
      Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
      if (c == kOn) flags |= Qt::ItemIsUserCheckable;
      if (c == kCondition && rows_[r].breakpoint) flags |= Qt::ItemIsEditable;
      item->setFlags(flags);
      table_->setItem(r, c, item);
    }
    FillRow(r, true);
  }
  filling_ = false;
}

// The row's cells from the model; the condition only when asked, so that a
// condition being typed is not overwritten during a run.
void BreakpointList::FillRow(int row, bool with_condition) {
  const Debugger& debugger = model_.Debug();
  const Row& r = rows_[row];
  bool enabled = false;
  int64_t hits = 0;
  QString condition;
  if (r.breakpoint) {
    const Breakpoint& b = debugger.BreakpointList().at(r.address);
    enabled = b.enabled;
    hits = b.hits;
    if (b.condition) condition = QString::fromStdString(b.condition->Text());
  } else {
    const Watchpoint& w = debugger.WatchpointList().at(r.address);
    enabled = w.enabled;
    hits = w.hits;
  }
  const ProgramInfo& program = debugger.Program();
  const int line = program.LineAt(r.address);
  const std::string label = r.breakpoint ? debugger.SymbolAt(r.address) : [&] {
    const Watchpoint& w = debugger.WatchpointList().at(r.address);
    return w.symbol.empty() ? debugger.SymbolAt(r.address) : w.symbol;
  }();
  table_->item(row, kOn)->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
  table_->item(row, kOn)->setData(Qt::AccessibleTextRole, enabled ? "enabled" : "disabled");
  table_->item(row, kKind)->setText(r.breakpoint ? "Break" : "Watch");
  table_->item(row, kAddress)->setText(HexText(r.address, 3));
  table_->item(row, kLabel)->setText(QString::fromStdString(label));
  table_->item(row, kLine)->setText(line > 0 ? QString::number(line) : QString());
  table_->item(row, kLine)->setToolTip(QString::fromStdString(program.SourceLine(line)));
  table_->item(row, kHits)->setText(QString::number(hits));
  if (with_condition) table_->item(row, kCondition)->setText(condition);
}

void BreakpointList::ItemChanged(QTableWidgetItem* item) {
  if (filling_) return;
  const Row r = rows_[item->row()];
  if (item->column() == kOn) {
    const bool on = item->checkState() == Qt::Checked;
    const bool done = r.breakpoint ? model_.EnableBreakpoint(r.address, on) : model_.EnableWatchpoint(r.address, on);
    if (!done) Tell("Refused: a program is running.", true);
    emit Changed();
    return;
  }
  if (item->column() != kCondition || !r.breakpoint) return;
  ConditionError error;
  const std::string text = item->text().toStdString();
  if (model_.SetBreakpointCondition(r.address, text, &error)) {
    item->setForeground(QBrush());
    item->setToolTip({});
    Tell(text.empty() ? QString("The breakpoint at %1 stops every time.").arg(HexText(r.address, 3))
                      : QString("The breakpoint at %1 stops when %2.").arg(HexText(r.address, 3), item->text()),
         false);
    emit Changed();
    return;
  }
  // The text stays as typed, marked, so that it can be mended.
  const QString why = QString("Condition at %1, %2 (the condition in force is unchanged)")
                          .arg(HexText(r.address, 3), QString::fromStdString(ConditionErrorText(error)));
  item->setForeground(MonitorColours::Current().error);
  item->setToolTip(why);
  Tell(why, true);
}

void BreakpointList::WatchTyped() {
  const std::string error = model_.WatchSymbol(watch_->text().toStdString());
  if (!error.empty()) {
    Tell(QString::fromStdString(error), true);
    watch_->setFocus();
    return;
  }
  Tell("Watching " + watch_->text().trimmed(), false);
  watch_->clear();
  emit Changed();
}

void BreakpointList::RemoveSelected() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(rows_.size())) return Tell("Select a row to remove first.", true);
  const Row r = rows_[row];
  const bool done = r.breakpoint ? model_.SetBreakpoint(r.address, false) : model_.SetWatchpoint(r.address, false);
  if (!done) return Tell("Refused: a program is running.", true);
  emit Changed();
}

void BreakpointList::ClearAll() {
  if (!model_.ClearBreakpointsAndWatchpoints()) return Tell("Refused: a program is running.", true);
  Tell("All breakpoints and watchpoints cleared.", false);
  emit Changed();
}

void BreakpointList::Tell(const QString& text, bool error) {
  message_->setText(text);
  message_is_error_ = error;
  ColourMessage();
  if (!text.isEmpty()) Announce(this, text);
}

// An error in the theme's error colour, anything else as the window's text;
// again after a change of theme.
void BreakpointList::ColourMessage() {
  QPalette p = message_->palette();
  p.setColor(QPalette::WindowText, message_is_error_ ? MonitorColours::Current().error : palette().color(QPalette::WindowText));
  message_->setPalette(p);
}

}  // namespace scmp
