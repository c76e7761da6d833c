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

// A board with nothing attached: switches all off, writes go nowhere, DLY
// returns at once. It keeps the last values so that tests can look at them.
class BareBoard : public Board {
 public:
  int16_t switches = 0;
  int16_t leds = 0;
  int16_t flags = 0;
  bool halt_led = false;
  uint64_t delay_steps = 0;  // total of all DLY counts
  int led_writes = 0;

  int16_t ReadDataSwitches() const override { return switches; }
  void DriveLeds(int16_t value) override { leds = value; ++led_writes; }
  void ShowFlagLeds(int16_t sr) override { flags = sr & 0x07; }
  void LightHaltLed() override { halt_led = true; }
  void Delay(uint64_t empty_steps) override { delay_steps += empty_steps; }
};

}  // namespace scmp
