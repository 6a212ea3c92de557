// The one door to the disks: open a disk by its kernel name, send it an ATA PASS-THROUGH command
// with a data-in buffer, get the kernel's report back. The running system answers through the
// SCSI generic ioctl (SGIODevice.h); a recorded tree answers from files (RecordedATADevice.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "live/ATAPassThrough.h"

namespace sw::live {

class ATADevice {
 public:
  virtual ~ATADevice() = default;
  /// Sends one command; `dataIn` receives the block of a read (empty for a non-data command).
  /// Nothing when the kernel refused the exchange itself (the ioctl failed).
  virtual std::optional<PassThroughAnswer> passThrough(const PassThroughCDB& cdb, std::span<std::uint8_t> dataIn) = 0;
};

class ATADeviceOpener {
 public:
  virtual ~ATADeviceOpener() = default;
  /// The disk of that kernel name ("sda"), or nullptr when it cannot be opened (missing, no
  /// permission, not a device that takes SCSI commands).
  virtual std::unique_ptr<ATADevice> open(std::string_view disk) = 0;
};

}  // namespace sw::live
