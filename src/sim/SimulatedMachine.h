// The simulated Mac: an os::Machine that answers from a machine profile.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "os/Machine.h"
#include "sim/KernelObjectTable.h"
#include "sim/MachineProfile.h"
#include "sim/PlugInObject.h"

namespace sw::sim {

class SimulatedMachine : public os::Machine {
 public:
  /// The machine, or the one-line reason "<source>: <entry path>: <problem>" why the profile is refused.
  using LoadResult = std::variant<std::shared_ptr<SimulatedMachine>, std::string>;

  static LoadResult load(const Value& profile, std::string sourceName);
  /// A profile file, XML or binary.
  static LoadResult loadFile(const std::string& path);
  /// A built-in profile by name (see BuiltInProfiles.h).
  static LoadResult loadBuiltIn(const std::string& name);

  explicit SimulatedMachine(MachineProfile profile);

  const std::string& profileName() const { return profile_.profileName; }
  /// The root of a plane ("IOService" or "IODeviceTree"), or nullptr; for tools that print the tree.
  const RegistryEntry* planeRoot(std::string_view plane) const;
  /// Adds (or replaces) the plug-in type's factory for this machine.
  void registerPlugInFactory(const os::CFUUIDBytes& pluginType, PlugInFactory factory);
  /// The S.M.A.R.T. drives of the disk entries with @SMART, in registry order; tests change
  /// their answers and read how many commands they received.
  std::vector<SMARTDrive*> smartDrives();
  /// One line per release of a handle that held no reference any more, since the last call.
  std::vector<std::string> takeHandleMisuse() { return objects_.takeMisuse(); }

  // os::Machine
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
  std::size_t heldReferenceCount() const override { return objects_.heldReferenceCount(); }
  std::string heldReferenceReport() const override { return objects_.heldReferenceReport(); }
  int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
             std::size_t newLength) override;
  int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                   std::size_t newLength) override;
  os::kern_return_t hostInfo(os::host_flavor_t flavor, os::integer_t* info, os::mach_msg_type_number_t* count) override;
  bool hasGethostuuid() const override { return profile_.hostUUID.has_value(); }
  int gethostuuid(std::uint8_t uuid[16], const timespec* wait) override;
  std::optional<std::string> copyMachineName() override { return profile_.computerName; }
  std::optional<Data> readFile(std::string_view path) override;
  Dictionary standardUserDefaults() override { return profile_.defaults; }

 private:
  RegistryEntry* rootOf(std::string_view plane) const;
  /// The registry entry of a live object handle in the plane, or nullptr.
  RegistryEntry* entryInPlane(os::io_object_t handle, std::string_view plane) const;

  // Declared before the object table: connections and plug-ins point into the registry, so the
  // table must go first when the machine is destroyed.
  MachineProfile profile_;
  PlugInFactoryTable plugInFactories_;
  KernelObjectTable objects_;
};

}  // namespace sw::sim
