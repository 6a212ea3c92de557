// One ATA or SATA disk whose S.M.A.R.T. data can be read: finding such disks in the registry,
// and reading their IDENTIFY data, attribute and threshold tables and temperature through the
// operating system's ATA S.M.A.R.T. plug-in interface, which is open only during each operation.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "ioregistry/TKSIORegistryEntry.h"
#include "os/PlugInInterface.h"
#include "smart/SMARTRecords.h"
#include "smart/TKSKnownSMARTHardDisk.h"

namespace sw {

class TKSSMARTStorageDevice;
using SMARTDeviceList = std::vector<std::shared_ptr<TKSSMARTStorageDevice>>;

class TKSSMARTStorageDevice {
 public:
  /// What currentSMARTStatus answers.
  enum SMARTStatus : std::int32_t { kStatusNotReadable = 0, kThresholdExceeded = 1, kNoThresholdExceeded = 2 };

  ~TKSSMARTStorageDevice();
  TKSSMARTStorageDevice(const TKSSMARTStorageDevice&) = delete;
  TKSSMARTStorageDevice& operator=(const TKSSMARTStorageDevice&) = delete;

  // ---- Discovery and the shared tables ----
  static void setDebugMode(bool debug);
  /// The disks that support S.M.A.R.T.: legacy ATA disks first, then those of the new era, each
  /// group in registry order. With restrict, a legacy disk is taken only when its temperature
  /// attribute is known (the known-disk table) or it is on SATA.
  static SMARTDeviceList allSMARTDevicesRestrictToTemperatureSupport(bool restrict);
  static bool storageDeviceEntryIndicatesSMARTSupport(const std::shared_ptr<TKSIORegistryEntry>& entry, bool debug);
  static bool storageDeviceEntryIndicatesSATAConnect(const std::shared_ptr<TKSIORegistryEntry>& entry, bool debug);
  /// The known-disk table, read once per process; nothing (and retried next time) when missing.
  static std::optional<KnownDiskTable> knownSMARTHardDisks();
  /// Attribute identifier in decimal → display name, read once per process.
  static std::optional<Dictionary> knownSMARTVendorAttributes();
  /// The first row of the known-disk table that matches the model number.
  static std::shared_ptr<TKSKnownSMARTHardDisk> diskDescriptionForProductName(const std::optional<std::string>& name);
  static std::optional<std::string> vendorAttributeNameForSMARTIdentifier(int identifier);
  /// Whether the system's own S.M.A.R.T. monitoring is configured ("/etc/hwmond.SMART").
  static bool systemDoesMonitorSMARTAttributes();

  // ---- One disk ----
  /// nullptr without an entry or when the disk's S.M.A.R.T. interface cannot be opened.
  static std::shared_ptr<TKSSMARTStorageDevice> createWithIORegistryEntry(std::shared_ptr<TKSIORegistryEntry> entry,
                                                                          bool debug);

  std::string productName() const { return productName_; }
  std::string serialNumber() const { return serialNumber_; }
  const std::shared_ptr<TKSIORegistryEntry>& registryEntry() const { return registryEntry_; }
  std::uint8_t temperatureAttributeID() const { return temperatureAttributeID_; }
  void setSMARTTemperatureAttributeID(std::uint8_t identifier) { temperatureAttributeID_ = identifier; }

  /// One of SMARTStatus.
  std::int32_t currentSMARTStatus();
  /// The record with the identifier (1 to 255); false when there is none or it cannot be read.
  bool getVendorSpecificSMARTAttributeForIdentifier(TKSSMARTVendorAttribute* attribute, int identifier);
  bool getVendorSpecificSMARTThresholdValueForIdentifier(TKSATASMARTThresholdValue* threshold, int identifier);
  bool getATAIdentificationData(TKSATADeviceIdentification* identification);
  /// Fills both with the occupied slots, keyed by the identifier in decimal: the attribute
  /// dictionaries, and the threshold of the same slot.
  bool getByIDAllSMARTAttributesAndThresholds(Dictionary* attributes, Dictionary* thresholds);
  /// Attribute name → attribute dictionary; nothing when the disk cannot be opened.
  std::optional<Dictionary> availableSMARTAttributes();
  /// The attributes with a known name, each with its threshold and status.
  Dictionary availableSMARTValues();
  /// The attributes the system's monitoring configuration names for this disk, under its names.
  std::optional<Dictionary> systemMonitoredSMARTValues();
  std::optional<Dictionary> dictionaryForVendorSpecificSMARTAttribute(const TKSSMARTVendorAttribute* attribute) const;
  /// Degrees Celsius from the temperature attribute; -1 when it cannot be read.
  std::int32_t temperature();

  bool openSMARTDevice();
  void closeSMARTDevice();
  static std::int32_t temperatureFromSMARTAttribute(const TKSSMARTVendorAttribute& attribute,
                                                    std::uint8_t attributeID);

  std::string description() const;

 private:
  TKSSMARTStorageDevice() = default;
  bool isOpen() const { return plugInInterface_ != nullptr && smartInterface_ != nullptr; }
  /// One open, one read of the data block, one close.
  bool readDataBlock(os::ATASMARTData* data);
  bool readThresholdBlock(os::ATASMARTDataThresholds* thresholds);

  std::shared_ptr<TKSIORegistryEntry> registryEntry_;
  os::IOCFPlugInInterface* plugInInterface_ = nullptr;
  os::IOATASMARTInterface* smartInterface_ = nullptr;
  std::string productName_;
  std::string serialNumber_;
  std::uint8_t temperatureAttributeID_ = 194;
  bool enableRequestWasSent_ = false;
};

}  // namespace sw
