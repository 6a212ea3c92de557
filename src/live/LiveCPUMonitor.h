// The CPU-monitoring driver's service on the live machine: its status block made from the
// kernel's coretemp sensors (each core's temperature, `tempN_crit` as the junction maximum) and
// cpufreq (the current frequency as a bus ratio), remade whenever ForceUpdate is written.
#pragma once

#include <optional>

#include "foundation/Value.h"
#include "live/LiveFiles.h"

namespace sw::live {

inline constexpr std::string_view kCPUMonitorClass = "com_quorvel_driver_QUORVELx86Monitoring";

struct ProcessorModel {
  std::int64_t family = 0;
  std::int64_t model = 0;
};

/// The status block as the driver lays it out (little-endian header of 20 bytes, 36 bytes per
/// core); nothing without a coretemp device that has at least one core.
std::optional<Data> liveCPUStatusBlock(LiveFiles& files, ProcessorModel processor, double now);

/// The driver's registry entry, or nothing when the machine has no coretemp cores.
std::optional<Dictionary> liveCPUMonitorEntry(LiveFiles& files, const Dictionary& sysctl, double now);

}  // namespace sw::live
