// The style sheets of the strip below the board, from the colour roles of
// the theme in use, so that the strip follows the theme while the board
// stays a board.
#pragma once

#include <QString>

#include "ui/theme.h"

namespace scmp {

QString StripStyle(const ColourRoles& c);
QString RegisterDisplayStyle(const ColourRoles& c);
// `margin_left`: the part of the cycles box that lies under the register
// display, left undrawn.
QString CyclesStyle(const ColourRoles& c, int margin_left);
// The ring a panel button shows while it has the keyboard focus.
QString FocusRingStyle(const ColourRoles& c);

}  // namespace scmp
