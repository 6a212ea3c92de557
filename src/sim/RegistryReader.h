// Builds a plane's tree of registry entries from its profile form (what `ioreg -a -l` prints).
#pragma once

#include <memory>
#include <string>

#include "foundation/Value.h"
#include "sim/RegistryEntry.h"

namespace sw::sim {

/// The tree rooted at `root`; throws ProfileError naming the entry path below `profilePath`
/// (e.g. "IORegistry/IOPlatformExpertDevice/AppleSMC").
std::unique_ptr<RegistryEntry> readRegistryTree(const Value& root, const std::string& plane,
                                                const std::string& profilePath);

}  // namespace sw::sim
