// Small simulated controllers for the SMC tests: key dictionaries in one line each, and the
// call counts of the connection the shared client opened.
#pragma once

#include <string>

#include "foundation/Value.h"
#include "sim/SMCUserClient.h"
#include "support/ProfileBuilder.h"

namespace sw::test {

enum class SMCKeyFlag { None, Fail, Hidden };

inline Value smcKey(const std::string& key, const std::string& type, Data bytes, SMCKeyFlag flag = SMCKeyFlag::None) {
  Dictionary entry{{"Key", Value(key)}, {"Type", Value(type)}, {"Bytes", Value(std::move(bytes))}};
  if (flag == SMCKeyFlag::Fail) entry.emplace("Fail", Value::boolean(true));
  if (flag == SMCKeyFlag::Hidden) entry.emplace("Hidden", Value::boolean(true));
  return Value(std::move(entry));
}

/// A machine of the model whose controller has these keys (a "#KEY" is added when missing).
inline ProfileBuilder smcMachine(Array keys, const std::string& model = "MacBookPro5,5") {
  ProfileBuilder builder;
  builder.model(model).entry("AppleSMC", {{"smc-version", Value("1.47f2")}, {"@SMCKeys", Value(std::move(keys))}});
  return builder;
}

/// What the client logs when it asks for a key the controller does not have, and when the
/// controller fails a read.
inline constexpr const char* kMissingKeyLog = "TKSSystemManagementController: function call failed with error -536870160";
inline constexpr const char* kFailedReadLog = "TKSSystemManagementController: function call failed with error -536870212";

/// Every call the newest SMC connection received.
inline std::uint64_t smcCalls() { return sim::SMCUserClient::lastConnectionCounts().total(); }

}  // namespace sw::test
