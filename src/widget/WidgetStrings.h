// The plug-in's own texts: its default string table, its "SensorLocations" table and the
// ellipsis that shortens names.
#pragma once

#include <string>
#include <string_view>

namespace sw::widget {

/// The default-table text of the key; defaultText (the key itself when empty) without one.
std::string localizedString(std::string_view key, std::string_view defaultText = {});

/// The display name of a location identifier: first the "SensorLocations" table turns it into a
/// display-name key, then the default table translates that key.
std::string localizedLocationName(std::string_view locationIdentifier);

/// The localised ellipsis, looked up once per process.
const std::string& localizedEllipsis();

}  // namespace sw::widget
