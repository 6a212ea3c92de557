// Reading the controller's keys through the driver's selection files.
#include "live/AppleSMCDevice.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>

namespace sw::live {

std::optional<std::uint32_t> fourCharCodeOfLine(std::string_view line) {
  // A key whose code holds a zero byte is printed short by the driver; the line end then comes
  // early and the code is incomplete, so it is refused rather than guessed.
  if (line.size() < 4) return std::nullopt;
  std::uint32_t code = 0;
  for (std::size_t index = 0; index < 4; ++index) {
    if (line[index] == '\n') return std::nullopt;
    code = (code << 8) | static_cast<std::uint8_t>(line[index]);
  }
  return code;
}

std::optional<AppleSMCDevice> AppleSMCDevice::open(LiveFiles& files) {
  AppleSMCDevice device(files, std::string(kDevicePath));
  std::optional<std::int64_t> count = files.readInteger(device.directory_ + "/key_count");
  if (!count || *count < 0) return std::nullopt;
  const auto listed = static_cast<std::uint32_t>(std::min<std::int64_t>(*count, kMostKeys));
  for (std::uint32_t index = 0; index < listed; ++index) {
    // A key the driver cannot describe ends the list: later indexes would not match the
    // controller's own numbering any more.
    std::optional<AppleSMCKey> key = device.keyAt(index);
    if (!key) break;
    device.keys_.push_back(*key);
  }
  return device;
}

bool AppleSMCDevice::select(std::uint32_t index) const {
  return files_->writeAttribute(directory_ + "/key_at_index", std::to_string(index));
}

std::optional<std::uint32_t> AppleSMCDevice::selectedCode() const {
  std::optional<std::string> name = files_->read(directory_ + "/key_at_index_name", 64);
  return name ? fourCharCodeOfLine(*name) : std::nullopt;
}

std::optional<AppleSMCKey> AppleSMCDevice::keyAt(std::uint32_t index) const {
  if (!select(index)) return std::nullopt;
  std::optional<std::uint32_t> code = selectedCode();
  std::optional<std::string> type = files_->read(directory_ + "/key_at_index_type", 64);
  std::optional<std::int64_t> size = files_->readInteger(directory_ + "/key_at_index_data_length");
  std::optional<std::uint32_t> typeCode = type ? fourCharCodeOfLine(*type) : std::nullopt;
  if (!code || !typeCode || !size || *size < 0 || *size > 32) return std::nullopt;
  return AppleSMCKey{*code, *typeCode, static_cast<std::uint32_t>(*size), index};
}

const AppleSMCKey* AppleSMCDevice::keyWithCode(std::uint32_t code) const {
  auto found = std::find_if(keys_.begin(), keys_.end(), [code](const AppleSMCKey& key) { return key.code == code; });
  return found == keys_.end() ? nullptr : &*found;
}

std::optional<Data> AppleSMCDevice::read(const AppleSMCKey& key) const {
  if (!select(key.index)) return std::nullopt;
  std::optional<std::string> bytes = files_->read(directory_ + "/key_at_index_data", 64);
  // The driver's index is shared by every reader of the machine: the name read after the data
  // shows whether the bytes are still those of this key.
  if (!bytes || bytes->size() != key.size || selectedCode() != key.code) return std::nullopt;
  return Data(bytes->begin(), bytes->end());
}

}  // namespace sw::live

namespace sw::live {

std::string AppleSMCDevice::versionText() const {
  constexpr std::uint32_t kRevisionKey = 0x52455620;  // "REV "
  const AppleSMCKey* key = keyWithCode(kRevisionKey);
  std::optional<Data> bytes = key != nullptr ? read(*key) : std::nullopt;
  if (!bytes || bytes->size() != 6) return {};
  const Data& b = *bytes;
  // major, minor, build, one reserved byte, then the release as a big-endian 16-bit number
  return fmt::format("{:x}.{:x}{:x}{:x}", b[0], b[1], b[2], (unsigned(b[4]) << 8) | b[5]);
}

}  // namespace sw::live
