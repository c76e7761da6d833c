// Help > Keyboard: every key in a window that scrolls, so that the long
// list fits a screen of 768 pixels.
#pragma once

#include <QString>

class QWidget;

namespace scmp {

void ShowKeyboardHelp(QWidget* parent, const QString& text);

}  // namespace scmp
