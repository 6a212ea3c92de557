// Listing the built-in profiles.
#include "sim/BuiltInProfiles.h"

#include "foundation/EmbeddedFiles.h"
#include "foundation/PropertyListSerialization.h"

namespace sw::sim {
namespace {
constexpr std::string_view kDirectory = "profiles/";
constexpr std::string_view kExtension = ".plist";
}  // namespace

std::vector<BuiltInProfile> builtInProfiles() {
  std::vector<BuiltInProfile> profiles;
  for (const std::string& path : embedded::pathsUnder(kDirectory)) {
    if (!path.ends_with(kExtension)) continue;
    BuiltInProfile profile;
    profile.name = path.substr(kDirectory.size(), path.size() - kDirectory.size() - kExtension.size());
    std::optional<Value> contents = PropertyListSerialization::propertyListFromData(*embedded::file(path));
    const Value* name = contents ? contents->find("ProfileName") : nullptr;
    if (name != nullptr && name->asString() != nullptr) profile.profileName = *name->asString();
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

std::string builtInProfilePath(const std::string& name) {
  return std::string(kDirectory) + name + std::string(kExtension);
}

}  // namespace sw::sim
