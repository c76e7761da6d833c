// The run options that the settings window changes and the run loop reads.
#pragma once

#include <cstdint>

namespace scmp {

struct RunOptions {
  bool fast_mode = true;
  float delay_seconds = 1.0f;   // 0.1 .. 10.0 once set
  int32_t pause_count = 10000;  // 0 .. 1000000000 once set; 0 = no pause
  bool trace_on = false;
  int32_t trace_limit_mb = 1024;  // 1 .. kMaxTraceLimitMb: the trace log stops there
  // Times the board's own speed that a fast-mode run keeps to; 0 =
  // Unlimited, as fast as the host goes.
  int speed_factor = 0;

  bool operator==(const RunOptions&) const = default;
};

inline constexpr int32_t kMaxTraceLimitMb = 1000000;

}  // namespace scmp
