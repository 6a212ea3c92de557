// The static part of the live machine written as a machine profile: identity, registry tree and
// batteries. Readings that change (the controller's keys) stay with the live machine itself;
// the profile only says where their services hang.
#pragma once

#include <optional>
#include <string>

#include "foundation/Value.h"
#include "live/LiveFiles.h"

namespace sw::live {

/// The profile of the machine under the files' root. `smcVersion` set adds the AppleSMC service
/// with that version text ("" when the controller does not tell it).
Value liveProfile(LiveFiles& files, const std::optional<std::string>& smcVersion);

}  // namespace sw::live
