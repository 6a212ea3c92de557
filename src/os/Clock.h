// The time of day, behind a replaceable source so that caches, throttles and dates can be
// tested without waiting.
#pragma once

#include <functional>

namespace sw::os {

/// Seconds since 1970-01-01 UTC with microsecond resolution, as gettimeofday gives them.
double currentTime();

/// Replaces the source of currentTime; an empty function restores the system clock.
void setClock(std::function<double()> source);

/// A clock for tests: installs itself on construction, restores the system clock on destruction.
class ManualClock {
 public:
  explicit ManualClock(double start = 1'700'000'000.0);
  ~ManualClock();
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;

  void advance(double seconds) { now_ += seconds; }
  void set(double seconds) { now_ = seconds; }
  double now() const { return now_; }

 private:
  double now_;
};

}  // namespace sw::os
