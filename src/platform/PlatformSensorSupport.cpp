// Helpers of the platform driver sensors.
#include "platform/PlatformSensorSupport.h"

#include "foundation/Format.h"
#include "ioregistry/TKSIORegistrySensorEntry.h"
#include "os/Bundle.h"

namespace sw::platform {

std::optional<std::string> publishingDriverClassName(const TKSIORegistryEntry& node) {
  const std::shared_ptr<TKSIORegistryEntry> parent = node.parentServiceEntry();
  return parent ? parent->driverClassName() : std::nullopt;
}

std::string localizedSensorName(std::string_view english) {
  return os::Bundle::mainBundle().localizedStringForKey(english, "", "");
}

std::string disambiguatedIdentifier(DisambiguatedIdentifiers& identifiers, std::string_view format,
                                    const std::optional<std::string>& driverClass, std::uint32_t base,
                                    std::int32_t id) {
  // Every candidate but those of other nodes is free, so the search ends after at most one step
  // per node already recorded.
  for (std::uint32_t candidateNumber = base;; ++candidateNumber) {
    std::string candidate = stringWithFormat(format, driverClass, candidateNumber);
    auto owner = identifiers.find(candidate);
    if (owner == identifiers.end() || owner->second == id) {
      identifiers.insert_or_assign(candidate, id);
      return candidate;
    }
  }
}

TKSSensorValueConverter linearConverter(double factor) {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kLinear);
  converter.setLinearFactor(factor);
  return converter;
}

}  // namespace sw::platform

namespace sw::platform {

std::optional<std::string> identifyNodeSensor(TKSSensor& sensor, const TKSIORegistrySensorEntry& entry,
                                              std::string_view identifierFormat) {
  std::optional<std::string> driverClass = publishingDriverClassName(entry);
  sensor.setUniqueIdentifier(stringWithFormat(identifierFormat, driverClass, entry.sensorIdentificationNumber()));
  if (std::optional<std::string> location = entry.locationIdentification()) sensor.setLocationIdentifier(*location);
  sensor.setSensorType(1);
  return driverClass;
}

const DriverNameRow& rowForDriver(std::span<const DriverNameRow> rows, const std::optional<std::string>& driverClass) {
  for (const DriverNameRow& row : rows) {
    if (row.driverClass == nullptr || (driverClass && *driverClass == row.driverClass)) return row;
  }
  return rows.back();
}

void applyDriverNameRow(TKSSensor& sensor, const DriverNameRow& row) {
  sensor.setSensorName(row.localized ? localizedSensorName(row.name) : std::string(row.name));
  sensor.setPrecisionAccuracy(row.precision, row.accuracy);
}

}  // namespace sw::platform
