// What the platform driver sensors share: the publishing driver's class, localised names, the
// identity of a sensor node, and identifiers that stay apart for nodes whose ids repeat.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <optional>
#include <string>
#include <string_view>

#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "sensors/TKSSensor.h"

namespace sw::platform {

/// Unique identifier → the node id it was given to; one per sensor family, kept for the process.
using DisambiguatedIdentifiers = std::map<std::string, std::int32_t, std::less<>>;

/// The class of the driver that publishes a node: the driver class of the node's parent.
std::optional<std::string> publishingDriverClassName(const TKSIORegistryEntry& node);

/// A sensor name from the host's string table, the English text serving as key and fallback.
std::string localizedSensorName(std::string_view english);

/// The identifier format filled with the driver class and base + k for the first k whose
/// identifier is free or already belongs to the same id; records it for that id. So a node keeps
/// its identifier when the sensor list is rebuilt, and a second node of the same location and id
/// family gets the next number.
std::string disambiguatedIdentifier(DisambiguatedIdentifiers& identifiers, std::string_view format,
                                    const std::optional<std::string>& driverClass, std::uint32_t base,
                                    std::int32_t id);

/// The linear converter of a raw value in the drivers' fixed-point forms.
TKSSensorValueConverter linearConverter(double factor);

/// 16.16 fixed point, the form most platform drivers report in.
constexpr double kFixedPoint16 = 1.0 / 65536.0;

/// Gives a sensor of a driver node its identifier (format filled with the publishing driver's
/// class and the node's sensor-id), its location and sensor type 1; answers the driver's class.
std::optional<std::string> identifyNodeSensor(TKSSensor& sensor, const TKSIORegistrySensorEntry& entry,
                                              std::string_view identifierFormat = "hwsensor.%@.%d");

/// One sensor per complete "IOHWSensor" node of the type, made by create (nothing is skipped).
template <typename Create>
SensorList sensorsForSensorNodesOfType(std::string_view typeName, Create create) {
  SensorList sensors;
  for (auto& entry : TKSIORegistrySensorEntry::sensorEntriesMatchingServiceNameTypeNameControl("IOHWSensor", typeName, false)
                         .value_or(RegistrySensorEntryList{})) {
    if (auto sensor = create(std::move(entry))) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

/// One sensor per service of the class, made by create (which checks what it needs).
template <typename Create>
SensorList sensorsForServices(std::string_view serviceClass, Create create) {
  SensorList sensors;
  for (auto& entry : TKSIORegistryEntry::serviceObjectsMatchingName(serviceClass).value_or(RegistryEntryList{})) {
    if (auto sensor = create(std::move(entry))) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

/// A sensor name by driver class from a table whose last row (no driver class) names the rest.
struct DriverNameRow {
  const char* driverClass;  // nullptr: any other driver
  const char* name;
  bool localized;
  double precision = 0;
  double accuracy = 0;
};
const DriverNameRow& rowForDriver(std::span<const DriverNameRow> rows, const std::optional<std::string>& driverClass);
/// Sets the row's name (localised when the row says so), precision and accuracy.
void applyDriverNameRow(TKSSensor& sensor, const DriverNameRow& row);

}  // namespace sw::platform
