// The running Linux machine as the OS layer's backend. The registry tree, the host facts and the
// files are those of a profile made from the machine (LiveProfile.h), kept by a registry
// machine that the caller builds from it; this machine adds what changes while it runs: the
// AppleSMC service's user client, answered from the applesmc driver, and the CPU monitor's
// status block, remade from coretemp and cpufreq on each ForceUpdate; and the disks' ATA
// S.M.A.R.T. plug-ins, whose commands go to the disks through the device layer.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "live/AppleSMCDevice.h"
#include "live/ATADevice.h"
#include "live/LiveCPUMonitor.h"
#include "live/LiveDisk.h"
#include "live/LiveFiles.h"
#include "live/LiveSMARTPlugIn.h"
#include "live/LiveSMCUserClient.h"
#include "os/Machine.h"

namespace sw::live {

class LiveMachine : public os::Machine {
 public:
  /// Builds the machine that keeps a profile's registry; nullptr and a reason when it cannot.
  using RegistryFactory = std::function<std::shared_ptr<os::Machine>(const Value& profile, std::string* error)>;

  /// The machine under the files' root; nullptr and the reason when the registry cannot be built.
  /// The disks are opened through `disks`, by default the one the root calls for
  /// (ataDeviceOpenerFor).
  static std::shared_ptr<LiveMachine> create(std::shared_ptr<LiveFiles> files, const RegistryFactory& makeRegistry,
                                             std::string* error, std::shared_ptr<ATADeviceOpener> disks = nullptr);

  LiveMachine(std::shared_ptr<os::Machine> registry, std::shared_ptr<LiveFiles> files,
              std::optional<AppleSMCDevice> smc, ProcessorModel processor = {},
              std::vector<std::shared_ptr<LiveDisk>> disks = {});

  os::kern_return_t getMatchingServices(const Dictionary& matching, os::io_iterator_t* iterator) override;
  os::io_object_t iteratorNext(os::io_iterator_t iterator) override;
  os::kern_return_t objectRetain(os::io_object_t object) override;
  os::kern_return_t objectRelease(os::io_object_t object) override;
  os::kern_return_t objectGetClass(os::io_object_t object, std::string* className) override;
  bool objectConformsTo(os::io_object_t object, std::string_view className) override;
  os::kern_return_t registryEntryGetName(os::io_registry_entry_t entry, std::string* name) override;
  os::kern_return_t registryEntryCreateProperties(os::io_registry_entry_t entry, Dictionary* properties) override;
  std::optional<Value> registryEntryCreateProperty(os::io_registry_entry_t entry, std::string_view key) override;
  os::kern_return_t registryEntrySetProperty(os::io_registry_entry_t entry, std::string_view key,
                                             const Value& value) override;
  os::kern_return_t registryEntryGetParentEntry(os::io_registry_entry_t entry, std::string_view plane,
                                                os::io_registry_entry_t* parent) override;
  os::kern_return_t registryEntryGetChildEntry(os::io_registry_entry_t entry, std::string_view plane,
                                               os::io_registry_entry_t* child) override;
  os::kern_return_t registryEntryGetChildIterator(os::io_registry_entry_t entry, std::string_view plane,
                                                  os::io_iterator_t* iterator) override;
  os::io_registry_entry_t registryEntryFromPath(std::string_view path) override;
  os::io_registry_entry_t registryGetRootEntry() override;
  os::kern_return_t serviceOpen(os::io_service_t service, os::task_port_t owningTask, std::uint32_t type,
                                os::io_connect_t* connection) override;
  os::kern_return_t serviceClose(os::io_connect_t connection) override;
  os::kern_return_t connectCallStructMethod(os::io_connect_t connection, std::uint32_t selector, const void* input,
                                            std::size_t inputSize, void* output, std::size_t* outputSize) override;
  os::kern_return_t createPlugInInterfaceForService(os::io_service_t service, const os::CFUUIDBytes& pluginType,
                                                    const os::CFUUIDBytes& interfaceType,
                                                    os::IOCFPlugInInterface** plugIn, std::int32_t* score) override;
  os::kern_return_t destroyPlugInInterface(os::IOCFPlugInInterface* plugIn) override;
  std::size_t heldReferenceCount() const override;
  std::string heldReferenceReport() const override;
  int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
             std::size_t newLength) override;
  int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                   std::size_t newLength) override;
  os::kern_return_t hostInfo(os::host_flavor_t flavor, os::integer_t* info, os::mach_msg_type_number_t* count) override;
  bool hasGethostuuid() const override;
  int gethostuuid(std::uint8_t uuid[16], const timespec* wait) override;
  std::optional<std::string> copyMachineName() override;
  std::optional<Data> readFile(std::string_view path) override;
  Dictionary standardUserDefaults() override;

 private:
  struct SMCConnection {
    std::uint32_t references = 1;
    LiveSMCUserClient client;
  };
  SMCConnection* smcConnection(os::io_object_t handle);
  /// The S.M.A.R.T. capable disk the service stands for; nullptr for any other service.
  std::shared_ptr<LiveDisk> smartDiskOf(os::io_service_t service);

  std::shared_ptr<os::Machine> registry_;
  std::shared_ptr<LiveFiles> files_;
  std::optional<AppleSMCDevice> smc_;
  ProcessorModel processor_;
  std::map<os::io_connect_t, SMCConnection> connections_;
  std::vector<std::shared_ptr<LiveDisk>> disks_;
  std::map<const os::IOCFPlugInInterface*, std::unique_ptr<LiveSMARTPlugIn>> plugIns_;
  // Far above the registry machine's handles, which count up from a few thousand.
  os::io_connect_t nextConnection_ = 0x70000001;
};

}  // namespace sw::live
