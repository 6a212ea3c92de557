// The disks of the running system through the kernel's SCSI generic ioctl (SG_IO) on their
// device nodes below the live root's /dev. The kernel lets only callers with raw I/O rights send
// ATA pass-through commands; without them every command fails and the disk has no S.M.A.R.T.
// sensor.
#pragma once

#include <filesystem>

#include "live/ATADevice.h"

namespace sw::live {

class SGIODeviceOpener : public ATADeviceOpener {
 public:
  explicit SGIODeviceOpener(std::filesystem::path devices) : devices_(std::move(devices)) {}
  std::unique_ptr<ATADevice> open(std::string_view disk) override;

 private:
  std::filesystem::path devices_;
};

}  // namespace sw::live
