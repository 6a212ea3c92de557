// Kernel and host queries, files and the standard defaults of the current machine, with the
// names and results of the C calls (see os/Machine.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"
#include "os/IOKitTypes.h"

namespace sw::os {

// Numeric MIB names (sys/sysctl.h).
constexpr int CTL_KERN = 1;
constexpr int CTL_HW = 6;
constexpr int KERN_OSRELEASE = 2;
constexpr int KERN_VERSION = 4;
constexpr int KERN_PROC = 14;
constexpr int KERN_PROC_ALL = 0;
constexpr int HW_MACHINE = 1;
constexpr int HW_MODEL = 2;
constexpr int HW_NCPU = 3;
constexpr int HW_BYTEORDER = 4;
constexpr int HW_PHYSMEM = 5;
constexpr int HW_PAGESIZE = 7;
constexpr int HW_VECTORUNIT = 13;
constexpr int HW_BUS_FREQ = 14;
constexpr int HW_CPU_FREQ = 15;
constexpr int HW_CACHELINE = 16;
constexpr int HW_L1ICACHESIZE = 17;
constexpr int HW_L1DCACHESIZE = 18;
constexpr int HW_L2CACHESIZE = 20;
constexpr int HW_L3CACHESIZE = 22;
constexpr int HW_MEMSIZE = 24;
constexpr int HW_AVAILCPU = 25;

int sysctl(const int* name, unsigned nameLength, void* oldValue, std::size_t* oldLength,
           const void* newValue, std::size_t newLength);
int sysctlbyname(std::string_view name, void* oldValue, std::size_t* oldLength, const void* newValue,
                 std::size_t newLength);

mach_port_t mach_host_self();
kern_return_t host_info(mach_port_t host, host_flavor_t flavor, integer_t* info, mach_msg_type_number_t* count);

/// gethostuuid as the dynamic linker would find it: null where the system lacks the call.
using GethostuuidFunction = int (*)(std::uint8_t uuid[16], const timespec* wait);
GethostuuidFunction lookupGethostuuid();

std::optional<std::string> CSCopyMachineName();

/// The bytes of a file of the machine, or nothing.
std::optional<Data> readFile(std::string_view path);
/// A file of the machine parsed as a property list (XML or binary), or nothing.
std::optional<Value> readPropertyListFile(std::string_view path);

}  // namespace sw::os
