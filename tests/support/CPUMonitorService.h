// CPU-monitoring driver services for tests: the status block from readable fields (the same
// builder the profile tool uses) and the service's properties around it, e.g.
//   CPUStatusFields fields; fields.cores = {{.thermalReadout = 38}};
//   ProfileBuilder().entry(kCPUMonitorClass, cpuMonitorService("Intel(R) ... @ 2.26GHz", 67194, fields));
#pragma once

#include <cstdint>
#include <string>

#include "foundation/Value.h"
#include "sim/CPUStatusBlock.h"

namespace sw::test {

using CPUStatusFields = sim::cpustatus::BlockFields;
using CPUCoreFields = sim::cpustatus::CoreFields;

inline constexpr const char* kCPUMonitorClass = "com_quorvel_driver_QUORVELx86Monitoring";

/// "CPUBrand", "CPUSignature" and "CPUStatus"; with `refreshing`, the simulated driver also
/// stamps the records whenever it is asked to update.
Dictionary cpuMonitorService(const std::string& brand, std::uint32_t signature, const CPUStatusFields& fields,
                             bool refreshing = false);

/// `count` cores with the same fields.
std::vector<CPUCoreFields> identicalCores(std::size_t count, const CPUCoreFields& core);

}  // namespace sw::test
