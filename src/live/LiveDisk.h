// The running system's disks (`/sys/block/sd*`) and the S.M.A.R.T. commands sent to one of
// them. A disk that can be opened and answers IDENTIFY with the S.M.A.R.T. feature set supported
// is published as S.M.A.R.T. capable; every other disk is published without it, so the plug-in
// shows no S.M.A.R.T. sensor for it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "live/ATADevice.h"
#include "live/LiveFiles.h"

namespace sw::live {

using ATABlock = std::array<std::uint8_t, kATABlockSize>;

class LiveDisk {
 public:
  /// The most disks looked at; a machine with more has its first ones shown.
  static constexpr std::size_t kDiskLimit = 64;

  /// Every sd* disk below the files' root in the kernel's order of names (sdb before sdaa);
  /// each opened through the opener and asked IDENTIFY once.
  static std::vector<std::shared_ptr<LiveDisk>> discover(LiveFiles& files, ATADeviceOpener& opener);

  LiveDisk(std::string name, std::unique_ptr<ATADevice> device);

  const std::string& name() const { return name_; }
  /// Whether the disk answered IDENTIFY and supports the S.M.A.R.T. feature set.
  bool smartCapable() const;
  /// Whether IDENTIFY said the feature set is switched on.
  bool smartEnabled() const;

  /// One command: false (or nothing) when the disk cannot be reached or the answer is not a
  /// complete, error-free one. A block is only written on success.
  bool identify(ATABlock& block);
  bool readData(ATABlock& block);
  bool readThresholds(ATABlock& block);
  std::optional<bool> thresholdExceeded();

  /// The disk's entry for the registry, in the shape of a Mac's AHCI disk: the block storage
  /// device with its characteristics, and the "BSD Name" that leads the live machine back to it.
  Value registryEntry(LiveFiles& files) const;

 private:
  bool readBlock(ATACommand command, ATABlock& block);

  std::string name_;
  std::unique_ptr<ATADevice> device_;
  std::optional<ATABlock> identity_;  // the answer to the first IDENTIFY
};

/// A text field of IDENTIFY data: each word's two bytes swapped back, blanks trimmed, only
/// printable characters kept.
std::string ataString(const ATABlock& block, std::size_t offset, std::size_t length);

}  // namespace sw::live
