// The Linux applesmc driver's platform device: the controller's keys by index through the
// `key_count` and `key_at_index*` files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "live/LiveFiles.h"

namespace sw::live {

struct AppleSMCKey {
  std::uint32_t code = 0;  // first character in the most significant byte
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  std::uint32_t index = 0;
};

class AppleSMCDevice {
 public:
  /// Where the driver puts its device on every kernel that has it.
  static constexpr std::string_view kDevicePath = "/sys/devices/platform/applesmc.768";
  /// More keys than any controller has; a larger count is a broken file, not a controller.
  static constexpr std::uint32_t kMostKeys = 4096;

  /// The device when its key count is readable; nothing on a machine without the driver.
  static std::optional<AppleSMCDevice> open(LiveFiles& files);

  /// Every key the driver lists, in index order (read once, when the device was opened).
  const std::vector<AppleSMCKey>& keys() const { return keys_; }
  const AppleSMCKey* keyWithCode(std::uint32_t code) const;
  /// The key's value bytes as the controller delivers them; nothing when the controller refuses
  /// the read or another reader moved the driver's index meanwhile.
  std::optional<Data> read(const AppleSMCKey& key) const;
  /// The controller's version as its driver on the platform publishes it ("1.68f99"), from the
  /// revision key; "" when that key is missing or unreadable.
  std::string versionText() const;

 private:
  AppleSMCDevice(LiveFiles& files, std::string directory) : files_(&files), directory_(std::move(directory)) {}
  bool select(std::uint32_t index) const;
  std::optional<std::uint32_t> selectedCode() const;
  std::optional<AppleSMCKey> keyAt(std::uint32_t index) const;

  LiveFiles* files_;
  std::string directory_;
  std::vector<AppleSMCKey> keys_;
};

/// A four-character code from the start of a driver line ("TC0D\n", "ui8 \n"); nothing for
/// a line that is shorter. The driver prints the characters as they are, blanks included.
std::optional<std::uint32_t> fourCharCodeOfLine(std::string_view line);

}  // namespace sw::live
