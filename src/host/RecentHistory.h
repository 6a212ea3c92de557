// The recent readings of the sensors the widget instances display, kept in memory only: one ring
// per sensor, shared by every instance showing it, holding one raw reading per refresh interval
// for the last ten minutes.
//
// Samples are not taken on a timer. The host keeps the raw value behind each reading an instance
// already asked for (localizedReadingAtDisplayIndex), so history costs no sensor read beyond
// what the pages make anyway, reads nothing while no page is looking, and two instances showing
// the same sensor fill one ring. Readings are bucketed at the refresh interval: a reading within
// three quarters of an interval of the bucket's first one replaces it (another instance's
// refresh of the same moment), a later one starts a new bucket, and buckets nobody filled (the
// page hidden, the host busy) stay empty and show as gaps.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace sw::host {

class SensorHistoryRing {
 public:
  using Clock = std::chrono::steady_clock;
  /// Ten minutes at the page's refresh interval of two seconds.
  static constexpr std::size_t kSlots = 300;
  /// Oldest first; nothing where no reading was kept.
  using Samples = std::array<std::optional<std::int32_t>, kSlots>;

  /// The ring's samples up to now, with what a page needs to add later ones to a copy it keeps.
  struct Window {
    Samples samples;
    /// The number of the newest interval (samples.back()); numbers count up by one per
    /// interval from the ring's first reading.
    std::int64_t end = -1;
    /// Tells this ring from every other one, in this host and in earlier hosts.
    std::uint64_t serial = 0;
  };

  SensorHistoryRing(Clock::duration interval, std::uint64_t serial) : interval_(interval), serial_(serial) {}

  void record(std::int32_t rawValue, Clock::time_point now);
  /// The last kSlots intervals up to the one holding `now`.
  Window window(Clock::time_point now) const;
  Clock::time_point lastRecorded() const { return lastRecorded_; }

 private:
  struct Slot {
    std::int64_t bucket = -1;  // which interval the reading belongs to; a stale slot holds an older one
    std::int32_t rawValue = 0;
  };
  /// The bucket that a reading at `now` belongs to; -1 before the first reading.
  std::int64_t bucketAt(Clock::time_point now) const;

  Clock::duration interval_;
  std::uint64_t serial_;
  std::array<Slot, kSlots> slots_{};
  std::int64_t lastBucket_ = -1;
  Clock::time_point bucketStart_{};
  Clock::time_point lastRecorded_{};
};

class RecentHistory {
 public:
  using Clock = SensorHistoryRing::Clock;
  /// Two instances per position of the largest desktop we expect; the ring read longest ago
  /// gives way to a new sensor beyond that.
  static constexpr std::size_t kMaxRings = 128;
  static constexpr Clock::duration kRefreshInterval = std::chrono::seconds(2);

  explicit RecentHistory(std::function<Clock::time_point()> clock = Clock::now);

  /// Keeps a raw reading (-1 for one that failed) of the sensor with this unique identifier.
  void record(const std::string& sensorID, std::int32_t rawValue);
  /// The sensor's ring up to now; nothing for a sensor nobody has read.
  std::optional<SensorHistoryRing::Window> window(const std::string& sensorID) const;
  std::size_t ringCount() const;

 private:
  std::function<Clock::time_point()> clock_;
  std::uint64_t nextSerial_;
  mutable std::mutex lock_;
  std::map<std::string, std::unique_ptr<SensorHistoryRing>, std::less<>> rings_;
};

}  // namespace sw::host
