// Disks of a recorded tree: their answers to the ATA commands kept as files, so that tests and
// `--live-root TREE` runs see disks without a kernel. The answers of disk <name> live in
//
//   <root>/recorded-ata/<name>/<command>.data    the bytes that arrive (at most one 512-byte block)
//   <root>/recorded-ata/<name>/<command>.sense   the sense bytes (at most 32)
//   <root>/recorded-ata/<name>/<command>.status  the SCSI status as a decimal number (absent: 0)
//
// with <command> one of identify, smart-read-data, smart-read-thresholds, smart-return-status.
// A command with none of its files fails as an exchange the kernel refused; a file larger than
// its limit or a status that is not a number makes the exchange fail the same way. A disk
// without a folder cannot be opened. No real system has that folder, so its presence marks a
// recorded tree.
#pragma once

#include <memory>

#include "live/ATADevice.h"
#include "live/LiveFiles.h"

namespace sw::live {

inline constexpr const char* kRecordedATAFolder = "/recorded-ata";

class RecordedATADeviceOpener : public ATADeviceOpener {
 public:
  explicit RecordedATADeviceOpener(std::shared_ptr<LiveFiles> files) : files_(std::move(files)) {}
  std::unique_ptr<ATADevice> open(std::string_view disk) override;

 private:
  std::shared_ptr<LiveFiles> files_;
};

/// The opener for a live root: the recorded answers when the tree holds them, else SG_IO on the
/// root's /dev nodes.
std::shared_ptr<ATADeviceOpener> ataDeviceOpenerFor(const std::shared_ptr<LiveFiles>& files);

}  // namespace sw::live
