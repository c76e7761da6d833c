#include "ui/symbols_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/hex.h"
#include "ui/monitor_colours.h"

namespace scmp {

namespace {

enum Column { kName, kValue, kKind, kLine, kColumns };

bool IsAddress(const ProgramSymbol& s) { return s.value >= 0 && s.value < kMemorySize; }

}  // namespace

SymbolsView::SymbolsView(PanelModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  Named(this, "pnl_Symbols", "Symbols");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  table_ = Named(new QTableWidget(0, kColumns, this), "tbl_Symbols", "Symbols of the loaded program");
  table_->setHorizontalHeaderLabels({"Name", "Value", "Kind", "Line"});
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(20);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setSortingEnabled(true);
  table_->horizontalHeader()->setSectionResizeMode(kName, QHeaderView::Stretch);
  table_->setToolTip("Double-click or press Return: code shows in the disassembly, data and constants in memory");
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { Activated(row); });
  connect(table_, &QTableWidget::cellActivated, this, [this](int row, int) { Activated(row); });
  layout->addWidget(table_, 1);
  empty_ = Named(new QLabel(this), "lbl_SymbolsEmpty", "Symbols note");
  empty_->setWordWrap(true);
  layout->addWidget(empty_);
}

void SymbolsView::Redraw() {
  const ProgramInfo& program = model_.Debug().Program();
  if (shown_ == model_.Debug().ProgramGeneration()) return;
  shown_ = model_.Debug().ProgramGeneration();
  table_->setSortingEnabled(false);
  table_->setRowCount(static_cast<int>(program.symbols.size()));
  for (int r = 0; r < static_cast<int>(program.symbols.size()); ++r) {
    const ProgramSymbol& s = program.symbols[r];
    const QString value = IsAddress(s) ? QString::fromStdString(Hex(static_cast<uint16_t>(s.value), 3))
                                       : QString::number(s.value);
    const QString cells[] = {QString::fromStdString(s.name), value, SymbolKindName(s.kind), QString::number(s.line)};
    for (int c = 0; c < kColumns; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setData(Qt::UserRole, r);
      if (c == kLine) item->setToolTip(QString::fromStdString(program.SourceLine(s.line)));
      table_->setItem(r, c, item);
    }
  }
  table_->setSortingEnabled(true);
  table_->sortItems(kName);
  empty_->setText(program.symbols.empty()
                      ? "No symbols: the loaded program was not assembled here (an image, a listing or a HEX file), "
                        "or its source defines none."
                      : QString());
  empty_->setAccessibleName(empty_->text());
  empty_->setVisible(program.symbols.empty());
}

void SymbolsView::Activated(int row) {
  const QTableWidgetItem* item = table_->item(row, kName);
  const ProgramInfo& program = model_.Debug().Program();
  if (!item) return;
  const int index = item->data(Qt::UserRole).toInt();
  if (index < 0 || index >= static_cast<int>(program.symbols.size())) return;
  const ProgramSymbol& s = program.symbols[index];
  if (!IsAddress(s)) {
    empty_->setText(QString::fromStdString(s.name) + " is no address from 000 to FFF.");
    empty_->setAccessibleName(empty_->text());
    empty_->setVisible(true);
    return;
  }
  emit ShowAddress(static_cast<int>(s.value), s.kind == SymbolKind::kCode);
}

}  // namespace scmp
