// The driver behaviours a profile can name.
#include "sim/DriverBehaviours.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>

#include "foundation/ByteOrder.h"
#include "foundation/Numbers.h"
#include "os/Clock.h"

namespace sw::sim {
namespace {

/// The CPU-monitoring driver refreshes its status block when ForceUpdate is written: every core
/// record (36 bytes from offset 20; the count at offset 4) gets the current second as its stamp.
void cpuMonitorWritten(RegistryEntry& entry, std::string_view key) {
  constexpr std::size_t kHeaderSize = 20;
  constexpr std::size_t kRecordSize = 36;
  if (key != "ForceUpdate") return;
  auto status = entry.properties.find("CPUStatus");
  if (status == entry.properties.end() || status->second.asData() == nullptr) return;
  Data block = *status->second.asData();
  if (block.size() < kHeaderSize) return;
  std::uint32_t stamp = clampToUInt32(std::floor(os::currentTime()));
  std::size_t records = loadLittleEndian32(block.data() + 4);
  for (std::size_t index = 0; index < records && kHeaderSize + (index + 1) * kRecordSize <= block.size(); ++index) {
    storeLittleEndian32(block.data() + kHeaderSize + index * kRecordSize, stamp);
  }
  status->second = Value(std::move(block));
}

// The property whose write makes a platform sensor driver refresh its node at once.
constexpr std::string_view kHWSensorRefreshKey = "force-update";
constexpr std::string_view kHWSensorValueKey = "current-value";
constexpr std::string_view kUnsettledReadsKey = "unsettledReads";

/// A sensor node caught in the middle of an update (for tests of the retry): after each refresh
/// the first read of its value gives -5, the next ones the value it holds.
void settlingReadingWritten(RegistryEntry& entry, std::string_view key) {
  if (key == kHWSensorRefreshKey) entry.driverState.insert_or_assign(std::string(kUnsettledReadsKey), Value::integer(1));
}

std::optional<Value> settlingReadingRead(RegistryEntry& entry, std::string_view key) {
  auto unsettled = entry.driverState.find(kUnsettledReadsKey);
  if (key != kHWSensorValueKey || unsettled == entry.driverState.end()) return std::nullopt;
  entry.driverState.erase(unsettled);
  return Value::integer(-5);
}

struct Behaviour {
  std::string_view name;
  void (*written)(RegistryEntry&, std::string_view);
  std::optional<Value> (*read)(RegistryEntry&, std::string_view) = nullptr;
};
constexpr Behaviour kBehaviours[] = {
    {"CPUMonitor", cpuMonitorWritten},
    {"SettlingReading", settlingReadingWritten, settlingReadingRead},
};

const Behaviour* behaviourOf(const RegistryEntry& entry) {
  if (!entry.instructions.driver) return nullptr;
  for (const Behaviour& behaviour : kBehaviours) {
    if (behaviour.name == *entry.instructions.driver) return &behaviour;
  }
  return nullptr;
}

}  // namespace

bool isKnownDriverBehaviour(std::string_view name) {
  for (const Behaviour& behaviour : kBehaviours) {
    if (behaviour.name == name) return true;
  }
  return false;
}

void driverPropertyWritten(RegistryEntry& entry, std::string_view key) {
  if (const Behaviour* behaviour = behaviourOf(entry)) behaviour->written(entry, key);
}

std::optional<Value> driverPropertyRead(RegistryEntry& entry, std::string_view key) {
  const Behaviour* behaviour = behaviourOf(entry);
  if (behaviour == nullptr || behaviour->read == nullptr) return std::nullopt;
  return behaviour->read(entry, key);
}

}  // namespace sw::sim
