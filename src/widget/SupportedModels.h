// The machines the widget runs on, by model identifier.
#pragma once

#include <span>
#include <string_view>

namespace sw {

/// Every supported model identifier, in the order of the list.
std::span<const std::string_view> supportedModels();

/// Whether the identifier is one of the list: the whole text, case-sensitive; never a prefix.
bool isSupportedModel(std::string_view modelIdentifier);

}  // namespace sw
