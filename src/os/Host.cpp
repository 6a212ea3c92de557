// Kernel and host queries and files, forwarded to the current machine.
#include "os/Host.h"

#include "foundation/PropertyListSerialization.h"
#include "os/Machine.h"

namespace sw::os {
namespace {

int gethostuuidOfCurrentMachine(std::uint8_t uuid[16], const timespec* wait) {
  return currentMachine().gethostuuid(uuid, wait);
}

}  // namespace

int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength, const void* newValue,
           std::size_t newLength) {
  return currentMachine().sysctl(name, nameLength, oldValue, oldLength, newValue, newLength);
}

int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                 std::size_t newLength) {
  return currentMachine().sysctlbyname(name, oldValue, oldLength, newValue, newLength);
}

mach_port_t mach_host_self() { return kMachTaskSelf + 1; }

kern_return_t host_info(mach_port_t, host_flavor_t flavor, integer_t* info, mach_msg_type_number_t* count) {
  return currentMachine().hostInfo(flavor, info, count);
}

GethostuuidFunction lookupGethostuuid() {
  return currentMachine().hasGethostuuid() ? &gethostuuidOfCurrentMachine : nullptr;
}

std::optional<std::string> CSCopyMachineName() { return currentMachine().copyMachineName(); }

std::optional<Data> readFile(std::string_view path) { return currentMachine().readFile(path); }

std::optional<Value> readPropertyListFile(std::string_view path) {
  std::optional<Data> bytes = readFile(path);
  if (!bytes) return std::nullopt;
  std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return PropertyListSerialization::propertyListFromData(text);
}

}  // namespace sw::os
