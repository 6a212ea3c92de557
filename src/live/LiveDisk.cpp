// Finding the disks and sending them the S.M.A.R.T. commands, every answer checked before it is
// believed.
#include "live/LiveDisk.h"

#include <algorithm>

namespace sw::live {
namespace {

// IDENTIFY words: the strings, the feature set words and the integrity word.
constexpr std::size_t kSerialOffset = 20, kSerialLength = 20;
constexpr std::size_t kFirmwareOffset = 46, kFirmwareLength = 8;
constexpr std::size_t kModelOffset = 54, kModelLength = 40;
constexpr std::size_t kSupportedWord = 82, kEnabledWord = 85;
constexpr std::uint16_t kSMARTFeature = 0x0001;
constexpr std::uint8_t kChecksumSignature = 0xA5;
// The kernel's page of vital product data that holds the unit serial number.
constexpr std::size_t kSerialPageLimit = 256;

std::uint16_t word(const ATABlock& block, std::size_t index) {
  return static_cast<std::uint16_t>(block[2 * index] | (block[2 * index + 1] << 8));
}

/// A feature word holds nothing when it reads 0x0000 or 0xFFFF, as the standard has it.
bool featureBit(const ATABlock& block, std::size_t index, std::uint16_t bit) {
  const std::uint16_t value = word(block, index);
  return value != 0x0000 && value != 0xFFFF && (value & bit) != 0;
}

/// IDENTIFY data worth believing: an ATA device (word 0 bit 15 clear) whose checksum, where the
/// signature says there is one, adds up.
bool plausibleIdentity(const ATABlock& block) {
  if ((word(block, 0) & 0x8000) != 0) return false;
  if (block[510] != kChecksumSignature) return true;
  std::uint8_t sum = 0;
  for (std::uint8_t byte : block) sum = static_cast<std::uint8_t>(sum + byte);
  return sum == 0;
}

std::string printableTrimmed(std::string text) {
  std::erase_if(text, [](char c) { return c < 0x20 || c > 0x7E; });
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

/// The unit serial number page: a four-byte header, then as many characters as byte 3 says.
std::string serialFromPage(const std::string& page) {
  if (page.size() < 4 || page[1] != '\x80') return {};
  const std::size_t length = std::min<std::size_t>(static_cast<std::uint8_t>(page[3]), page.size() - 4);
  return printableTrimmed(page.substr(4, length));
}

/// sd names in the kernel's order: sdz comes before sdaa.
bool kernelOrder(const std::string& left, const std::string& right) {
  return left.size() != right.size() ? left.size() < right.size() : left < right;
}

bool isDiskName(const std::string& name) {
  return name.size() > 2 && name.starts_with("sd") &&
         std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

}  // namespace

std::string ataString(const ATABlock& block, std::size_t offset, std::size_t length) {
  std::string text;
  for (std::size_t index = 0; index < length && offset + (index ^ 1) < block.size(); ++index) {
    text += static_cast<char>(block[offset + (index ^ 1)]);
  }
  return printableTrimmed(std::move(text));
}

std::vector<std::shared_ptr<LiveDisk>> LiveDisk::discover(LiveFiles& files, ATADeviceOpener& opener) {
  std::vector<std::string> names = files.list("/sys/block");
  std::erase_if(names, [](const std::string& name) { return !isDiskName(name); });
  std::sort(names.begin(), names.end(), kernelOrder);
  if (names.size() > kDiskLimit) names.resize(kDiskLimit);
  std::vector<std::shared_ptr<LiveDisk>> disks;
  for (const std::string& name : names) {
    auto disk = std::make_shared<LiveDisk>(name, opener.open(name));
    ATABlock block{};
    if (disk->identify(block)) disk->identity_ = block;
    // A disk that cannot tell S.M.A.R.T. is never sent another command.
    if (!disk->smartCapable()) disk->device_.reset();
    disks.push_back(std::move(disk));
  }
  return disks;
}

LiveDisk::LiveDisk(std::string name, std::unique_ptr<ATADevice> device)
    : name_(std::move(name)), device_(std::move(device)) {}

bool LiveDisk::smartCapable() const { return identity_ && featureBit(*identity_, kSupportedWord, kSMARTFeature); }

bool LiveDisk::smartEnabled() const { return smartCapable() && featureBit(*identity_, kEnabledWord, kSMARTFeature); }

bool LiveDisk::readBlock(ATACommand command, ATABlock& block) {
  if (!device_) return false;
  ATABlock received{};
  const std::optional<PassThroughAnswer> answer = device_->passThrough(passThroughCDB(command), received);
  if (!answer || !commandSucceeded(command, *answer)) return false;
  block = received;
  return true;
}

bool LiveDisk::identify(ATABlock& block) {
  ATABlock received{};
  if (!readBlock(ATACommand::Identify, received) || !plausibleIdentity(received)) return false;
  block = received;
  return true;
}

bool LiveDisk::readData(ATABlock& block) { return readBlock(ATACommand::SMARTReadData, block); }

bool LiveDisk::readThresholds(ATABlock& block) { return readBlock(ATACommand::SMARTReadThresholds, block); }

std::optional<bool> LiveDisk::thresholdExceeded() {
  if (!device_) return std::nullopt;
  const std::optional<PassThroughAnswer> answer = device_->passThrough(passThroughCDB(ATACommand::SMARTReturnStatus), {});
  return answer ? live::thresholdExceeded(*answer) : std::nullopt;
}

Value LiveDisk::registryEntry(LiveFiles& files) const {
  const std::string sysfs = "/sys/block/" + name_;
  std::string model = printableTrimmed(files.readLine(sysfs + "/device/model").value_or(""));
  std::string revision = printableTrimmed(files.readLine(sysfs + "/device/rev").value_or(""));
  std::string serial = serialFromPage(files.read(sysfs + "/device/vpd_pg80", kSerialPageLimit).value_or(""));
  if (identity_) {
    // The kernel cuts a disk's model to the 16 characters of a SCSI inquiry; IDENTIFY has it all.
    model = ataString(*identity_, kModelOffset, kModelLength);
    revision = ataString(*identity_, kFirmwareOffset, kFirmwareLength);
    serial = ataString(*identity_, kSerialOffset, kSerialLength);
  }
  Dictionary characteristics;
  if (!model.empty()) characteristics["Product Name"] = Value(model);
  if (!revision.empty()) characteristics["Product Revision Level"] = Value(revision);
  if (!serial.empty()) characteristics["Serial Number"] = Value(serial);
  if (std::optional<std::int64_t> rotational = files.readInteger(sysfs + "/queue/rotational")) {
    characteristics["Medium Type"] = Value(*rotational != 0 ? "Rotational" : "Solid State");
  }
  Dictionary protocol;
  if (identity_) protocol["Physical Interconnect"] = Value("SATA");
  const bool removable = files.readInteger(sysfs + "/removable").value_or(0) != 0;
  protocol["Physical Interconnect Location"] = Value(removable ? "External" : "Internal");

  Dictionary properties{
      {"IOObjectClass", Value("IOAHCIBlockStorageDevice")},
      {"BSD Name", Value(name_)},
      {"SMART Capable", Value::boolean(smartCapable())},
      {"Device Characteristics", Value(std::move(characteristics))},
      {"Protocol Characteristics", Value(std::move(protocol))},
      {"IORegistryEntryChildren", Value(Array{Value(Dictionary{{"IOObjectClass", Value("IOBlockStorageDriver")}})})},
  };
  return Value(std::move(properties));
}

}  // namespace sw::live
