// The static part of the live machine written as a machine profile: identity, registry tree and
// batteries. Readings that change (the controller's keys) stay with the live machine itself;
// the profile only says where their services hang.
#pragma once

#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "live/LiveDisk.h"
#include "live/LiveFiles.h"

namespace sw::live {

/// The profile of the machine under the files' root. `smcVersion` set adds the AppleSMC service
/// with that version text ("" when the controller does not tell it); each disk hangs below an
/// AHCI port of its own.
Value liveProfile(LiveFiles& files, const std::optional<std::string>& smcVersion,
                  const std::vector<std::shared_ptr<LiveDisk>>& disks = {});

}  // namespace sw::live
