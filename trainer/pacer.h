// Keeps the emulated microcycles in step with the wall clock at a paced
// speed: the run loop executes a slice of emulated time, then waits until
// the wall clock has caught up. The clock and the sleep can be replaced, so
// that tests drive the pacing without taking real time.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace scmp {

class Pacer {
 public:
  using Clock = std::chrono::steady_clock;
  using Now = std::function<Clock::time_point()>;
  using SleepFn = std::function<void(Clock::duration)>;

  // One microcycle of the board: four periods of its 4 MHz crystal.
  static constexpr auto kMicrocycle = std::chrono::microseconds(1);
  // A slice: 1 ms of wall time, that is 1 ms of emulated time at real time
  // and `factor` ms at a faster speed, so that the sleeps stay about 1 ms
  // apart whatever the speed.
  static constexpr uint64_t kSliceMicrocycles = 1000;
  // The host is never made to catch up more than this after it fell behind
  // (a debugger stop, a suspended laptop, a slow window).
  static constexpr auto kMaxLag = std::chrono::milliseconds(100);

  Pacer();
  void SetClock(Now now, SleepFn sleep);

  // Starts keeping step from `microcycles` now, at `factor` times the
  // board's own speed (factor > 0).
  void Start(uint64_t microcycles, int factor);
  // The microcycle count at which a slice that starts at `microcycles` ends.
  uint64_t SliceEnd(uint64_t microcycles) const { return microcycles + kSliceMicrocycles * factor_; }
  // How far the emulated time at `microcycles` is ahead of the wall clock;
  // zero or less when the wall clock has caught up. A lag of more than
  // kMaxLag is forgiven down to kMaxLag.
  Clock::duration Ahead(uint64_t microcycles);
  void Sleep(Clock::duration d) const { sleep_(d); }

 private:
  Now now_;
  SleepFn sleep_;
  int factor_ = 1;
  uint64_t origin_microcycles_ = 0;
  Clock::time_point origin_time_{};
};

}  // namespace scmp
