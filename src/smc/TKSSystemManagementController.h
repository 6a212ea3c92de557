// The client of the "AppleSMC" service: finds and opens the controller, reads keys through a
// short-lived per-key cache, enumerates the keys and decodes their values. Every SMC sensor uses
// the one shared instance.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"
#include "os/IOKitTypes.h"
#include "smc/TKSSMCCachedValue.h"
#include "smc/TKSSMCKeyData.h"

namespace sw {

class TKSSystemManagementController {
 public:
  /// More keys than any real controller has; a larger "#KEY" count is not believed.
  static constexpr std::uint32_t kMaximumKeyCount = 4096;

  static std::string className() { return "TKSSystemManagementController"; }

  /// One controller per "AppleSMC" service that has "smc-version" and opens, in registry order.
  static std::vector<std::shared_ptr<TKSSystemManagementController>> availableSystemManagementControllers();
  /// The first controller ever found, kept for the life of the process; nullptr while none is found.
  static std::shared_ptr<TKSSystemManagementController> sharedSystemManagementController();

  /// 1: values live 10 s, 2: 60 s, anything else 1 s.
  static void setAccessPolicy(std::int32_t policy);
  static std::int32_t accessPolicy();
  /// Whether the machine's platform plug-in asks for a low access rate. Advice only.
  static bool isLowAccessRatePolicyRecommended();

  /// Opens the service's user client; nullptr without "smc-version", when the open fails or
  /// when the controller reports an implausible CPU diode reading.
  static std::shared_ptr<TKSSystemManagementController> createWithIORegistryEntry(os::io_service_t entry);

  TKSSystemManagementController() = default;
  ~TKSSystemManagementController();
  TKSSystemManagementController(const TKSSystemManagementController&) = delete;
  TKSSystemManagementController& operator=(const TKSSystemManagementController&) = delete;

  std::optional<std::string> versionNumber() const;
  /// The keys the controller lists, in index order; keys whose index cannot be read are skipped.
  /// The list is walked again only once the key count has left the cache, so the sensor classes
  /// that each look through every key during one discovery share a single walk.
  std::vector<std::string> allPropertyKeys();
  std::optional<Value> objectValueForPropertyWithKey(std::string_view key);
  std::optional<std::string> typeCodeForPropertyWithKey(std::string_view key);
  std::optional<std::string> descriptionForPropertyWithKey(std::string_view key);
  /// -1 when unreadable or an unknown fixed-point type, 0 for other types, else 1/divisor.
  double precisionForPropertyWithKey(std::string_view key);

  /// One call of the user client's structure method; false (and a log line) on failure.
  bool callServiceFunctionWithInputAndOutput(const TKSSMCKeyData* input, TKSSMCKeyData* output);
  /// Reads a key, from the cache while it is young: a miss costs exactly two calls.
  bool getValueForKey(TKSSMCValue* value, std::uint32_t key);

 private:
  std::optional<TKSSMCValue> readKey(std::string_view key);
  bool passesSanityCheck();

  os::io_service_t registryEntry_ = 0;
  os::io_connect_t serviceConnection_ = 0;
  std::map<std::uint32_t, TKSSMCCachedValue> valueCache_;
  // The last walk of the key indexes and the count it was made for.
  std::vector<std::string> listedKeys_;
  std::optional<std::uint32_t> listedKeyCount_;
};

}  // namespace sw
