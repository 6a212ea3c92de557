// The records of the ATA S.M.A.R.T. commands as the plug-in reads them: IDENTIFY data, attribute
// and threshold records, the text fields in ATA byte order, and the attribute dictionaries that
// callers showing S.M.A.R.T. values receive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/Value.h"

namespace sw {

/// The 512 bytes of ATA IDENTIFY DEVICE data.
struct TKSATADeviceIdentification {
  static constexpr std::size_t kSerialNumberOffset = 20, kSerialNumberLength = 20;
  static constexpr std::size_t kFirmwareRevisionOffset = 46, kFirmwareRevisionLength = 8;
  static constexpr std::size_t kModelNumberOffset = 54, kModelNumberLength = 40;

  std::array<std::uint8_t, 512> bytes{};

  std::optional<std::string> serialNumber() const;
  std::optional<std::string> firmwareRevision() const;
  std::optional<std::string> modelNumber() const;
};

/// One 12-byte attribute record of the S.M.A.R.T. data block.
struct TKSSMARTVendorAttribute {
  static constexpr std::size_t kSize = 12;

  std::uint8_t attributeID = 0;  // 0: an empty slot
  std::uint16_t statusFlags = 0;  // bit 0: a pre-failure attribute
  std::uint8_t currentValue = 0;
  std::uint8_t worstValue = 0;
  std::array<std::uint8_t, 6> rawValue{};  // least significant byte first
  std::uint8_t reserved = 0;

  /// The record at `record`, which must hold kSize bytes.
  static TKSSMARTVendorAttribute fromBytes(const std::uint8_t* record);
};

/// One 12-byte record of the threshold block.
struct TKSATASMARTThresholdValue {
  static constexpr std::size_t kSize = 12;

  std::uint8_t attributeID = 0;
  std::uint8_t thresholdValue = 0;
  std::array<std::uint8_t, 10> reserved{};

  static TKSATASMARTThresholdValue fromBytes(const std::uint8_t* record);
};

/// Both blocks hold a two-byte revision and then 30 records.
inline constexpr std::size_t kSMARTRecordCount = 30;
inline constexpr std::size_t kSMARTFirstRecordOffset = 2;

/// A text field of IDENTIFY data: the two bytes of each word swapped back, only printable bytes
/// kept, white space trimmed at both ends. Nothing for an odd length.
std::optional<std::string> stringFromATAString(const std::uint8_t* bytes, std::size_t length);

// The keys of an attribute dictionary.
inline constexpr const char* kTKSSMARTAttributeID = "TKSSMARTAttributeID";
inline constexpr const char* kTKSSMARTAttributeFlags = "TKSSMARTAttributeFlags";
inline constexpr const char* kTKSSMARTAttributeWorstValue = "TKSSMARTAttributeWorstValue";
inline constexpr const char* kTKSSMARTAttributeCurrentValue = "TKSSMARTAttributeCurrentValue";
inline constexpr const char* kTKSSMARTAttribute64BitRawValue = "TKSSMARTAttribute64BitRawValue";
inline constexpr const char* kTKSSMARTAttributeRawValue = "TKSSMARTAttributeRawValue";
inline constexpr const char* kTKSSMARTThresholdValue = "TKSSMARTThresholdValue";
inline constexpr const char* kTKSSMARTAttributeStatus = "TKSSMARTAttributeStatus";

/// The attribute dictionary of one record.
Dictionary attributeDictionary(const TKSSMARTVendorAttribute& attribute);
/// A copy with the threshold and the status: 0 above the threshold, else 2 for a pre-failure
/// attribute and 1 for any other.
Dictionary attributeDictionaryWithThreshold(const Dictionary& attribute, std::uint8_t threshold);

}  // namespace sw
