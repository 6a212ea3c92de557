// The machine facts that live in the I/O Registry rather than in sysctl: processor node data,
// the processor speed feature, the serial number and the boot ROM version.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

struct ProcessorNodeData {
  std::int32_t cpuVersion = 0;
  std::uint64_t nominalFrequency = 0;  // 0 when no node names one
};

/// From the first "IOPlatformDevice" that is a "cpu" or "processor" node.
ProcessorNodeData readProcessorNodeData();
/// 2 for dynamic power stepping, 1 for a reducible processor speed, else 0.
std::int32_t readSpeedFeature();
/// The platform's serial number, else fallbackPrefix plus the primary interface's MAC address,
/// else fallbackPrefix alone.
std::string readMachineSerialNumber(const std::string& fallbackPrefix);
/// The boot ROM's model, else "version (release date)" of the ROM node, else "".
std::string readBootROMVersion();

}  // namespace sw
