// The run options that the settings window changes and the run loop reads.
#pragma once

#include <cstdint>

namespace scmp {

struct RunOptions {
  bool fast_mode = true;
  float delay_seconds = 1.0f;   // 0.1 .. 10.0 once set
  int32_t pause_count = 10000;  // 0 .. 1000000000 once set; 0 = no pause
  bool trace_on = false;

  bool operator==(const RunOptions&) const = default;
};

}  // namespace scmp
