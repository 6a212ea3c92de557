// The machine profiles linked into the binary (profiles/<name>.plist).
#pragma once

#include <string>
#include <vector>

namespace sw::sim {

inline constexpr const char* kDefaultProfileName = "MacBookPro5,5";

struct BuiltInProfile {
  std::string name;         // the file stem, e.g. "MacBookPro5,5"
  std::string profileName;  // its ProfileName, e.g. "MacBook Pro 13-inch, Mid 2009"
};

/// Every built-in profile in name order.
std::vector<BuiltInProfile> builtInProfiles();

/// The embedded path of a built-in profile's file.
std::string builtInProfilePath(const std::string& name);

}  // namespace sw::sim
