// The fixture of the CPU-monitor tests: a machine with one driver service built from readable
// fields, a test clock, and one-line summaries of the sensors.
#pragma once

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu/TKSQUORVELx86Monitor.h"
#include "os/Clock.h"
#include "support/CPUMonitorService.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {

using Texts = std::vector<std::string>;

inline constexpr const char* kPenrynBrand = "Intel(R) Core(TM)2 Duo CPU     P7550  @ 2.26GHz";
inline constexpr std::uint32_t kPenrynSignature = 67194;      // family 6, model 23, stepping 10
inline constexpr std::uint32_t kSandyBridgeSignature = 132775;  // family 6, model 42, stepping 7

class CPUMonitorTest : public SimulatedMachineTest {
 protected:
  /// A machine whose only CPU monitor is this service.
  void installService(const std::string& brand, std::uint32_t signature, const CPUStatusFields& fields,
                      bool refreshing = false) {
    installServiceWith(cpuMonitorService(brand, signature, fields, refreshing));
  }
  void installServiceWith(Dictionary service) { install(ProfileBuilder().entry(kCPUMonitorClass, std::move(service))); }

  /// The driver service of the installed machine.
  static std::shared_ptr<TKSIORegistryEntry> service() {
    return TKSIORegistryEntry::serviceObjectsMatchingName(kCPUMonitorClass).value_or(RegistryEntryList{}).at(0);
  }
  static const CPUMonitorVariant& variantOf(std::uint32_t signature) {
    return *TKSQUORVELx86Monitor::classImplementingCPUMonitoringForSignature(signature);
  }

  /// Every sensor the driver yields, cast to the monitor class.
  static std::vector<CPUMonitorSensor> monitorSensors() {
    std::vector<CPUMonitorSensor> sensors;
    for (const auto& sensor : TKSQUORVELx86Monitor::allSensors()) {
      sensors.push_back(std::dynamic_pointer_cast<TKSQUORVELx86Monitor>(sensor));
    }
    return sensors;
  }

  /// "identifier | location | class | raw value" per sensor, in discovery order.
  static Texts summaries() {
    Texts lines;
    for (const auto& sensor : monitorSensors()) {
      lines.push_back(fmt::format("{} | {} | {} | {}", sensor->uniqueIdentifier(), sensor->locationIdentifier(),
                                  sensor->className(), sensor->rawValue()));
    }
    return lines;
  }

  /// The later variants log, once per core, that a block without a temperature target (as
  /// freshCores makes it) leaves them guessing the junction maximum.
  void expectTemperatureTargetWarnings() {
    expectLogMessageMatching(
        R"(^TKSQUORVELx86MonitorCPU\d+: WARNING: could not determine temperature target \(processor core \d+\)!$)");
  }

  /// A block whose records were all updated at the test clock's current second.
  CPUStatusFields freshCores(std::size_t count, CPUCoreFields core = {.thermalReadout = 38}) const {
    core.timeStamp = static_cast<std::uint32_t>(clock_.now());
    CPUStatusFields fields;
    fields.cores = identicalCores(count, core);
    return fields;
  }

  os::ManualClock clock_{1'700'000'000.0};
};

}  // namespace sw::test
