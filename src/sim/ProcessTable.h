// The kernel's process table as sysctl {CTL_KERN, KERN_PROC, KERN_PROC_ALL} hands it out.
#pragma once

#include "foundation/Value.h"

namespace sw::sim {

/// The kinfo_proc records (492 bytes each, the 32-bit layout) of the profile's Processes, in order.
Data processTableRecords(const Array& processes);

}  // namespace sw::sim
