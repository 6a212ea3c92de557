// The variants of the CPU monitor by class name ("TKSQUORVELx86MonitorCPU67184"), the name under
// which the signature lookup finds them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "cpu/TKSQUORVELx86Monitor.h"

namespace sw {

/// Every variant, in the order of the class tree.
const std::vector<CPUMonitorVariant>& cpuMonitorVariants();
/// The variant of that name; nullptr when there is none.
const CPUMonitorVariant* cpuMonitorVariantNamed(std::string_view name);
/// The variant named after the signature with its stepping bits cleared
/// ("TKSQUORVELx86MonitorCPU67184" for 67190); nullptr when there is none.
const CPUMonitorVariant* cpuMonitorVariantForSignature(std::uint32_t signature);

}  // namespace sw
