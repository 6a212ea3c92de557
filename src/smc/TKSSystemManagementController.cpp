// The SMC client: service lookup, opening, the kernel call, reading and enumerating keys.
#include "smc/TKSSystemManagementController.h"

#include <algorithm>
#include <cstring>

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "foundation/ProcessWide.h"
#include "foundation/TextEncoding.h"
#include "os/IOKit.h"
#include "os/SystemLog.h"
#include "smc/SMCValueDecoding.h"

namespace sw {
namespace {

struct ClassState {
  std::shared_ptr<TKSSystemManagementController> shared;
  std::int32_t accessPolicy = 0;
};

ClassState& classState() {
  static ProcessWide<ClassState> state;
  return state.get();
}

/// The services of a class as new references, in registry order.
std::vector<os::io_service_t> servicesMatching(std::string_view className) {
  std::vector<os::io_service_t> services;
  os::io_iterator_t iterator = 0;
  if (os::IOServiceGetMatchingServices(os::kIOMasterPortDefault, os::IOServiceMatching(className), &iterator) !=
      os::KERN_SUCCESS) {
    return services;
  }
  while (os::io_service_t service = os::IOIteratorNext(iterator)) services.push_back(service);
  os::IOObjectRelease(iterator);
  return services;
}

void releaseAll(const std::vector<os::io_service_t>& services) {
  for (os::io_service_t service : services) os::IOObjectRelease(service);
}

}  // namespace

std::vector<std::shared_ptr<TKSSystemManagementController>> TKSSystemManagementController::availableSystemManagementControllers() {
  std::vector<std::shared_ptr<TKSSystemManagementController>> controllers;
  std::vector<os::io_service_t> services = servicesMatching("AppleSMC");
  for (os::io_service_t service : services) {
    if (auto controller = createWithIORegistryEntry(service)) controllers.push_back(std::move(controller));
  }
  releaseAll(services);
  return controllers;
}

std::shared_ptr<TKSSystemManagementController> TKSSystemManagementController::sharedSystemManagementController() {
  ClassState& state = classState();
  if (!state.shared) {
    auto controllers = availableSystemManagementControllers();
    if (!controllers.empty()) state.shared = controllers.front();
  }
  return state.shared;
}

void TKSSystemManagementController::setAccessPolicy(std::int32_t policy) {
  classState().accessPolicy = policy;
  double expireTime = policy == 1 ? 10.0 : policy == 2 ? 60.0 : 1.0;
  TKSSMCCachedValue::setCacheExpireTime(expireTime);
}

std::int32_t TKSSystemManagementController::accessPolicy() { return classState().accessPolicy; }

bool TKSSystemManagementController::isLowAccessRatePolicyRecommended() {
  std::vector<os::io_service_t> plugins = servicesMatching("ACPI_SMC_PlatformPlugin");
  bool hasChild = false;
  os::io_registry_entry_t child = 0;
  if (!plugins.empty() &&
      os::IORegistryEntryGetChildEntry(plugins.front(), os::kIOServicePlane, &child) == os::KERN_SUCCESS) {
    hasChild = child != 0;
    os::IOObjectRelease(child);
  }
  releaseAll(plugins);
  return hasChild;
}

std::shared_ptr<TKSSystemManagementController> TKSSystemManagementController::createWithIORegistryEntry(
    os::io_service_t entry) {
  if (entry == 0 || !os::IORegistryEntryCreateCFProperty(entry, "smc-version")) return nullptr;
  auto controller = std::make_shared<TKSSystemManagementController>();
  if (os::IOObjectRetain(entry) != os::KERN_SUCCESS) return nullptr;
  controller->registryEntry_ = entry;
  os::kern_return_t result = os::IOServiceOpen(entry, os::kMachTaskSelf, 0, &controller->serviceConnection_);
  if (result != os::KERN_SUCCESS) {
    controller->serviceConnection_ = 0;
    os::systemLog(stringWithFormat("%@: could not open service connection (error %d)\n", className(), result));
    return nullptr;
  }
  if (!controller->passesSanityCheck()) return nullptr;
  return controller;
}

bool TKSSystemManagementController::passesSanityCheck() {
  // A controller whose CPU diode reads above 256 °C is broken or an imitation; talking to it
  // further would only produce nonsense readings.
  std::optional<double> diode = smc::numberValue(objectValueForPropertyWithKey("TC0D"));
  if (diode && clampToInt64(*diode) > 256) {
    os::systemLog(
        "Strange entry for SMC CPU diode sensor 0 detected: Assuming defective or fake System Management "
        "Controller. Rejecting communication!\n");
    return false;
  }
  return true;
}

TKSSystemManagementController::~TKSSystemManagementController() {
  if (serviceConnection_ != 0) os::IOServiceClose(serviceConnection_);
  if (registryEntry_ != 0) os::IOObjectRelease(registryEntry_);
}

std::optional<std::string> TKSSystemManagementController::versionNumber() const {
  if (registryEntry_ == 0) return std::nullopt;
  std::optional<Value> version = os::IORegistryEntryCreateCFProperty(registryEntry_, "smc-version");
  if (!version) return std::nullopt;
  if (const std::string* text = version->asString()) return *text;
  if (const Data* bytes = version->asData()) {
    // Data texts of the registry are Mac OS Roman, like every other one the plug-in reads.
    return macRomanToUTF8(std::string(bytes->begin(), std::find(bytes->begin(), bytes->end(), 0)));
  }
  return std::nullopt;
}

bool TKSSystemManagementController::callServiceFunctionWithInputAndOutput(const TKSSMCKeyData* input,
                                                                          TKSSMCKeyData* output) {
  if (serviceConnection_ == 0 || input == nullptr || output == nullptr) return false;
  std::size_t outputSize = sizeof(TKSSMCKeyData);
  os::kern_return_t result = os::IOConnectCallStructMethod(serviceConnection_, kSMCUserClientMethod, input,
                                                           sizeof(TKSSMCKeyData), output, &outputSize);
  if (result != os::KERN_SUCCESS) {
    os::systemLog(stringWithFormat("%@: function call failed with error %d\n", className(), result));
    return false;
  }
  return true;
}

bool TKSSystemManagementController::getValueForKey(TKSSMCValue* value, std::uint32_t key) {
  if (value == nullptr || key == 0) return false;
  auto cached = valueCache_.find(key);
  if (cached != valueCache_.end() && cached->second.isValid()) {
    *value = cached->second.cachedValue();
    return true;
  }
  *value = TKSSMCValue{};
  value->key = key;
  TKSSMCKeyData input{};
  TKSSMCKeyData output{};
  input.key = key;
  input.command = kSMCCommandReadKeyInfo;
  if (!callServiceFunctionWithInputAndOutput(&input, &output)) return false;
  // The size comes from the other side of the kernel boundary: never more than the record holds.
  value->dataSize = std::min<std::uint32_t>(output.keyInfo.dataSize, sizeof(output.bytes));
  value->dataType = output.keyInfo.dataType;

  input.keyInfo.dataSize = value->dataSize;
  input.command = kSMCCommandReadBytes;
  output = TKSSMCKeyData{};
  if (!callServiceFunctionWithInputAndOutput(&input, &output)) return false;
  std::memcpy(value->bytes.data(), output.bytes, sizeof(output.bytes));

  valueCache_[key].setCachedValue(*value);
  return true;
}

std::optional<TKSSMCValue> TKSSystemManagementController::readKey(std::string_view key) {
  std::uint32_t code = smc::fourCharCodeForKeyString(key);
  TKSSMCValue value;
  if (code == 0 || !getValueForKey(&value, code)) return std::nullopt;
  return value;
}

std::vector<std::string> TKSSystemManagementController::allPropertyKeys() {
  // Every index costs a kernel call, and discovery asks for the list once per sensor class. The
  // list is as fresh as the count it was read under: while that count still comes from the
  // cache, the walk it led to still stands.
  auto cachedCount = valueCache_.find(smc::fourCharCodeForKeyString("#KEY"));
  const bool countIsCached = cachedCount != valueCache_.end() && cachedCount->second.isValid();
  std::optional<double> reportedCount = smc::numberValue(objectValueForPropertyWithKey("#KEY"));
  std::uint32_t count = reportedCount ? unsignedValueOf(*reportedCount) : 0;
  if (countIsCached && listedKeyCount_ == count) return listedKeys_;
  if (count > kMaximumKeyCount) {
    os::systemLog(stringWithFormat("%@: the controller reports %u keys; listing only the first %u\n", className(), count,
                                   kMaximumKeyCount));
  }
  std::vector<std::string> keys;
  for (std::uint32_t index = 0; index < std::min(count, kMaximumKeyCount); ++index) {
    TKSSMCKeyData input{};
    TKSSMCKeyData output{};
    input.command = kSMCCommandReadIndex;
    input.parameter = index;
    if (callServiceFunctionWithInputAndOutput(&input, &output)) keys.push_back(smc::stringForFourCharCode(output.key));
  }
  listedKeys_ = keys;
  listedKeyCount_ = count;
  return keys;
}

std::optional<Value> TKSSystemManagementController::objectValueForPropertyWithKey(std::string_view key) {
  std::optional<TKSSMCValue> value = readKey(key);
  return value ? smc::objectValueForSMCValue(*value) : std::nullopt;
}

std::optional<std::string> TKSSystemManagementController::typeCodeForPropertyWithKey(std::string_view key) {
  std::optional<TKSSMCValue> value = readKey(key);
  if (!value) return std::nullopt;
  return smc::stringForFourCharCode(value->dataType);
}

std::optional<std::string> TKSSystemManagementController::descriptionForPropertyWithKey(std::string_view key) {
  std::optional<TKSSMCValue> value = readKey(key);
  return value ? smc::descriptionForSMCValue(*value) : std::nullopt;
}

double TKSSystemManagementController::precisionForPropertyWithKey(std::string_view key) {
  std::optional<TKSSMCValue> value = readKey(key);
  if (!value) return -1.0;
  if (!smc::isFixedPointType(value->dataType)) return 0.0;
  return 1.0 / double(smc::divisorForFloatingPointCode(value->dataType));
}

}  // namespace sw
