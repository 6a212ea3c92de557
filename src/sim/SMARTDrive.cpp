// Reading @SMART and laying out the ATA blocks a drive of that description answers with.
#include "sim/SMARTDrive.h"

#include <map>

#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

constexpr std::uint16_t kSMARTRevision = 0x0010;
constexpr std::size_t kRecordSize = 12;
constexpr std::uint64_t kRawLimit = std::uint64_t{1} << 48;

// IDENTIFY words and the bytes of the strings in them.
constexpr std::size_t kSerialOffset = 20, kSerialLength = 20;
constexpr std::size_t kFirmwareOffset = 46, kFirmwareLength = 8;
constexpr std::size_t kModelOffset = 54, kModelLength = 40;

const std::map<std::string, SMARTOperation, std::less<>> kOperationNames = {
    {"open", SMARTOperation::Open},       {"enable", SMARTOperation::Enable}, {"identify", SMARTOperation::Identify},
    {"data", SMARTOperation::Data},       {"thresholds", SMARTOperation::Thresholds},
    {"status", SMARTOperation::Status}};

void storeWord(ATABlock& block, std::size_t word, std::uint16_t value) {
  block[2 * word] = static_cast<std::uint8_t>(value);
  block[2 * word + 1] = static_cast<std::uint8_t>(value >> 8);
}

/// The last byte makes the block's bytes add up to 0, as the standard's checksum has it.
void sealWithChecksum(ATABlock& block) {
  std::uint8_t sum = 0;
  for (std::size_t index = 0; index + 1 < block.size(); ++index) sum = static_cast<std::uint8_t>(sum + block[index]);
  block.back() = static_cast<std::uint8_t>(0x100 - sum);
}

/// A text blank-padded into its field in ATA order: the first character of each pair is the
/// high byte of its word, so in memory the two characters of every word come swapped.
void placeATAString(ATABlock& block, std::size_t offset, std::size_t length, const std::string& text) {
  for (std::size_t index = 0; index < length; ++index) {
    block[offset + (index ^ 1)] = index < text.size() ? static_cast<std::uint8_t>(text[index]) : ' ';
  }
}

std::int64_t integerField(const Dictionary& fields, std::string_view key, std::int64_t lowest, std::int64_t highest,
                          const std::string& path, bool required = true) {
  const Value* value = valueForKey(fields, key);
  if (value == nullptr && !required) return 0;
  std::optional<std::int64_t> number = value != nullptr && value->kind() == Value::Kind::Integer ? value->asInteger()
                                                                                              : std::nullopt;
  if (!number || *number < lowest || *number > highest) {
    throw ProfileError(path, std::string(key) + " must be an integer from " + std::to_string(lowest) + " to " +
                                 std::to_string(highest));
  }
  return *number;
}

std::string textField(const Dictionary& fields, std::string_view key, std::size_t length, const std::string& path) {
  const Value* value = valueForKey(fields, key);
  if (value == nullptr) return {};
  const std::string* text = value->asString();
  if (text == nullptr || text->size() > length) {
    throw ProfileError(path, std::string(key) + " must be a string of at most " + std::to_string(length) + " bytes");
  }
  return *text;
}

const Array& listField(const Dictionary& fields, std::string_view key, const std::string& path) {
  static const Array kNone;
  const Value* value = valueForKey(fields, key);
  if (value == nullptr) return kNone;
  if (value->asArray() == nullptr || value->asArray()->size() > SMARTDrive::kSlotCount) {
    throw ProfileError(path, std::string(key) + " must be an array of at most 30 dictionaries");
  }
  return *value->asArray();
}

ATABlock identifyFromStrings(const Dictionary& fields, const std::string& path) {
  ATABlock block{};
  storeWord(block, 0, 0x0040);   // a fixed, non-removable disk
  storeWord(block, 80, 0x00FE);  // ATA-1 to ATA-7
  storeWord(block, 82, 0x0001);  // the S.M.A.R.T. feature set: supported ...
  storeWord(block, 85, 0x0001);  // ... and enabled
  placeATAString(block, kSerialOffset, kSerialLength, textField(fields, "Serial", kSerialLength, path));
  placeATAString(block, kFirmwareOffset, kFirmwareLength, textField(fields, "Firmware", kFirmwareLength, path));
  placeATAString(block, kModelOffset, kModelLength, textField(fields, "Model", kModelLength, path));
  block[510] = 0xA5;  // the signature that says the checksum byte is valid
  sealWithChecksum(block);
  return block;
}

std::array<std::uint8_t, 6> rawField(const Dictionary& fields, const std::string& path) {
  std::array<std::uint8_t, 6> raw{};
  const Value* value = valueForKey(fields, "Raw");
  if (value == nullptr) return raw;
  if (const Data* bytes = value->asData(); bytes != nullptr && bytes->size() == raw.size()) {
    std::copy(bytes->begin(), bytes->end(), raw.begin());
    return raw;
  }
  std::optional<std::int64_t> number = value->kind() == Value::Kind::Integer ? value->asInteger() : std::nullopt;
  if (!number || *number < 0 || static_cast<std::uint64_t>(*number) >= kRawLimit) {
    throw ProfileError(path, "Raw must be an integer from 0 to 2^48 - 1 or 6 bytes of data");
  }
  for (std::size_t index = 0; index < raw.size(); ++index) {
    raw[index] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(*number) >> (8 * index));
  }
  return raw;
}

SMARTDriveAttribute readAttribute(const Value& entry, const std::string& path) {
  const Dictionary* fields = entry.asDictionary();
  if (fields == nullptr) throw ProfileError(path, "an attribute must be a dictionary");
  refuseUnknownKeys(*fields, {"ID", "Flags", "Value", "Worst", "Raw"}, "attribute field", path);
  SMARTDriveAttribute attribute;
  attribute.id = static_cast<std::uint8_t>(integerField(*fields, "ID", 0, 255, path));
  attribute.flags = static_cast<std::uint16_t>(integerField(*fields, "Flags", 0, 0xFFFF, path, false));
  attribute.value = static_cast<std::uint8_t>(integerField(*fields, "Value", 0, 255, path, false));
  attribute.worst = static_cast<std::uint8_t>(integerField(*fields, "Worst", 0, 255, path, false));
  attribute.raw = rawField(*fields, path);
  return attribute;
}

SMARTDriveThreshold readThreshold(const Value& entry, const std::string& path) {
  const Dictionary* fields = entry.asDictionary();
  if (fields == nullptr) throw ProfileError(path, "a threshold must be a dictionary");
  refuseUnknownKeys(*fields, {"ID", "Threshold"}, "threshold field", path);
  return {static_cast<std::uint8_t>(integerField(*fields, "ID", 0, 255, path)),
          static_cast<std::uint8_t>(integerField(*fields, "Threshold", 0, 255, path, false))};
}

std::set<SMARTOperation> readFailing(const Dictionary& fields, const std::string& path) {
  std::set<SMARTOperation> failing;
  const Value* value = valueForKey(fields, "Fail");
  if (value == nullptr) return failing;
  if (value->asArray() == nullptr) throw ProfileError(path, "Fail must be an array of operation names");
  for (const Value& name : *value->asArray()) {
    auto found = name.asString() != nullptr ? kOperationNames.find(*name.asString()) : kOperationNames.end();
    if (found == kOperationNames.end()) {
      throw ProfileError(path, "Fail names open, enable, identify, data, thresholds or status");
    }
    failing.insert(found->second);
  }
  return failing;
}

}  // namespace

SMARTDrive SMARTDrive::parse(const Value& description, const std::string& path) {
  const Dictionary* fields = description.asDictionary();
  if (fields == nullptr) throw ProfileError(path, "must be a dictionary");
  refuseUnknownKeys(*fields, {"Model", "Serial", "Firmware", "Identify", "Attributes", "Thresholds", "Status", "Fail"},
                    "@SMART field", path);
  SMARTDrive drive;
  if (const Value* identify = valueForKey(*fields, "Identify")) {
    if (identify->asData() == nullptr || identify->asData()->size() != drive.identify.size()) {
      throw ProfileError(path, "Identify must be 512 bytes of data");
    }
    if (fields->contains("Model") || fields->contains("Serial") || fields->contains("Firmware")) {
      throw ProfileError(path, "Identify and the IDENTIFY strings exclude each other");
    }
    std::copy(identify->asData()->begin(), identify->asData()->end(), drive.identify.begin());
  } else {
    drive.identify = identifyFromStrings(*fields, path);
  }
  const Array& attributes = listField(*fields, "Attributes", path);
  for (std::size_t slot = 0; slot < attributes.size(); ++slot) {
    drive.attributes[slot] = readAttribute(attributes[slot], path + "/Attributes/" + std::to_string(slot));
  }
  const Array& thresholds = listField(*fields, "Thresholds", path);
  for (std::size_t slot = 0; slot < thresholds.size(); ++slot) {
    drive.thresholds[slot] = readThreshold(thresholds[slot], path + "/Thresholds/" + std::to_string(slot));
  }
  drive.thresholdExceeded = integerField(*fields, "Status", 0, 1, path, false) != 0;
  drive.failing = readFailing(*fields, path);
  return drive;
}

ATABlock SMARTDrive::dataBlock() const {
  ATABlock block{};
  storeWord(block, 0, kSMARTRevision);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    const SMARTDriveAttribute& attribute = attributes[slot];
    std::uint8_t* record = block.data() + 2 + slot * kRecordSize;
    record[0] = attribute.id;
    record[1] = static_cast<std::uint8_t>(attribute.flags);
    record[2] = static_cast<std::uint8_t>(attribute.flags >> 8);
    record[3] = attribute.value;
    record[4] = attribute.worst;
    std::copy(attribute.raw.begin(), attribute.raw.end(), record + 5);
  }
  sealWithChecksum(block);
  return block;
}

ATABlock SMARTDrive::thresholdBlock() const {
  ATABlock block{};
  storeWord(block, 0, kSMARTRevision);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    block[2 + slot * kRecordSize] = thresholds[slot].id;
    block[3 + slot * kRecordSize] = thresholds[slot].threshold;
  }
  sealWithChecksum(block);
  return block;
}

}  // namespace sw::sim
