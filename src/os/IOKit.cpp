// The I/O Kit calls, forwarded to the current machine.
#include "os/IOKit.h"

#include "os/Machine.h"

namespace sw::os {

Dictionary IOServiceMatching(std::string_view className) {
  return Dictionary{{"IOProviderClass", Value(className)}};
}

kern_return_t IOServiceGetMatchingServices(mach_port_t, Dictionary matching, io_iterator_t* existing) {
  if (existing == nullptr) return kIOReturnBadArgument;
  return currentMachine().getMatchingServices(matching, existing);
}

io_service_t IOServiceGetMatchingService(mach_port_t masterPort, Dictionary matching) {
  io_iterator_t iterator = 0;
  if (IOServiceGetMatchingServices(masterPort, std::move(matching), &iterator) != KERN_SUCCESS) return 0;
  io_service_t first = IOIteratorNext(iterator);
  for (io_service_t other = IOIteratorNext(iterator); other != 0; other = IOIteratorNext(iterator)) {
    IOObjectRelease(other);
  }
  IOObjectRelease(iterator);
  return first;
}

io_object_t IOIteratorNext(io_iterator_t iterator) { return currentMachine().iteratorNext(iterator); }
kern_return_t IOObjectRetain(io_object_t object) { return currentMachine().objectRetain(object); }
kern_return_t IOObjectRelease(io_object_t object) { return currentMachine().objectRelease(object); }

kern_return_t IOObjectGetClass(io_object_t object, std::string* className) {
  if (className == nullptr) return kIOReturnBadArgument;
  return currentMachine().objectGetClass(object, className);
}

bool IOObjectConformsTo(io_object_t object, std::string_view className) {
  return currentMachine().objectConformsTo(object, className);
}

kern_return_t IORegistryEntryGetName(io_registry_entry_t entry, std::string* name) {
  if (name == nullptr) return kIOReturnBadArgument;
  return currentMachine().registryEntryGetName(entry, name);
}

kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry, std::optional<Dictionary>* properties) {
  if (properties == nullptr) return kIOReturnBadArgument;
  Dictionary snapshot;
  kern_return_t result = currentMachine().registryEntryCreateProperties(entry, &snapshot);
  if (result == KERN_SUCCESS) *properties = std::move(snapshot);
  return result;
}

std::optional<Value> IORegistryEntryCreateCFProperty(io_registry_entry_t entry, std::string_view key) {
  return currentMachine().registryEntryCreateProperty(entry, key);
}

kern_return_t IORegistryEntrySetCFProperty(io_registry_entry_t entry, std::string_view key, const Value& value) {
  return currentMachine().registryEntrySetProperty(entry, key, value);
}

kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, std::string_view plane,
                                            io_registry_entry_t* parent) {
  if (parent == nullptr) return kIOReturnBadArgument;
  return currentMachine().registryEntryGetParentEntry(entry, plane, parent);
}

kern_return_t IORegistryEntryGetChildEntry(io_registry_entry_t entry, std::string_view plane,
                                           io_registry_entry_t* child) {
  if (child == nullptr) return kIOReturnBadArgument;
  return currentMachine().registryEntryGetChildEntry(entry, plane, child);
}

kern_return_t IORegistryEntryGetChildIterator(io_registry_entry_t entry, std::string_view plane,
                                              io_iterator_t* iterator) {
  if (iterator == nullptr) return kIOReturnBadArgument;
  return currentMachine().registryEntryGetChildIterator(entry, plane, iterator);
}

io_registry_entry_t IORegistryEntryFromPath(mach_port_t, std::string_view path) {
  return currentMachine().registryEntryFromPath(path);
}

io_registry_entry_t IORegistryGetRootEntry(mach_port_t) { return currentMachine().registryGetRootEntry(); }

kern_return_t IOServiceOpen(io_service_t service, task_port_t owningTask, std::uint32_t type,
                            io_connect_t* connection) {
  if (connection == nullptr) return kIOReturnBadArgument;
  return currentMachine().serviceOpen(service, owningTask, type, connection);
}

kern_return_t IOServiceClose(io_connect_t connection) { return currentMachine().serviceClose(connection); }

kern_return_t IOConnectCallStructMethod(io_connect_t connection, std::uint32_t selector, const void* input,
                                        std::size_t inputSize, void* output, std::size_t* outputSize) {
  if (outputSize == nullptr && output != nullptr) return kIOReturnBadArgument;
  return currentMachine().connectCallStructMethod(connection, selector, input, inputSize, output, outputSize);
}

kern_return_t IOCreatePlugInInterfaceForService(io_service_t service, const CFUUIDBytes& pluginType,
                                                const CFUUIDBytes& interfaceType,
                                                IOCFPlugInInterface** plugIn, std::int32_t* score) {
  if (plugIn == nullptr || score == nullptr) return kIOReturnBadArgument;
  return currentMachine().createPlugInInterfaceForService(service, pluginType, interfaceType, plugIn, score);
}

kern_return_t IODestroyPlugInInterface(IOCFPlugInInterface* plugIn) {
  if (plugIn == nullptr) return kIOReturnBadArgument;
  return currentMachine().destroyPlugInInterface(plugIn);
}

}  // namespace sw::os
