// The lines of a load's report past its summary (dropped ranges, warnings),
// shown without holding up the window.
#pragma once

#include <QWidget>

#include "trainer/panel_load.h"

namespace scmp {

// Shows a non-modal message with every line of `load`'s report when it has
// more to say than its summary (which goes to the window's title).
void ShowLoadDetails(QWidget* parent, const FileLoad& load);

}  // namespace scmp
