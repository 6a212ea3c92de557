// The driver behaviours a profile can name.
#include "sim/DriverBehaviours.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "foundation/ByteOrder.h"
#include "foundation/Numbers.h"
#include "os/Clock.h"
#include "sim/CPUStatusBlock.h"
#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

constexpr std::string_view kCPUMonitor = "CPUMonitor";

/// The CPU-monitoring driver refreshes its status block when ForceUpdate is written: every core
/// record that the block holds (up to its record count) gets the current second as its stamp,
/// and a field with a signal gets the signal's value now. Nothing else of the block changes, and
/// nothing is written past its end, whatever its count claims.
void cpuMonitorWritten(RegistryEntry& entry, std::string_view key) {
  if (key != "ForceUpdate") return;
  auto status = entry.properties.find("CPUStatus");
  if (status == entry.properties.end() || status->second.asData() == nullptr) return;
  Data block = *status->second.asData();
  const double now = os::currentTime();
  const std::uint32_t stamp = clampToUInt32(std::floor(now));
  for (std::uint32_t index = 0; index < cpustatus::recordCount(block); ++index) {
    const std::optional<std::size_t> record = cpustatus::recordOffset(block, index);
    if (!record) break;
    storeLittleEndian32(&block[*record + cpustatus::kStampOffset], stamp);
  }
  for (const auto& [name, signal] : entry.instructions.driverSignals) {
    if (auto field = cpustatus::signalledField(name)) {
      cpustatus::applySignal(block, field->first, field->second, signal.valueAt(now));
    }
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
    {kCPUMonitor, cpuMonitorWritten},
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

bool claimsDriverSignal(const std::optional<std::string>& driver, std::string_view signalName, const std::string& path) {
  if (!cpustatus::namesBlockField(signalName)) return false;
  const std::string quoted = "\"" + std::string(signalName) + "\"";
  if (driver != kCPUMonitor) throw ProfileError(path, "@Signals names " + quoted + " in a status block, which needs @Driver CPUMonitor");
  if (!cpustatus::signalledField(signalName)) {
    throw ProfileError(path, "@Signals names " + quoted + ", which is no CPUStatus.Core<n>.ThermalReadout or .CurrentRatio");
  }
  return true;
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
