#include "trainer/lamps_text.h"

#include "core/hex.h"

namespace scmp {

namespace {

// Bits `count`-1 down to 0 of the lamps `lamp`, in groups of four, then the
// value they make in hexadecimal.
std::string BitRow(const PanelModel& model, Lamp lamp, int count) {
  std::string bits;
  unsigned value = 0;
  for (int i = count - 1; i >= 0; --i) {
    const bool on = model.LampOn(lamp, i);
    value = value << 1 | (on ? 1u : 0u);
    bits += on ? '1' : '0';
    if (i % 4 == 0 && i > 0) bits += ' ';
  }
  return bits + " (" + Hex(static_cast<uint16_t>(value), (count + 3) / 4) + ")";
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

}  // namespace

std::string LampsText(const PanelModel& model) {
  std::string text = "LEDs " + BitRow(model, Lamp::kLed, 8) + "  Flags";
  for (int i = 2; i >= 0; --i) text += " F" + std::to_string(i) + " " + OnOff(model.LampOn(Lamp::kFlagLed, i));
  text += "  Switches " + BitRow(model, Lamp::kDataSwitch, 8);
  text += "  Address " + BitRow(model, Lamp::kAddressSwitch, 12);
  text += model.LampOn(Lamp::kRunLed) ? "  RUN" : "  PRGM";
  text += std::string("  single step ") + OnOff(model.LampOn(Lamp::kSingleStepLed));
  text += std::string("  Halt ") + OnOff(model.LampOn(Lamp::kHaltLed));
  return text;
}

std::string LampName(Lamp lamp, int index) {
  switch (lamp) {
    case Lamp::kAddressSwitch: return "Address switch " + Hex(static_cast<uint16_t>(index), 1);
    case Lamp::kDataSwitch: return "Data switch " + std::to_string(index);
    case Lamp::kLed: return "LED " + std::to_string(index);
    case Lamp::kFlagLed: return "Flag F" + std::to_string(index);
    case Lamp::kHaltLed: return "Halt";
    case Lamp::kSingleStepLed: return "Single step";
    case Lamp::kRunLed: return "Run/Prgm";
  }
  return {};
}

std::string LampStateWord(Lamp lamp, bool on) {
  switch (lamp) {
    case Lamp::kAddressSwitch:
    case Lamp::kDataSwitch: return OnOff(on);
    case Lamp::kRunLed: return on ? "RUN" : "PRGM";
    default: return on ? "lit" : "dark";
  }
}

std::string LampSpoken(Lamp lamp, int index, bool on) {
  return LampName(lamp, index) + ", " + LampStateWord(lamp, on);
}

}  // namespace scmp
