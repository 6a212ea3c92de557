// The one table of CPU-monitor variants.
#include "cpu/CPUMonitorVariantRegistry.h"

#include "cpu/TKSQUORVELx86MonitorVariants.h"
#include "foundation/Format.h"

namespace sw {

const std::vector<CPUMonitorVariant>& cpuMonitorVariants() {
  // Made once and never changed, so it needs no reset between tests.
  static const std::vector<CPUMonitorVariant> variants{
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU1760>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU1776>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU67184>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU67232>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU67296>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU67312>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU132688>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU132800>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU132768>(),
      makeCPUMonitorVariant<TKSQUORVELx86MonitorCPU198304>(),
  };
  return variants;
}

const CPUMonitorVariant* cpuMonitorVariantNamed(std::string_view name) {
  for (const CPUMonitorVariant& variant : cpuMonitorVariants()) {
    if (variant.name == name) return &variant;
  }
  return nullptr;
}

const CPUMonitorVariant* cpuMonitorVariantForSignature(std::uint32_t signature) {
  constexpr std::uint32_t kSteppingMask = 0xF;
  return cpuMonitorVariantNamed(stringWithFormat("TKSQUORVELx86MonitorCPU%u", signature & ~kSteppingMask));
}

}  // namespace sw
