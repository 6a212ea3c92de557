// The registry tree the drivers of such a machine would publish, with only the services whose
// sources the running system has.
#include "live/LiveProfile.h"

#include "live/LiveBattery.h"
#include "live/LiveCPUMonitor.h"
#include "live/LiveIdentity.h"
#include "os/Clock.h"

namespace sw::live {
namespace {

Value entry(const char* className, const char* name, Array children, Dictionary properties = {}) {
  properties["IOObjectClass"] = Value(className);
  if (name != nullptr) properties["IORegistryEntryName"] = Value(name);
  if (!children.empty()) properties["IORegistryEntryChildren"] = Value(std::move(children));
  return Value(std::move(properties));
}

}  // namespace

Value liveProfile(LiveFiles& files, const std::optional<std::string>& smcVersion,
                  const std::vector<std::shared_ptr<LiveDisk>>& disks) {
  LiveIdentity identity = LiveIdentity::read(files);

  Array devices;
  if (smcVersion) {
    Dictionary smc{{"IOClass", Value("AppleSMC")}, {"IOUserClientClass", Value("AppleSMCClient")}};
    // The platform's driver publishes the version; without it the plug-in leaves the controller alone.
    if (!smcVersion->empty()) smc["smc-version"] = Value(*smcVersion);
    devices.push_back(entry("IOACPIPlatformDevice", "SMC", {entry("AppleSMC", nullptr, {}, std::move(smc))}));
  }
  int batteryNumber = 0;
  for (Value& manager : liveBatteryManagers(files)) {
    const std::string name = "BAT" + std::to_string(batteryNumber++);
    devices.push_back(entry("IOACPIPlatformDevice", name.c_str(), {std::move(manager)}));
  }
  if (!disks.empty()) {
    // As a Mac's SATA controller has them: port, device, driver, then the block storage device.
    Array ports;
    for (const auto& disk : disks) {
      Value driver = entry("IOAHCIBlockStorageDriver", nullptr, {disk->registryEntry(files)},
                           {{"IOClass", Value("IOAHCIBlockStorageDriver")}});
      Value device = entry("IOAHCIDevice", nullptr, {std::move(driver)});
      const std::string port = "PRT" + std::to_string(ports.size());
      ports.push_back(entry("AppleAHCIPort", port.c_str(), {std::move(device)}));
    }
    Value ahci = entry("AppleAHCI", nullptr, std::move(ports));
    Value sata = entry("IOPCIDevice", "SATA", {std::move(ahci)});
    devices.push_back(entry("IOACPIPlatformDevice", "PCI0", {entry("AppleACPIPCI", nullptr, {std::move(sata)})}));
  }
  Array expertChildren;
  // The driver attaches to the platform expert itself.
  if (auto monitor = liveCPUMonitorEntry(files, identity.sysctl, os::currentTime())) {
    expertChildren.push_back(Value(std::move(*monitor)));
  }
  expertChildren.push_back(entry("AppleACPIPlatformExpert", nullptr, std::move(devices)));
  Value expert = entry("IOPlatformExpertDevice", nullptr, std::move(expertChildren), identity.platformExpert);
  Value resources = entry("IOResources", nullptr, {});
  Value root = entry("IORegistryEntry", "Root", {std::move(expert), std::move(resources)});

  Dictionary profile{
      {"ProfileName", Value(identity.profileName)},
      {"Sysctl", Value(std::move(identity.sysctl))},
      {"HostInfo", Value(std::move(identity.hostInfo))},
      {"Files", Value(std::move(identity.files))},
      {"IORegistry", std::move(root)},
      {"IODeviceTree", Value(std::move(identity.deviceTree))},
  };
  if (identity.hostUUID) profile["HostUUID"] = Value(*identity.hostUUID);
  if (identity.computerName) profile["ComputerName"] = Value(*identity.computerName);
  return Value(std::move(profile));
}

}  // namespace sw::live
