// What the processor needs from the board around it: the data switches that
// a port read returns, the LEDs that a port write drives, the flag and Halt
// LEDs, and a way to let time pass for DLY. The front panel model implements
// it; the core never sees a window.
#pragma once

#include <cstdint>

namespace scmp {

class Board {
 public:
  virtual ~Board() = default;

  // The byte formed by the eight data switches (bit i is switch i).
  virtual int16_t ReadDataSwitches() const = 0;
  // A write to a port address: LED i shows bit i of the value.
  virtual void DriveLeds(int16_t value) = 0;
  // CAS wrote SR: the three flag LEDs show its bits 0..2.
  virtual void ShowFlagLeds(int16_t sr) = 0;
  // HALT or an undefined opcode: light the Halt LED.
  virtual void LightHaltLed() = 0;
  // DLY: `empty_steps` counted steps of the original's busy wait have to
  // pass. The board decides how long that takes.
  virtual void Delay(uint64_t empty_steps) = 0;
};

}  // namespace scmp
