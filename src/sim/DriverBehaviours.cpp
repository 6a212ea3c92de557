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

using Behaviour = void (*)(RegistryEntry&, std::string_view);
constexpr std::pair<std::string_view, Behaviour> kBehaviours[] = {
    {kCPUMonitor, cpuMonitorWritten},
};

}  // namespace

bool isKnownDriverBehaviour(std::string_view name) {
  for (const auto& [known, behaviour] : kBehaviours) {
    if (known == name) return true;
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
  if (!entry.instructions.driver) return;
  for (const auto& [known, behaviour] : kBehaviours) {
    if (known == *entry.instructions.driver) behaviour(entry, key);
  }
}

}  // namespace sw::sim
