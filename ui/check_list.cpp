#include "ui/check_list.h"

#include <QAction>
#include <QMenu>

namespace scmp {

// As scmp-run prints it, with the file's name without its folder.
QString CheckLine(const CheckWarning& warning, const LineMap& lines) {
  const SourcePlace place = lines.PlaceOf(warning.instruction);
  const std::string where = place.line > 0 ? FileName(place.file) + ":" + std::to_string(place.line) + ": " : "";
  return QString::fromLocal8Bit((where + "warning: " + CheckText(warning)).c_str());
}

CheckList::CheckList(PanelModel& model, QWidget* parent) : QListWidget(parent), model_(model) {
  setObjectName("lst_Checks");
  setAccessibleName("Warnings of the memory checks");
  connect(this, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { emit ShowAddress(item->data(Qt::UserRole).toInt(), true); });
  Update();
}

void CheckList::Update() {
  const MemoryChecks& checks = model_.Checks();
  if (checks.Generation() != generation_) {
    clear();
    generation_ = checks.Generation();
    shown_ = 0;
  }
  const std::vector<CheckWarning>& warnings = checks.Warnings();
  if (shown_ == warnings.size() && count() > 0) return;
  if (shown_ == 0) clear();  // the "no warnings" line
  for (; shown_ < warnings.size(); ++shown_) {
    auto* item = new QListWidgetItem(CheckLine(warnings[shown_], model_.Lines()), this);
    item->setData(Qt::UserRole, warnings[shown_].instruction);
  }
  if (warnings.empty())
    new QListWidgetItem(model_.Debug().Checking() ? "No warnings from the checks." : "The checks are off (View > Checks).",
                        this);
}

void AddCheckEntries(QMenu* view, PanelModel& model) {
  view->addSeparator();
  QAction* checks = view->addAction("&Checks");
  checks->setObjectName("mnu_Checks");
  checks->setCheckable(true);
  checks->setChecked(true);
  checks->setToolTip("Warn while a program runs: uninitialised reads, empty memory, self-modifying code, "
                     "writes outside RAM");
  QAction* stop = view->addAction("&Stop at a Check's Warning");
  stop->setObjectName("mnu_StopAtCheck");
  stop->setCheckable(true);
  auto apply = [&model, checks, stop] {
    stop->setEnabled(checks->isChecked());
    model.SetChecking(checks->isChecked(), stop->isChecked());
  };
  QObject::connect(checks, &QAction::toggled, view, apply);
  QObject::connect(stop, &QAction::toggled, view, apply);
  apply();
}

}  // namespace scmp
