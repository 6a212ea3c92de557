// Rings of recent raw readings, bucketed at the refresh interval.
#include "host/RecentHistory.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace sw::host {

std::int64_t SensorHistoryRing::bucketAt(Clock::time_point now) const {
  if (lastBucket_ < 0) return -1;
  const double intervals = std::chrono::duration<double>(now - bucketStart_) / std::chrono::duration<double>(interval_);
  // Refreshes come a little later than every interval; counting whole intervals from the
  // bucket's first reading, rounded, keeps such drift from leaving a gap now and then.
  if (intervals < 0.75) return lastBucket_;
  return lastBucket_ + std::max<std::int64_t>(1, std::llround(std::min(intervals, 1e12)));
}

void SensorHistoryRing::record(std::int32_t rawValue, Clock::time_point now) {
  const std::int64_t bucket = lastBucket_ < 0 ? 0 : bucketAt(now);
  if (bucket != lastBucket_) {
    lastBucket_ = bucket;
    bucketStart_ = now;
  }
  slots_[static_cast<std::size_t>(bucket) % kSlots] = Slot{bucket, rawValue};
  lastRecorded_ = now;
}

SensorHistoryRing::Window SensorHistoryRing::window(Clock::time_point now) const {
  Window window;
  window.serial = serial_;
  window.end = bucketAt(now);
  const std::int64_t current = window.end;
  Samples& samples = window.samples;
  if (current < 0) return window;
  for (std::size_t index = 0; index < kSlots; ++index) {
    const std::int64_t bucket = current - static_cast<std::int64_t>(kSlots - 1 - index);
    if (bucket < 0) continue;
    const Slot& slot = slots_[static_cast<std::size_t>(bucket) % kSlots];
    if (slot.bucket == bucket) samples[index] = slot.rawValue;
  }
  return window;
}

RecentHistory::RecentHistory(std::function<Clock::time_point()> clock)
    : clock_(std::move(clock)), nextSerial_(std::random_device()()) {
  // Serials start at a random number so that a page that outlived a restarted host does not take
  // a new ring for the one it kept a copy of; below 2^52, so that the page's numbers hold them.
  nextSerial_ = ((nextSerial_ << 32) | std::random_device()()) & ((std::uint64_t{1} << 52) - 1);
}

void RecentHistory::record(const std::string& sensorID, std::int32_t rawValue) {
  const Clock::time_point now = clock_();
  std::lock_guard guard(lock_);
  auto found = rings_.find(sensorID);
  if (found == rings_.end()) {
    if (rings_.size() >= kMaxRings) {
      rings_.erase(std::min_element(rings_.begin(), rings_.end(), [](const auto& left, const auto& right) {
        return left.second->lastRecorded() < right.second->lastRecorded();
      }));
    }
    found = rings_.emplace(sensorID, std::make_unique<SensorHistoryRing>(kRefreshInterval, nextSerial_++)).first;
  }
  found->second->record(rawValue, now);
}

std::optional<SensorHistoryRing::Window> RecentHistory::window(const std::string& sensorID) const {
  const Clock::time_point now = clock_();
  std::lock_guard guard(lock_);
  auto found = rings_.find(sensorID);
  if (found == rings_.end()) return std::nullopt;
  return found->second->window(now);
}

std::size_t RecentHistory::ringCount() const {
  std::lock_guard guard(lock_);
  return rings_.size();
}

}  // namespace sw::host
