// Decoding the ATA S.M.A.R.T. records.
#include "smart/SMARTRecords.h"

#include <algorithm>
#include <cctype>

#include "foundation/ByteOrder.h"
#include "foundation/Format.h"
#include "foundation/TextEncoding.h"

namespace sw {
namespace {

/// White space as the platform's character set has it, for the bytes that survive the printable
/// filter: the space (the only printable one below 0x80) and, as Mac OS Roman, the no-break space.
bool isWhiteSpace(char byte) { return byte == ' ' || static_cast<unsigned char>(byte) == 0xCA; }

}  // namespace

std::optional<std::string> TKSATADeviceIdentification::serialNumber() const {
  return stringFromATAString(bytes.data() + kSerialNumberOffset, kSerialNumberLength);
}

std::optional<std::string> TKSATADeviceIdentification::firmwareRevision() const {
  return stringFromATAString(bytes.data() + kFirmwareRevisionOffset, kFirmwareRevisionLength);
}

std::optional<std::string> TKSATADeviceIdentification::modelNumber() const {
  return stringFromATAString(bytes.data() + kModelNumberOffset, kModelNumberLength);
}

TKSSMARTVendorAttribute TKSSMARTVendorAttribute::fromBytes(const std::uint8_t* record) {
  TKSSMARTVendorAttribute attribute;
  attribute.attributeID = record[0];
  attribute.statusFlags = static_cast<std::uint16_t>(loadLittleEndian(record + 1, 2));
  attribute.currentValue = record[3];
  attribute.worstValue = record[4];
  std::copy(record + 5, record + 11, attribute.rawValue.begin());
  attribute.reserved = record[11];
  return attribute;
}

TKSATASMARTThresholdValue TKSATASMARTThresholdValue::fromBytes(const std::uint8_t* record) {
  TKSATASMARTThresholdValue threshold;
  threshold.attributeID = record[0];
  threshold.thresholdValue = record[1];
  std::copy(record + 2, record + kSize, threshold.reserved.begin());
  return threshold;
}

std::optional<std::string> stringFromATAString(const std::uint8_t* bytes, std::size_t length) {
  if (bytes == nullptr || length % 2 != 0) return std::nullopt;
  std::string printable;
  for (std::size_t index = 0; index < length; ++index) {
    const unsigned char byte = bytes[index ^ 1];
    // isprint answers for bytes from 0x80 up by the current locale, as the platform's C library does.
    if (std::isprint(byte)) printable.push_back(static_cast<char>(byte));
  }
  const auto first = std::find_if_not(printable.begin(), printable.end(), isWhiteSpace);
  const auto last = std::find_if_not(printable.rbegin(), printable.rend(), isWhiteSpace).base();
  return macRomanToUTF8(first < last ? std::string(first, last) : std::string());
}

Dictionary attributeDictionary(const TKSSMARTVendorAttribute& attribute) {
  const auto& raw = attribute.rawValue;
  const std::uint64_t rawNumber = loadLittleEndian(raw.data(), raw.size());
  return {
      {kTKSSMARTAttributeID, Value::integer(attribute.attributeID)},
      {kTKSSMARTAttributeFlags, Value::integer(attribute.statusFlags)},
      {kTKSSMARTAttributeWorstValue, Value::integer(attribute.worstValue)},
      {kTKSSMARTAttributeCurrentValue, Value::integer(attribute.currentValue)},
      {kTKSSMARTAttribute64BitRawValue, Value::integer(static_cast<std::int64_t>(rawNumber))},
      {kTKSSMARTAttributeRawValue,
       Value(stringWithFormat("%02x%02x%02x%02x%02x%02x", raw[0], raw[1], raw[2], raw[3], raw[4], raw[5]))},
  };
}

Dictionary attributeDictionaryWithThreshold(const Dictionary& attribute, std::uint8_t threshold) {
  Dictionary values = attribute;
  std::int64_t current = 0;
  std::int64_t flags = 0;
  if (const Value* value = valueForKey(attribute, kTKSSMARTAttributeCurrentValue)) current = value->asInteger().value_or(0);
  if (const Value* value = valueForKey(attribute, kTKSSMARTAttributeFlags)) flags = value->asInteger().value_or(0);
  std::int64_t status = 0;
  if (current <= threshold) status = (flags & 1) != 0 ? 2 : 1;
  values.insert_or_assign(kTKSSMARTThresholdValue, Value::integer(threshold));
  values.insert_or_assign(kTKSSMARTAttributeStatus, Value::integer(status));
  return values;
}

}  // namespace sw
