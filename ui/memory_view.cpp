#include "ui/memory_view.h"

#include <QAbstractItemView>
#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "core/hex.h"
#include "ui/monitor_colours.h"
#include "ui/zoom.h"

namespace scmp {

namespace {

struct BaseChoice {
  const char* name;
  CellBase base;
  int column_digits;  // a cell's width, in digits of the table's font
};
const BaseChoice kBases[] = {{"Hexadecimal", CellBase::kHex, 3},
                             {"Decimal", CellBase::kDecimal, 4},
                             {"Binary", CellBase::kBinary, 9},
                             {"Characters", CellBase::kChar, 2}};

QString HexText(int value, int digits) { return QString::fromStdString(Hex(static_cast<uint16_t>(value), digits)); }

}  // namespace

// All 4096 cells, 16 a row: the kind as the background, cells changed by
// the last run or step highlighted, watched cells in red.
class MemoryTableModel : public QAbstractTableModel {
 public:
  MemoryTableModel(PanelModel& model, QObject* parent) : QAbstractTableModel(parent), model_(model) {}

  CellBase base = CellBase::kHex;

  int rowCount(const QModelIndex& = {}) const override { return kMemorySize / 16; }
  int columnCount(const QModelIndex& = {}) const override { return 16; }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role != Qt::DisplayRole) return {};
    return orientation == Qt::Vertical ? HexText(section * 16, 3) : HexText(section, 1);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const int a = index.row() * 16 + index.column();
    const MemoryArray& memory = model_.Cpu().memory;
    const bool changed = model_.Debug().CellChanged(memory, a);
    const MonitorColours colours = MonitorColours::Current();
    switch (role) {
      case Qt::DisplayRole:
      case Qt::EditRole: return QString::fromStdString(CellText(memory.data[a], base));
      case Qt::BackgroundRole:
        if (changed) return colours.changed;
        return memory.kind[a] == kRam ? colours.ram : memory.kind[a] == kPort ? colours.port : colours.absent;
      case Qt::ForegroundRole:
        if (model_.Debug().IsWatchpoint(a)) return colours.watch;
        return colours.text;
      case Qt::FontRole: {
        // Changed cells are bold and watched ones underlined, so that neither
        // is told by colour alone.
        const bool watched = model_.Debug().IsWatchpoint(a);
        if (!changed && !watched) return {};
        QFont f;
        f.setBold(changed);
        f.setUnderline(watched);
        return f;
      }
      case Qt::AccessibleDescriptionRole: {
        // What the bold, the highlight, the underline and the red show.
        const bool watched = model_.Debug().IsWatchpoint(a);
        if (!changed && !watched) return {};
        return QString(watched && changed ? "watched, changed by the last run"
                       : watched          ? "watched"
                                          : "changed by the last run");
      }
      case Qt::ToolTipRole: {
        const char* kind = memory.kind[a] == kRam ? "RAM" : memory.kind[a] == kPort ? "port" : "absent";
        const std::string label = model_.Debug().SymbolAt(a);
        return HexText(a, 3) + " " + kind + (label.empty() ? "" : " " + QString::fromStdString(label)) +
               (model_.Debug().IsWatchpoint(a) ? ", watched" : "") + (changed ? ", changed" : "");
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
    const auto byte = ParseCell(value.toString().toStdString(), base);
    if (!byte || !model_.StoreCell(index.row() * 16 + index.column(), *byte)) return false;
    emit dataChanged(index, index);
    return true;
  }
  void Redraw() { emit dataChanged(index(0, 0), index(rowCount() - 1, 15)); }

 private:
  PanelModel& model_;
};

MemoryView::MemoryView(PanelModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  Named(this, "pnl_Memory", "Memory");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(BuildTools());
  cells_ = new MemoryTableModel(model_, this);
  table_ = Named(new QTableView(this), "tbl_Memory", "Memory cells");
  table_->setModel(cells_);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(9);
  table_->setFont(fixed);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(18);
  table_->setMinimumWidth(16 * 30 + 70);
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  table_->setToolTip("Double-click a RAM cell to change it; right-click to watch writes to a cell");
  connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& where) { ToggleWatchpointAt(where); });
  layout->addWidget(table_, 1);
  // What the cells' looks mean, each told by more than its colour.
  auto* legend = new QLabel("Plain: RAM \u2022 tinted: port \u2022 grey: absent \u2022 <b>bold, highlighted</b>: changed by "
                            "the last run \u2022 <u>underlined, red</u>: watched",
                            this);
  // Its name is its text, so that a screen reader reads the legend itself.
  legend->setObjectName("lbl_MemoryLegend");
  legend->setAccessibleDescription("Memory legend");
  legend->setWordWrap(true);
  layout->addWidget(legend);
  SetBase(CellBase::kHex);
}

QWidget* MemoryView::BuildTools() {
  auto* row = new QWidget(this);
  auto* tools = new QHBoxLayout(row);
  tools->setContentsMargins(0, 0, 0, 0);
  base_ = Named(new QComboBox(row), "cmb_MemoryBase", "Number base");
  for (const BaseChoice& b : kBases) base_->addItem(b.name);
  base_->view()->setAccessibleName("Number bases");
  base_->setToolTip("How the cells are shown and typed");
  connect(base_, &QComboBox::currentIndexChanged, this, [this](int i) { SetBase(kBases[i].base); });
  auto* base_label = Named(new QLabel("Bas&e:", row), "lbl_MemoryBase", "Base");
  base_label->setBuddy(base_);
  range_ = Named(new QLineEdit(row), "edt_MemoryRange", "Range");
  range_->setPlaceholderText("100-1FF");
  range_->setToolTip("Cells to fill or copy, as 100 or 100-1FF; empty takes the selected cells");
  FitWidthToFont(range_, 8);
  auto* range_label = Named(new QLabel("Ra&nge:", row), "lbl_MemoryRange", "Range");
  range_label->setBuddy(range_);
  value_ = Named(new QLineEdit(row), "edt_FillValue", "Fill value");
  value_->setPlaceholderText("00");
  value_->setToolTip("The byte to fill with, in the cell base");
  FitWidthToFont(value_, 8);
  auto* fill = Named(new QPushButton("&Fill", row), "cmd_Fill", "Fill the range");
  auto* copy = Named(new QPushButton("&Copy", row), "cmd_CopyRange", "Copy the range as text");
  copy->setToolTip("Copies the range's cells to the clipboard as text, 16 a line");
  connect(fill, &QPushButton::clicked, this, [this] { Fill(); });
  connect(value_, &QLineEdit::returnPressed, this, [this] { Fill(); });
  connect(copy, &QPushButton::clicked, this, [this] { Copy(); });
  for (QWidget* w : std::initializer_list<QWidget*>{base_label, base_, range_label, range_, value_, fill, copy})
    tools->addWidget(w);
  tools->addStretch(1);
  return row;
}

void MemoryView::SetBase(CellBase base) {
  for (int i = 0; i < static_cast<int>(std::size(kBases)); ++i) {
    if (kBases[i].base != base) continue;
    if (base_->currentIndex() != i) base_->setCurrentIndex(i);
    FitColumnsToFont(table_, std::vector<int>(16, kBases[i].column_digits));
  }
  cells_->base = base;
  Redraw();
}

void MemoryView::Redraw() { cells_->Redraw(); }

void MemoryView::ShowAddress(int address) {
  const QModelIndex index = cells_->index((address & (kMemorySize - 1)) / 16, address % 16);
  table_->scrollTo(index, QAbstractItemView::PositionAtCenter);
  table_->setCurrentIndex(index);
  table_->setFocus();
}

void MemoryView::ToggleWatchpointAt(const QPoint& where) {
  const QModelIndex index = table_->indexAt(where);
  if (!index.isValid()) return;
  const int address = index.row() * 16 + index.column();
  const bool watched = model_.Debug().IsWatchpoint(address);
  QMenu menu(this);
  QAction* toggle = menu.addAction((watched ? "Stop watching " : "Watch writes to ") + HexText(address, 3));
  if (menu.exec(table_->viewport()->mapToGlobal(where)) != toggle) return;
  if (!model_.SetWatchpoint(address, !watched)) return emit Message("Refused: a program is running.");
  emit Changed();
}

bool MemoryView::ChosenRange(int* from, int* to) {
  if (!range_->text().trimmed().isEmpty()) {
    const auto range = ParseRange(range_->text().toStdString());
    if (!range) {
      emit Message("Range: type an address or two, as 100 or 100-1FF (hexadecimal, the first not above the second).");
      range_->setFocus();
      return false;
    }
    *from = range->first;
    *to = range->second;
    return true;
  }
  const QModelIndexList selected = table_->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) {
    emit Message("Select cells or type a range such as 100-1FF first.");
    return false;
  }
  *from = kMemorySize;
  *to = -1;
  for (const QModelIndex& i : selected) {
    *from = std::min(*from, i.row() * 16 + i.column());
    *to = std::max(*to, i.row() * 16 + i.column());
  }
  return true;
}

void MemoryView::Fill() {
  int from = 0, to = 0;
  if (!ChosenRange(&from, &to)) return;
  const auto value = ParseCell(value_->text().toStdString(), cells_->base);
  if (!value) {
    emit Message("Fill value: type one byte in the cell base (" + base_->currentText() + ").");
    value_->setFocus();
    return;
  }
  const int stored = model_.FillCells(from, to, *value);
  if (stored < 0) return emit Message("Refused: a program is running.");
  const int passed = to - from + 1 - stored;
  emit Message(QString("Filled %1 cells %2-%3").arg(stored).arg(HexText(from, 3), HexText(to, 3)) +
               (passed ? QString("; %1 cells that are no RAM passed over").arg(passed) : QString()));
  emit Changed();
}

void MemoryView::Copy() {
  int from = 0, to = 0;
  if (!ChosenRange(&from, &to)) return;
  QApplication::clipboard()->setText(QString::fromStdString(RangeText(model_.Cpu().memory, from, to, cells_->base)));
  emit Message(QString("Copied %1-%2 to the clipboard").arg(HexText(from, 3), HexText(to, 3)));
}

}  // namespace scmp
