// The objectNames of the panel's label widgets, the original window's
// control names, which tests and users of the window find them by.
#pragma once

#include <iterator>

#include "trainer/panel_model.h"

namespace scmp {

inline const char* LabelObjectName(Label label) {
  static const char* const kNames[] = {
      "lbl_Delay",    "lbl_Trace", "lbl_Pause", "lbl_Speed",     "lbl_cycles",    "lbl_Opcode", "lbl_Amode",
      "lbl_Register", "lbl_Cflag", "lbl_OFlag", "lbl_Operation", "lbl_P0",        "lbl_P1",     "lbl_P2",
      "lbl_P3",       "lbl_m1",    "lbl_m2",    "lbl_Accu",      "lbl_Extension", "lbl_Status",
  };
  static_assert(std::size(kNames) == static_cast<size_t>(Label::kCount));
  return kNames[static_cast<int>(label)];
}

}  // namespace scmp
