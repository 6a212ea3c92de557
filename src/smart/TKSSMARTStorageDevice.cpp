// Reading one disk through the ATA S.M.A.R.T. plug-in interface: open, one or two commands, close.
#include "smart/TKSSMARTStorageDevice.h"


#include "foundation/ByteOrder.h"
#include "foundation/Format.h"
#include "os/Bundle.h"
#include "os/Host.h"
#include "os/IOKit.h"
#include "os/SystemLog.h"

namespace sw {
namespace {

constexpr std::uint8_t kPackedTemperatureAttribute = 194;

template <typename Record, typename Block>
Record recordInSlot(const Block& block, std::size_t slot) {
  return Record::fromBytes(block.bytes + kSMARTFirstRecordOffset + slot * Record::kSize);
}

/// The members of a collection of the configuration file: an array's elements or a dictionary's values.
std::vector<Value> membersOf(const Value& collection) {
  std::vector<Value> members;
  if (const Array* array = collection.asArray()) members = *array;
  if (const Dictionary* dictionary = collection.asDictionary()) {
    for (const auto& [key, member] : *dictionary) members.push_back(member);
  }
  return members;
}

}  // namespace

TKSSMARTStorageDevice::~TKSSMARTStorageDevice() {
  if (smartInterface_ != nullptr) smartInterface_->Release();
  if (plugInInterface_ != nullptr) os::IODestroyPlugInInterface(plugInInterface_);
}

std::shared_ptr<TKSSMARTStorageDevice> TKSSMARTStorageDevice::createWithIORegistryEntry(
    std::shared_ptr<TKSIORegistryEntry> entry, bool debug) {
  if (!entry) return nullptr;
  std::shared_ptr<TKSSMARTStorageDevice> device(new TKSSMARTStorageDevice());
  device->registryEntry_ = std::move(entry);
  if (!device->openSMARTDevice()) {
    if (debug) {
      os::systemLog(stringWithFormat(
          "   Device entry %@ not accepted because access to its S.M.A.R.T. interface failed.\n",
          device->registryEntry_->description()));
    }
    return nullptr;
  }
  device->closeSMARTDevice();
  TKSATADeviceIdentification identification;
  if (device->getATAIdentificationData(&identification)) {
    device->productName_ = identification.modelNumber().value_or("");
    device->serialNumber_ = identification.serialNumber().value_or("");
  } else {
    device->productName_ = "UNKNOWN SMART DISK";
    device->serialNumber_ = " ";
  }
  return device;
}

bool TKSSMARTStorageDevice::openSMARTDevice() {
  if (plugInInterface_ != nullptr || smartInterface_ != nullptr) {
    os::systemLog("Internal error: TKSSMARTStorageDevice tried to open a device which is already open\n");
    return false;
  }
  std::int32_t score = 0;
  if (os::IOCreatePlugInInterfaceForService(registryEntry_->ioKitHandle(), os::kIOATASMARTUserClientTypeID,
                                            os::kIOCFPlugInInterfaceID, &plugInInterface_, &score) != os::KERN_SUCCESS ||
      plugInInterface_ == nullptr) {
    plugInInterface_ = nullptr;
    return false;
  }
  void* interface = nullptr;
  if (plugInInterface_->QueryInterface(os::kIOATASMARTInterfaceID, &interface) != os::S_OK || interface == nullptr) {
    os::IODestroyPlugInInterface(plugInInterface_);
    plugInInterface_ = nullptr;
    smartInterface_ = nullptr;
    return false;
  }
  smartInterface_ = static_cast<os::IOATASMARTInterface*>(interface);
  if (enableRequestWasSent_) return true;
  if (smartInterface_->SMARTEnableDisableOperations(true) == os::kIOReturnSuccess) {
    enableRequestWasSent_ = true;
    return true;
  }
  closeSMARTDevice();
  return false;
}

void TKSSMARTStorageDevice::closeSMARTDevice() {
  if (!isOpen()) {
    os::systemLog("Internal error: TKSSMARTStorageDevice tried to close a device which is not open\n");
    return;
  }
  smartInterface_->Release();
  os::IODestroyPlugInInterface(plugInInterface_);
  smartInterface_ = nullptr;
  plugInInterface_ = nullptr;
}

std::int32_t TKSSMARTStorageDevice::currentSMARTStatus() {
  if (!openSMARTDevice()) return kStatusNotReadable;
  bool exceeded = false;
  const bool read = smartInterface_->SMARTReturnStatus(&exceeded) == os::kIOReturnSuccess;
  closeSMARTDevice();
  if (!read) return kStatusNotReadable;
  return exceeded ? kThresholdExceeded : kNoThresholdExceeded;
}

bool TKSSMARTStorageDevice::readDataBlock(os::ATASMARTData* data) {
  if (!openSMARTDevice()) return false;
  const bool read = smartInterface_->SMARTReadData(data) == os::kIOReturnSuccess;
  closeSMARTDevice();
  return read;
}

bool TKSSMARTStorageDevice::readThresholdBlock(os::ATASMARTDataThresholds* thresholds) {
  if (!openSMARTDevice()) return false;
  const bool read = smartInterface_->SMARTReadDataThresholds(thresholds) == os::kIOReturnSuccess;
  closeSMARTDevice();
  return read;
}

bool TKSSMARTStorageDevice::getVendorSpecificSMARTAttributeForIdentifier(TKSSMARTVendorAttribute* attribute,
                                                                         int identifier) {
  if (attribute == nullptr || identifier < 1 || identifier > 255) return false;
  os::ATASMARTData data{};
  if (!readDataBlock(&data)) return false;
  for (std::size_t slot = 0; slot < kSMARTRecordCount; ++slot) {
    auto record = recordInSlot<TKSSMARTVendorAttribute>(data, slot);
    if (record.attributeID == identifier) {
      *attribute = record;
      return true;
    }
  }
  return false;
}

bool TKSSMARTStorageDevice::getVendorSpecificSMARTThresholdValueForIdentifier(TKSATASMARTThresholdValue* threshold,
                                                                              int identifier) {
  if (threshold == nullptr || identifier < 1 || identifier > 255) return false;
  os::ATASMARTDataThresholds thresholds{};
  if (!readThresholdBlock(&thresholds)) return false;
  for (std::size_t slot = 0; slot < kSMARTRecordCount; ++slot) {
    auto record = recordInSlot<TKSATASMARTThresholdValue>(thresholds, slot);
    if (record.attributeID == identifier) {
      *threshold = record;
      return true;
    }
  }
  return false;
}

bool TKSSMARTStorageDevice::getATAIdentificationData(TKSATADeviceIdentification* identification) {
  if (identification == nullptr || !openSMARTDevice()) return false;
  std::uint32_t size = 0;
  const std::uint32_t wanted = static_cast<std::uint32_t>(identification->bytes.size());
  const bool read = smartInterface_->GetATAIdentifyData(identification->bytes.data(), wanted, &size) ==
                    os::kIOReturnSuccess;
  closeSMARTDevice();
  return read;
}

bool TKSSMARTStorageDevice::getByIDAllSMARTAttributesAndThresholds(Dictionary* attributes, Dictionary* thresholds) {
  if (attributes == nullptr || thresholds == nullptr) return false;
  attributes->clear();
  thresholds->clear();
  if (!openSMARTDevice()) return false;
  os::ATASMARTData data{};
  os::ATASMARTDataThresholds limits{};
  const bool read = smartInterface_->SMARTReadData(&data) == os::kIOReturnSuccess &&
                    smartInterface_->SMARTReadDataThresholds(&limits) == os::kIOReturnSuccess;
  closeSMARTDevice();
  if (!read) return false;
  for (std::size_t slot = 0; slot < kSMARTRecordCount; ++slot) {
    auto record = recordInSlot<TKSSMARTVendorAttribute>(data, slot);
    if (record.attributeID == 0) break;
    const std::string key = std::to_string(record.attributeID);
    attributes->insert_or_assign(key, Value(attributeDictionary(record)));
    thresholds->insert_or_assign(key, Value::integer(recordInSlot<TKSATASMARTThresholdValue>(limits, slot).thresholdValue));
  }
  return true;
}

std::optional<Dictionary> TKSSMARTStorageDevice::availableSMARTAttributes() {
  if (!openSMARTDevice()) return std::nullopt;
  Dictionary byName;
  os::ATASMARTData data{};
  const bool read = smartInterface_->SMARTReadData(&data) == os::kIOReturnSuccess;
  closeSMARTDevice();
  if (!read) return byName;
  for (std::size_t slot = 0; slot < kSMARTRecordCount; ++slot) {
    auto record = recordInSlot<TKSSMARTVendorAttribute>(data, slot);
    if (record.attributeID == 0) break;
    std::string name = vendorAttributeNameForSMARTIdentifier(record.attributeID)
                           .value_or(os::Bundle::mainBundle().localizedStringForKey("Unknown Attribute", "", ""));
    byName.insert_or_assign(std::move(name), Value(attributeDictionary(record)));
  }
  return byName;
}

Dictionary TKSSMARTStorageDevice::availableSMARTValues() {
  Dictionary values;
  for (const auto& [name, attribute] : availableSMARTAttributes().value_or(Dictionary{})) {
    const Value* identifier = attribute.find(kTKSSMARTAttributeID);
    const int id = identifier != nullptr ? static_cast<int>(identifier->asInteger().value_or(0)) : 0;
    std::optional<std::string> vendorName = vendorAttributeNameForSMARTIdentifier(id);
    TKSATASMARTThresholdValue threshold;
    if (!vendorName || !getVendorSpecificSMARTThresholdValueForIdentifier(&threshold, id)) continue;
    values.insert_or_assign(*vendorName,
                            Value(attributeDictionaryWithThreshold(*attribute.asDictionary(), threshold.thresholdValue)));
  }
  return values;
}

std::optional<Dictionary> TKSSMARTStorageDevice::systemMonitoredSMARTValues() {
  if (!systemDoesMonitorSMARTAttributes()) return std::nullopt;
  const std::optional<Value> configuration = os::readPropertyListFile("/etc/hwmond.SMART");
  const Value* drives = configuration ? configuration->find("Drives") : nullptr;
  if (drives == nullptr) return std::nullopt;
  std::optional<Value> smartPairs;
  bool driveFound = false;
  for (const Value& drive : membersOf(*drives)) {
    const Value* manufacturerID = drive.find("manufacturerID");
    if (manufacturerID == nullptr || manufacturerID->asString() == nullptr || *manufacturerID->asString() != productName_) {
      continue;
    }
    driveFound = true;
    if (const Value* pairs = drive.find("SMART")) smartPairs = *pairs;
    break;
  }
  if (!driveFound) return Dictionary{};
  if (!smartPairs) return std::nullopt;
  Dictionary attributes, thresholds, values;
  if (!getByIDAllSMARTAttributesAndThresholds(&attributes, &thresholds)) return values;
  for (const Value& pair : membersOf(*smartPairs)) {
    const Array* elements = pair.asArray();
    if (elements == nullptr || elements->size() < 2 || !(*elements)[0].isNumber() || (*elements)[1].asString() == nullptr) {
      continue;
    }
    const std::string key = std::to_string((*elements)[0].asInteger().value_or(0));
    const Value* attribute = valueForKey(attributes, key);
    const Value* threshold = valueForKey(thresholds, key);
    if (attribute == nullptr || threshold == nullptr) continue;
    values.insert_or_assign(*(*elements)[1].asString(),
                            Value(attributeDictionaryWithThreshold(
                                *attribute->asDictionary(), static_cast<std::uint8_t>(threshold->asInteger().value_or(0)))));
  }
  return values;
}

std::optional<Dictionary> TKSSMARTStorageDevice::dictionaryForVendorSpecificSMARTAttribute(
    const TKSSMARTVendorAttribute* attribute) const {
  if (attribute == nullptr) return std::nullopt;
  return attributeDictionary(*attribute);
}

std::int32_t TKSSMARTStorageDevice::temperature() {
  TKSSMARTVendorAttribute attribute;
  if (!getVendorSpecificSMARTAttributeForIdentifier(&attribute, temperatureAttributeID_)) return -1;
  return temperatureFromSMARTAttribute(attribute, temperatureAttributeID_);
}

std::int32_t TKSSMARTStorageDevice::temperatureFromSMARTAttribute(const TKSSMARTVendorAttribute& attribute,
                                                                  std::uint8_t attributeID) {
  // Attribute 194 packs the lowest and highest temperature seen into its upper raw bytes; the
  // others (190 among them) are read as one 32-bit number, whatever they pack.
  if (attributeID == kPackedTemperatureAttribute) {
    return static_cast<std::int32_t>(loadLittleEndian(attribute.rawValue.data(), 2));
  }
  return static_cast<std::int32_t>(loadLittleEndian32(attribute.rawValue.data()));
}

std::string TKSSMARTStorageDevice::description() const {
  return stringWithFormat("<TKSSMARTStorageDevice: %@ (%@), temperature attribute %u>", productName_, serialNumber_,
                          temperatureAttributeID_);
}

}  // namespace sw
