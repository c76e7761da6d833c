// A board for tests, benchmarks and fuzzers that run the bare processor.
#pragma once

#include <cstdint>

#include "core/board.h"

namespace scmp {

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
