// The editor's register strip: the registers and the next instruction in
// one line, so that stepping by source line needs no other window.
#pragma once

#include <string>

#include "trainer/panel_model.h"

namespace scmp {

// "A 5A  E 00  SR 80  P0 0008  P1 0A00  P2 0000  P3 0000  next 009: ST 0(P1)"
std::string RegisterStripText(const PanelModel& model);

}  // namespace scmp
