// How long the user has been idle, as the HID system publishes it in the I/O Registry.
#pragma once

#include <cstdint>

namespace sw::smart {

/// Nanoseconds since the last user input: the "HIDIdleTime" of the single "IOHIDSystem"
/// service, a number or 8 bytes in the machine's byte order. 0 when it cannot be read.
std::uint64_t userIdleTime();

}  // namespace sw::smart
