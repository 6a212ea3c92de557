// A machine with nothing in it: no services, no sysctl names, no files. The process runs on it
// until a real backend is set, so a caller that comes too early finds no hardware instead of
// crashing.
#pragma once

#include "os/Machine.h"

namespace sw::os {

class NullMachine final : public Machine {
 public:
  kern_return_t getMatchingServices(const Dictionary& matching, io_iterator_t* iterator) override;
  io_object_t iteratorNext(io_iterator_t iterator) override;
  kern_return_t objectRetain(io_object_t object) override;
  kern_return_t objectRelease(io_object_t object) override;
  kern_return_t objectGetClass(io_object_t object, std::string* className) override;
  bool objectConformsTo(io_object_t object, std::string_view className) override;
  kern_return_t registryEntryGetName(io_registry_entry_t entry, std::string* name) override;
  kern_return_t registryEntryCreateProperties(io_registry_entry_t entry, Dictionary* properties) override;
  std::optional<Value> registryEntryCreateProperty(io_registry_entry_t entry, std::string_view key) override;
  kern_return_t registryEntrySetProperty(io_registry_entry_t entry, std::string_view key, const Value& value) override;
  kern_return_t registryEntryGetParentEntry(io_registry_entry_t entry, std::string_view plane,
                                            io_registry_entry_t* parent) override;
  kern_return_t registryEntryGetChildEntry(io_registry_entry_t entry, std::string_view plane,
                                           io_registry_entry_t* child) override;
  kern_return_t registryEntryGetChildIterator(io_registry_entry_t entry, std::string_view plane,
                                              io_iterator_t* iterator) override;
  io_registry_entry_t registryEntryFromPath(std::string_view path) override;
  io_registry_entry_t registryGetRootEntry() override;
  kern_return_t serviceOpen(io_service_t service, task_port_t owningTask, std::uint32_t type,
                            io_connect_t* connection) override;
  kern_return_t serviceClose(io_connect_t connection) override;
  kern_return_t connectCallStructMethod(io_connect_t connection, std::uint32_t selector, const void* input,
                                        std::size_t inputSize, void* output, std::size_t* outputSize) override;
  kern_return_t createPlugInInterfaceForService(io_service_t service, const CFUUIDBytes& pluginType,
                                                const CFUUIDBytes& interfaceType, IOCFPlugInInterface** plugIn,
                                                std::int32_t* score) override;
  kern_return_t destroyPlugInInterface(IOCFPlugInInterface* plugIn) override;
  std::size_t heldReferenceCount() const override { return 0; }
  std::string heldReferenceReport() const override { return {}; }
  int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
             std::size_t newLength) override;
  int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                   std::size_t newLength) override;
  kern_return_t hostInfo(host_flavor_t flavor, integer_t* info, mach_msg_type_number_t* count) override;
  bool hasGethostuuid() const override { return false; }
  int gethostuuid(std::uint8_t uuid[16], const timespec* wait) override;
  std::optional<std::string> copyMachineName() override { return std::nullopt; }
  std::optional<Data> readFile(std::string_view) override { return std::nullopt; }
  Dictionary standardUserDefaults() override { return {}; }
};

}  // namespace sw::os
