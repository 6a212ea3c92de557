// The empty machine: every lookup finds nothing, every handle is unknown.
#include "os/NullMachine.h"

#include <cerrno>

namespace sw::os {

kern_return_t NullMachine::getMatchingServices(const Dictionary&, io_iterator_t*) { return kIOReturnNoDevice; }
io_object_t NullMachine::iteratorNext(io_iterator_t) { return 0; }
kern_return_t NullMachine::objectRetain(io_object_t) { return kIOReturnBadArgument; }
kern_return_t NullMachine::objectRelease(io_object_t) { return kIOReturnBadArgument; }
kern_return_t NullMachine::objectGetClass(io_object_t, std::string*) { return kIOReturnBadArgument; }
bool NullMachine::objectConformsTo(io_object_t, std::string_view) { return false; }
kern_return_t NullMachine::registryEntryGetName(io_registry_entry_t, std::string*) { return kIOReturnBadArgument; }
kern_return_t NullMachine::registryEntryCreateProperties(io_registry_entry_t, Dictionary*) {
  return kIOReturnBadArgument;
}
std::optional<Value> NullMachine::registryEntryCreateProperty(io_registry_entry_t, std::string_view) {
  return std::nullopt;
}
kern_return_t NullMachine::registryEntrySetProperty(io_registry_entry_t, std::string_view, const Value&) {
  return kIOReturnBadArgument;
}
kern_return_t NullMachine::registryEntryGetParentEntry(io_registry_entry_t, std::string_view, io_registry_entry_t*) {
  return kIOReturnBadArgument;
}
kern_return_t NullMachine::registryEntryGetChildEntry(io_registry_entry_t, std::string_view, io_registry_entry_t*) {
  return kIOReturnBadArgument;
}
kern_return_t NullMachine::registryEntryGetChildIterator(io_registry_entry_t, std::string_view, io_iterator_t*) {
  return kIOReturnBadArgument;
}
io_registry_entry_t NullMachine::registryEntryFromPath(std::string_view) { return 0; }
io_registry_entry_t NullMachine::registryGetRootEntry() { return 0; }
kern_return_t NullMachine::serviceOpen(io_service_t, task_port_t, std::uint32_t, io_connect_t*) {
  return kIOReturnBadArgument;
}
kern_return_t NullMachine::serviceClose(io_connect_t) { return kIOReturnBadArgument; }
kern_return_t NullMachine::connectCallStructMethod(io_connect_t, std::uint32_t, const void*, std::size_t, void*,
                                                   std::size_t*) {
  return kIOReturnNotOpen;
}
kern_return_t NullMachine::createPlugInInterfaceForService(io_service_t, const CFUUIDBytes&, const CFUUIDBytes&,
                                                           IOCFPlugInInterface**, std::int32_t*) {
  return kIOReturnBadArgument;
}
kern_return_t NullMachine::destroyPlugInInterface(IOCFPlugInInterface*) { return kIOReturnBadArgument; }

int NullMachine::sysctl(const int*, unsigned, void*, std::size_t*, const void*, std::size_t) {
  errno = ENOENT;
  return -1;
}
int NullMachine::sysctlbyname(std::string_view, void*, std::size_t*, const void*, std::size_t) {
  errno = ENOENT;
  return -1;
}
kern_return_t NullMachine::hostInfo(host_flavor_t, integer_t*, mach_msg_type_number_t*) { return KERN_FAILURE; }
int NullMachine::gethostuuid(std::uint8_t*, const timespec*) {
  errno = ENOSYS;
  return -1;
}

}  // namespace sw::os
