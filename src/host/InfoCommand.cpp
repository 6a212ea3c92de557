// `sensorwidget info`: the machine's facts as the plug-in gathers them.
#include <fmt/format.h>

#include <iostream>

#include "cpu/CPUMonitorVariantRegistry.h"
#include "cpu/TKSQUORVELx86Monitor.h"
#include "cpu/TKSx86Info.h"
#include "host/CommonOptions.h"
#include "platform/TKSMPUInfo.h"
#include "platform/TKSSMUInfo.h"
#include "system/NSProcessInfoTKSAdditions.h"
#include "system/TKSMachineInfo.h"
#include "system/TKSTimeUtilities.h"

namespace sw::host {
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
            << platformCalibrationText();
}

}  // namespace

void addInfoCommand(CLI::App& app, CommonOptions& options) {
  CLI::App* command = app.add_subcommand("info", "print the machine, processor and operating-system facts");
  command->callback([&options] {
    options.installMachine();
    printMachineInformation();
  });
}

}  // namespace sw::host
