#include "trainer/pacer.h"

#include <thread>

namespace scmp {

Pacer::Pacer()
    : now_([] { return Clock::now(); }), sleep_([](Clock::duration d) { std::this_thread::sleep_for(d); }) {}

void Pacer::SetClock(Now now, SleepFn sleep) {
  now_ = std::move(now);
  sleep_ = std::move(sleep);
}

void Pacer::Start(uint64_t microcycles, int factor) {
  factor_ = factor > 0 ? factor : 1;
  origin_microcycles_ = microcycles;
  origin_time_ = now_();
}

Pacer::Clock::duration Pacer::Ahead(uint64_t microcycles) {
  const auto emulated = std::chrono::duration_cast<Clock::duration>(
      std::chrono::nanoseconds((microcycles - origin_microcycles_) * 1000 / static_cast<uint64_t>(factor_)));
  const Clock::time_point now = now_();
  const Clock::duration ahead = origin_time_ + emulated - now;
  if (ahead < -kMaxLag) origin_time_ += -kMaxLag - ahead;  // forgive the rest of the lag
  return std::max<Clock::duration>(ahead, -kMaxLag);
}

}  // namespace scmp
