// The base of every sensor: identity, classification, ordering, archiving, and the process-wide
// registry of sensor classes through which every sensor of the machine is discovered.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "sensors/TKSSensorValueConverter.h"

namespace sw {

class SequentialEncoder;
class SequentialDecoder;
class TKSSensorDescription;

enum TKSQuantityType : std::int32_t {
  TKSQuantityUnknown = 0,
  TKSQuantityTemperature = 1,
  TKSQuantityVoltage = 2,
  TKSQuantityCurrent = 3,
  TKSQuantityPower = 4,
  TKSQuantityCharge = 5,
  TKSQuantityFanSpeed = 6,
  TKSQuantityFanDutyCycle = 7,
  TKSQuantityLight = 8,
  TKSQuantityLoad = 9,
  TKSQuantityStatus = 11,
  TKSQuantityFrequency = 13,
};

class TKSSensor;
using SensorList = std::vector<std::shared_ptr<TKSSensor>>;

/// A registered sensor class: its name and its discovery operation.
struct TKSSensorClass {
  std::string name;
  std::function<SensorList()> allSensors;
};

class TKSSensor {
 public:
  TKSSensor() = default;
  virtual ~TKSSensor() = default;

  /// The class name, as the platform's class objects report it.
  virtual std::string className() const { return "TKSSensor"; }

  // ---- Class registry ----
  static void createClassList();
  static void registerSensorClass(TKSSensorClass sensorClass);
  static const std::vector<TKSSensorClass>& knownSensorClasses();
  /// Empties the registry; for tests that register their own classes.
  static void resetClassList();
  static SensorList allSensors();
  static SensorList allNonSMARTSensors();
  /// Removes every key of entries that reference lacks; nothing happens when either is absent.
  static void removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(Dictionary* entries,
                                                                              const Dictionary* reference);

  // ---- Identity and classification ----
  std::string uniqueIdentifier() const { return uniqueIdentifier_; }
  std::string locationIdentifier() const { return locationIdentifier_; }
  std::string sensorName() const { return sensorName_; }
  std::int32_t sensorType() const { return sensorType_; }
  std::int32_t quantityType() const { return quantityType_; }
  double precision() const { return precision_; }
  double accuracy() const { return accuracy_; }

  void setUniqueIdentifier(std::string identifier) { uniqueIdentifier_ = std::move(identifier); }
  void setLocationIdentifier(std::string location) { locationIdentifier_ = std::move(location); }
  void setSensorName(std::string name) { sensorName_ = std::move(name); }
  void setSensorType(std::int32_t type) { sensorType_ = type; }
  void setQuantityType(std::int32_t type) { quantityType_ = type; }
  void setPrecisionAccuracy(double precision, double accuracy) {
    precision_ = precision;
    accuracy_ = accuracy;
  }

  // ---- Readings: what every concrete class overrides ----
  /// The reading in the class's raw unit, read anew; -1 when no reading can be had.
  virtual std::int32_t rawValue() { return 0; }
  /// The unit of the converted value.
  virtual std::string unit() const { return " "; }
  /// A new converter configured for the class's raw format.
  virtual TKSSensorValueConverter valueConverter() const { return {}; }
  /// The converted reading (no special case for -1).
  double value();

  std::uint32_t substituteIDForLocationIdentifier() const;
  virtual std::string description();
  std::shared_ptr<TKSSensorDescription> configurationDescription();

  /// Sensors are the same sensor when their unique identifiers are equal.
  bool operator==(const TKSSensor& other) const { return uniqueIdentifier_ == other.uniqueIdentifier_; }
  /// Quantity type (unsigned) first, then the literal order of the location identifiers.
  int compare(const TKSSensor& other) const;
  /// A plain TKSSensor with the seven base fields, whatever this sensor's class.
  std::shared_ptr<TKSSensor> copy() const;

  void encodeWithCoder(SequentialEncoder& coder) const;
  /// Nothing when the archive is truncated or holds items of other types.
  static std::shared_ptr<TKSSensor> createWithCoder(SequentialDecoder& coder);

 private:
  std::string uniqueIdentifier_ = "nil";
  std::string locationIdentifier_ = "UNKNOWN LOCATION";
  std::string sensorName_ = "Unknown";
  std::int32_t sensorType_ = 0;
  std::int32_t quantityType_ = 0;
  double precision_ = 0.0;
  double accuracy_ = 0.0;
};

}  // namespace sw

template <>
struct std::hash<sw::TKSSensor> {
  std::size_t operator()(const sw::TKSSensor& sensor) const noexcept {
    return std::hash<std::string>{}(sensor.uniqueIdentifier());
  }
};
