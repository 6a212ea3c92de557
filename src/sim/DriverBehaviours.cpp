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

using Behaviour = void (*)(RegistryEntry&, std::string_view);
constexpr std::pair<std::string_view, Behaviour> kBehaviours[] = {
    {"CPUMonitor", cpuMonitorWritten},
};

}  // namespace

bool isKnownDriverBehaviour(std::string_view name) {
  for (const auto& [known, behaviour] : kBehaviours) {
    if (known == name) return true;
  }
  return false;
}

void driverPropertyWritten(RegistryEntry& entry, std::string_view key) {
  if (!entry.instructions.driver) return;
  for (const auto& [known, behaviour] : kBehaviours) {
    if (known == *entry.instructions.driver) behaviour(entry, key);
  }
}

}  // namespace sw::sim
