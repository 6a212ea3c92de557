// The time of day and its replaceable source.
#include "os/Clock.h"

#include <sys/time.h>

namespace sw::os {
namespace {
std::function<double()>& clockSource() {
  static std::function<double()> source;
  return source;
}

double systemTime() {
  timeval now{};
  gettimeofday(&now, nullptr);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_usec) / 1e6;
}
}  // namespace

double currentTime() { return clockSource() ? clockSource()() : systemTime(); }

void setClock(std::function<double()> source) { clockSource() = std::move(source); }

ManualClock::ManualClock(double start) : now_(start) {
  setClock([this] { return now_; });
}

ManualClock::~ManualClock() { setClock(nullptr); }

}  // namespace sw::os
