// `sensorwidget info`: the machine's facts as the plug-in gathers them.
#include <fmt/format.h>

#include <iostream>

#include "battery/TKSBatteryInfo.h"
#include "cpu/CPUMonitorVariantRegistry.h"
#include "cpu/TKSQUORVELx86Monitor.h"
#include "cpu/TKSx86Info.h"
#include "cli/CommonOptions.h"
#include "platform/TKSMPUInfo.h"
#include "platform/TKSSMUInfo.h"
#include "smart/TKSSMARTStorageDevice.h"
#include "system/NSProcessInfoTKSAdditions.h"
#include "system/TKSMachineInfo.h"
#include "system/TKSTimeUtilities.h"

namespace sw::cli {
namespace {

std::string processorText() {
  const TKSx86Info processor;
  // Machines before the Intel ones publish no processor items at all.
  if (!processor.cpuVendor()) return "no x86 processor identification\n";
  return processor.description();
}

std::string cpuMonitorText() {
  const std::optional<std::uint32_t> signature = TKSQUORVELx86Monitor::signatureOfRunningDriver();
  if (!signature) return "no driver\n";
  const CPUMonitorVariant* variant = cpuMonitorVariantForSignature(*signature);
  return fmt::format("driver version code {}, variant {}, {} cores\n", TKSQUORVELx86Monitor::versionCodeOfRunningDriver(),
                     variant != nullptr ? variant->name : "none", TKSQUORVELx86Monitor::coreCountOfRunningDriver());
}

std::string productionDateText(const TKSMachineInfo& machine) {
  const auto day = TKSTimeUtilities::localizedDayRepresentationForDate(machine.estimatedProductionDate());
  return day.value_or("unknown");
}

/// The factory calibration of the older machines' processor modules and System Management Units.
std::string platformCalibrationText() {
  std::string text;
  for (const auto& module : TKSMPUInfo::allMPUs()) text += module->description();
  for (const auto& unit : TKSSMUInfo::allSMUs()) text += unit->description() + '\n';
  if (const float maximum = TKSSMUInfo::maximumCPUDesignTemperature(); maximum > 0) {
    text += fmt::format("Maximum CPU design temperature: {:g} C\n", maximum);
  }
  return text;
}

std::string batteriesText() {
  const BatteryList batteries = TKSBatteryInfo::allBatteries();
  if (batteries.empty()) return "Batteries: none\n";
  std::string text;
  for (std::size_t index = 0; index < batteries.size(); ++index) {
    std::string state = TKSBatteryInfo::localizedBatteryStatusDescriptionForBatteryFlags(batteries[index]->batteryFlags());
    if (!state.ends_with('\n')) state += '\n';  // "normal" stands alone, flags come as lines
    text += fmt::format("Battery {}: {}Battery {} state:\n{}", index + 1, batteries[index]->description(), index + 1, state);
  }
  return text;
}

std::string diskStatusText(std::int32_t status) {
  switch (status) {
    case TKSSMARTStorageDevice::kThresholdExceeded: return "failing (a threshold is exceeded)";
    case TKSSMARTStorageDevice::kNoThresholdExceeded: return "verified";
    default: return "not readable";
  }
}

/// One line per disk with S.M.A.R.T., whether or not its temperature can be read.
void printDisks() {
  const SMARTDeviceList disks = TKSSMARTStorageDevice::allSMARTDevicesRestrictToTemperatureSupport(false);
  if (disks.empty()) std::cout << "Disks: none with S.M.A.R.T.\n";
  for (const auto& disk : disks) {
    TKSATADeviceIdentification identification;
    const std::string firmware = disk->getATAIdentificationData(&identification)
                                     ? identification.firmwareRevision().value_or("")
                                     : "unknown";
    std::string interconnect = "unknown";
    if (auto properties = disk->registryEntry()->properties()) {
      const Value* protocol = valueForKey(*properties, "Protocol Characteristics");
      const Value* name = protocol != nullptr ? protocol->find("Physical Interconnect") : nullptr;
      if (name != nullptr && name->asString() != nullptr) interconnect = *name->asString();
    }
    std::cout << fmt::format("Disk: {}, serial {}, firmware {}, {}, S.M.A.R.T. status {}\n", disk->productName(),
                             disk->serialNumber(), firmware, interconnect, diskStatusText(disk->currentSMARTStatus()));
  }
}

void printMachineInformation() {
  const auto machine = TKSMachineInfo::sharedMachineInfo();
  std::cout << "Machine: " << machine->description() << '\n'
            << "Processor: " << processorText()
            << "CPU monitor: " << cpuMonitorText()
            << "Estimated production date: " << productionDateText(*machine) << '\n'
            << fmt::format("Operating system version code: {:#x}\n",
                           NSProcessInfoTKSAdditions::operatingSystemVersionCode())
            << "Operating system: " << NSProcessInfoTKSAdditions::operatingSystemProductName() << ' '
            << NSProcessInfoTKSAdditions::operatingSystemVersionNumberString() << " ("
            << NSProcessInfoTKSAdditions::operatingSystemBuildCode() << ")\n"
            << platformCalibrationText()
            << batteriesText();
}

}  // namespace

void addInfoCommand(CLI::App& app, CommonOptions& options) {
  CLI::App* command = app.add_subcommand("info", "print the machine, processor, operating-system and disk facts");
  command->callback([&options] {
    options.installMachine();
    printMachineInformation();
    printDisks();
  });
}

}  // namespace sw::cli
