// The panel's lamps in words: one line that reads the whole board out, and
// each lamp's name and state, for screen readers and for anyone who would
// rather read the panel than look at it.
#pragma once

#include <string>

#include "trainer/panel_model.h"

namespace scmp {

// "LEDs 0101 1010 (5A)  Flags F2 off F1 on F0 off  Switches 0011 0101 (35)
// Address 0000 0001 0010 (012)  RUN  single step off  Halt off": highest
// bit first, grouped in fours, the value in hexadecimal after.
std::string LampsText(const PanelModel& model);

// "LED 3", "Flag F1", "Data switch 3", "Address switch A", "Halt",
// "Single step", "Run/Prgm".
std::string LampName(Lamp lamp, int index);
// The state a lamp shows, in one word: "lit"/"dark" for the LEDs and the
// lamps of the left column, "on"/"off" for the switches, "RUN"/"PRGM" for
// the run lamp.
std::string LampStateWord(Lamp lamp, bool on);
// "LED 3, lit".
std::string LampSpoken(Lamp lamp, int index, bool on);

}  // namespace scmp
