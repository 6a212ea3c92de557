// The AppleSMC user client of the live machine: answers the plug-in's 80-byte key-data records
// from the applesmc driver. Read-only: the driver's files offer no way to write a key that
// would be safe to hand to a widget, so a write is refused as the platform refuses a caller
// without privileges.
#pragma once

#include <cstddef>
#include <cstdint>

#include "live/AppleSMCDevice.h"
#include "os/IOKitTypes.h"

namespace sw::live {

class LiveSMCUserClient {
 public:
  static constexpr std::size_t kRecordSize = 80;

  /// The device must outlive the client.
  explicit LiveSMCUserClient(const AppleSMCDevice& device) : device_(device) {}

  /// Results as os::Machine::connectCallStructMethod documents them.
  os::kern_return_t callStructMethod(std::uint32_t selector, const void* input, std::size_t inputSize, void* output,
                                     std::size_t* outputSize) const;

 private:
  os::kern_return_t answer(const std::uint8_t* input, std::uint8_t* output) const;

  const AppleSMCDevice& device_;
};

}  // namespace sw::live
