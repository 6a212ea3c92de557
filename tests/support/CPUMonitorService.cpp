// CPU-monitoring driver services for tests.
#include "support/CPUMonitorService.h"

namespace sw::test {

Dictionary cpuMonitorService(const std::string& brand, std::uint32_t signature, const CPUStatusFields& fields,
                             bool refreshing) {
  Dictionary service{{"CPUBrand", Value(brand)},
                     {"CPUSignature", Value::integer(signature)},
                     {"CPUStatus", Value(sim::cpustatus::assemble(fields))}};
  if (refreshing) service.emplace("@Driver", Value("CPUMonitor"));
  return service;
}

std::vector<CPUCoreFields> identicalCores(std::size_t count, const CPUCoreFields& core) {
  return std::vector<CPUCoreFields>(count, core);
}

}  // namespace sw::test
