// What screen readers get of the choosers Qt names poorly: a combo box
// with a name of its own, and the tabs of a tab bar.
#pragma once

#include <QAccessibleInterface>
#include <QString>

class QWidget;

namespace scmp {

// An interface for `widget` of class `class_name` when it is one of those
// choosers, else null; for the accessibility factory.
QAccessibleInterface* MakeChooserAccessible(const QString& class_name, QWidget* widget);

}  // namespace scmp
