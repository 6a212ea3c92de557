// Types, return codes and constants of the I/O Kit and the Mach host interface.
#pragma once

#include <array>
#include <cstdint>

namespace sw::os {

using kern_return_t = std::int32_t;
using IOReturn = kern_return_t;
using mach_port_t = std::uint32_t;
using io_object_t = std::uint32_t;  // 0 is "no object"
using io_service_t = io_object_t;
using io_registry_entry_t = io_object_t;
using io_iterator_t = io_object_t;
using io_connect_t = io_object_t;
using task_port_t = mach_port_t;

constexpr kern_return_t KERN_SUCCESS = 0;
constexpr kern_return_t KERN_INVALID_ARGUMENT = 4;
constexpr kern_return_t KERN_FAILURE = 5;
constexpr IOReturn kIOReturnSuccess = 0;
constexpr IOReturn kIOReturnError = static_cast<IOReturn>(0xe00002bc);
constexpr IOReturn kIOReturnNoMemory = static_cast<IOReturn>(0xe00002bd);
constexpr IOReturn kIOReturnBadArgument = static_cast<IOReturn>(0xe00002c2);
constexpr IOReturn kIOReturnNoDevice = static_cast<IOReturn>(0xe00002c0);
constexpr IOReturn kIOReturnUnsupported = static_cast<IOReturn>(0xe00002c7);
constexpr IOReturn kIOReturnNotFound = static_cast<IOReturn>(0xe00002f0);
constexpr IOReturn kIOReturnNotOpen = static_cast<IOReturn>(0xe00002cd);
constexpr IOReturn kIOReturnNotPrivileged = static_cast<IOReturn>(0xe00002c1);

constexpr mach_port_t kIOMasterPortDefault = 0;
constexpr task_port_t kMachTaskSelf = 1;  // what mach_task_self() answers

inline constexpr const char* kIOServicePlane = "IOService";
inline constexpr const char* kIODeviceTreePlane = "IODeviceTree";

/// A 128-bit identifier of a plug-in type or interface, as CFUUIDGetUUIDBytes gives it.
using CFUUIDBytes = std::array<std::uint8_t, 16>;

// Host information (host_info with HOST_BASIC_INFO).
using host_flavor_t = std::int32_t;
using integer_t = std::int32_t;
using natural_t = std::uint32_t;
using mach_msg_type_number_t = natural_t;
constexpr host_flavor_t HOST_BASIC_INFO = 1;

struct host_basic_info {
  integer_t max_cpus;
  integer_t avail_cpus;
  natural_t memory_size;
  integer_t cpu_type;
  integer_t cpu_subtype;
  integer_t cpu_threadtype;
  integer_t physical_cpu;
  integer_t physical_cpu_max;
  integer_t logical_cpu;
  integer_t logical_cpu_max;
  std::uint64_t max_mem;
};
/// The size of host_basic_info in 32-bit words, as the kernel counts it.
constexpr mach_msg_type_number_t HOST_BASIC_INFO_COUNT = sizeof(host_basic_info) / sizeof(integer_t);

}  // namespace sw::os
