#include "ui/accessible_choosers.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QHash>
#include <QPointer>
#include <QTabBar>

namespace scmp {

namespace {

// A chooser with a name of its own ("Number base"): Qt names a combo box by
// its current entry, which leaves a screen reader without what it chooses.
// Here the name is the chooser's and the value is the entry; the menu
// opens as an action, as it does by the keyboard.
class NamedComboAccessible : public QAccessibleWidget {
 public:
  explicit NamedComboAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {}
  QString text(QAccessible::Text t) const override {
    const auto* combo = static_cast<const QComboBox*>(widget());
    if (t == QAccessible::Name) return combo->accessibleName();
    if (t == QAccessible::Value) return combo->currentText();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return QStringList{showMenuAction()} + QAccessibleWidget::actionNames(); }
  void doAction(const QString& action) override {
    if (action == showMenuAction())
      static_cast<QComboBox*>(widget())->showPopup();
    else
      QAccessibleWidget::doAction(action);
  }
};

// A tab of a tab bar. Qt reports the current tab as focused even while the
// keyboard is elsewhere, so a screen reader would hear two focused objects:
// here a tab is focused only when its bar has the focus.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TabAccessible(QTabBar* bar, int index) : bar_(bar), index_(index) {}
  bool isValid() const override { return bar_ && index_ < bar_->count(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return bar_ ? bar_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    if (t == QAccessible::Name) return bar_->tabText(index_).remove('&');
    if (t == QAccessible::Description) return bar_->tabToolTip(index_);
    return {};
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = bar_->tabRect(index_);
    return QRect(bar_->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) return s;
    const bool current = bar_->currentIndex() == index_;
    s.focusable = true;
    s.selectable = true;
    s.selected = current;
    s.focused = current && bar_->hasFocus();
    s.disabled = !bar_->isTabEnabled(index_);
    s.invisible = !bar_->isVisible();
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action == pressAction() && isValid()) bar_->setCurrentIndex(index_);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<QTabBar> bar_;
  int index_;
};

class TabBarAccessible : public QAccessibleWidget {
 public:
  explicit TabBarAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::PageTabList) {}
  ~TabBarAccessible() override {
    for (const QAccessible::Id id : tabs_) QAccessible::deleteAccessibleInterface(id);
  }
  // Named as the tab widget it belongs to, unless it has a name of its own.
  QString text(QAccessible::Text t) const override {
    QString text = QAccessibleWidget::text(t);
    if (t == QAccessible::Name && text.isEmpty() && Bar()->parentWidget() != nullptr)
      text = Bar()->parentWidget()->accessibleName();
    return text;
  }
  int childCount() const override { return Bar()->count(); }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= Bar()->count()) return nullptr;
    if (!tabs_.contains(index)) tabs_[index] = QAccessible::registerAccessibleInterface(new TabAccessible(Bar(), index));
    return QAccessible::accessibleInterface(tabs_[index]);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (auto it = tabs_.begin(); it != tabs_.end(); ++it)
      if (QAccessible::accessibleInterface(it.value()) == child) return it.key();
    return -1;
  }

 private:
  QTabBar* Bar() const { return static_cast<QTabBar*>(widget()); }
  mutable QHash<int, QAccessible::Id> tabs_;
};

}  // namespace

QAccessibleInterface* MakeChooserAccessible(const QString& class_name, QWidget* widget) {
  if (class_name == QLatin1String("QTabBar")) return new TabBarAccessible(widget);
  if (class_name == QLatin1String("QComboBox") && !widget->accessibleName().isEmpty())
    return new NamedComboAccessible(widget);
  return nullptr;
}

}  // namespace scmp
