// The sensor base: registry of sensor classes, ordering, substitute identifier, texts, archive.
#include "sensors/TKSSensor.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>

#include "foundation/Format.h"
#include "foundation/ProcessState.h"
#include "foundation/SequentialCoder.h"
#include "sensors/TKSSensorDescription.h"

namespace sw {
namespace {

/// The disk temperature class: probing it spins disks up, so some callers leave it out.
constexpr const char* kSMARTSensorClassName = "TKSSMARTTemperatureSensor";

std::optional<std::vector<TKSSensorClass>>& classList() {
  static std::optional<std::vector<TKSSensorClass>> list;
  return list;
}

/// Set while the registry is being asked for sensors, so that a class whose discovery comes back
/// to the registry contributes nothing instead of recursing without end.
bool& discoveryInProgress() {
  static bool inProgress = false;
  return inProgress;
}

/// Marks a discovery in progress for as long as it lives, whichever way the discovery ends.
class DiscoveryInProgress {
 public:
  DiscoveryInProgress() { discoveryInProgress() = true; }
  ~DiscoveryInProgress() { discoveryInProgress() = false; }
  DiscoveryInProgress(const DiscoveryInProgress&) = delete;
  DiscoveryInProgress& operator=(const DiscoveryInProgress&) = delete;
};

SensorList sensorsOfRegisteredClasses(const char* skippedClassName) {
  if (!classList() || discoveryInProgress()) return {};
  const DiscoveryInProgress inProgress;
  SensorList sensors;
  // A copy, so the loop is safe even if a discovery registers another class.
  const std::vector<TKSSensorClass> classes = *classList();
  for (const TKSSensorClass& sensorClass : classes) {
    if (!sensorClass.allSensors) continue;
    if (skippedClassName != nullptr && sensorClass.name == skippedClassName) continue;
    SensorList found = sensorClass.allSensors();
    sensors.insert(sensors.end(), found.begin(), found.end());
  }
  return sensors;
}

/// The reflected CRC-32 table (polynomial 0xEDB88320).
constexpr std::array<std::uint32_t, 256> makeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t index = 0; index < 256; ++index) {
    std::uint32_t entry = index;
    for (int bit = 0; bit < 8; ++bit) entry = (entry & 1U) != 0 ? (entry >> 1) ^ 0xEDB88320U : entry >> 1;
    table[index] = entry;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

/// The archive keeps precision and accuracy as 32-bit floats; beyond their range they become infinite.
float narrowToFloat(double value) {
  if (std::fabs(value) > std::numeric_limits<float>::max()) {
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

}  // namespace

void TKSSensor::createClassList() {
  if (classList()) return;
  classList().emplace();
  registerProcessStateReset([] { classList().reset(); });
}

void TKSSensor::registerSensorClass(TKSSensorClass sensorClass) {
  createClassList();
  classList()->push_back(std::move(sensorClass));
}

const std::vector<TKSSensorClass>& TKSSensor::knownSensorClasses() {
  createClassList();
  return *classList();
}

void TKSSensor::resetClassList() { classList().reset(); }

SensorList TKSSensor::allSensors() { return sensorsOfRegisteredClasses(nullptr); }

SensorList TKSSensor::allNonSMARTSensors() { return sensorsOfRegisteredClasses(kSMARTSensorClassName); }

void TKSSensor::removeUnknownSensorEntriesFromDictionaryUsingReferenceDictionary(Dictionary* entries,
                                                                                const Dictionary* reference) {
  if (entries == nullptr || reference == nullptr) return;
  std::erase_if(*entries, [reference](const auto& entry) { return !reference->contains(entry.first); });
}

double TKSSensor::value() {
  const TKSSensorValueConverter converter = valueConverter();
  return converter.valueForRawSensorValue(rawValue());
}

std::uint32_t TKSSensor::substituteIDForLocationIdentifier() const {
  // The complement of the standard CRC-32: the final inversion is left out on purpose, since stored
  // identifiers were made this way.
  std::uint32_t crc = 0xFFFFFFFFU;
  for (unsigned char byte : locationIdentifier_) crc = (crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFFU];
  return crc;
}

std::string TKSSensor::description() {
  // The converted value is read first, as callers that compare both readings expect.
  const double converted = value();
  const std::int32_t raw = rawValue();
  return stringWithFormat(
      "<%@>: ID: %@ Name: %@ Location: %@ type: %d quantity: %d precision: %g accuracy: %g (%x: %d --> %5.2f)\n",
      className(), uniqueIdentifier_, sensorName_, locationIdentifier_, sensorType_, quantityType_, precision_,
      accuracy_, substituteIDForLocationIdentifier(), raw, converted);
}

std::shared_ptr<TKSSensorDescription> TKSSensor::configurationDescription() {
  return TKSSensorDescription::descriptionForSensor(this);
}

int TKSSensor::compare(const TKSSensor& other) const {
  const auto ownQuantity = static_cast<std::uint32_t>(quantityType_);
  const auto otherQuantity = static_cast<std::uint32_t>(other.quantityType());
  if (ownQuantity != otherQuantity) return ownQuantity < otherQuantity ? -1 : 1;
  // Literal byte order: upper-case letters before lower-case ones, nothing localised.
  const int order = locationIdentifier_.compare(other.locationIdentifier());
  return (order > 0) - (order < 0);
}

std::shared_ptr<TKSSensor> TKSSensor::copy() const {
  auto copied = std::make_shared<TKSSensor>();
  copied->setUniqueIdentifier(uniqueIdentifier_);
  copied->setLocationIdentifier(locationIdentifier_);
  copied->setSensorName(sensorName_);
  copied->setSensorType(sensorType_);
  copied->setQuantityType(quantityType_);
  copied->setPrecisionAccuracy(precision_, accuracy_);
  return copied;
}

void TKSSensor::encodeWithCoder(SequentialEncoder& coder) const {
  coder.encodeString(uniqueIdentifier_);
  coder.encodeString(locationIdentifier_);
  coder.encodeString(sensorName_);
  coder.encodeInt32(sensorType_);
  coder.encodeInt32(quantityType_);
  coder.encodeFloat(narrowToFloat(precision_));
  coder.encodeFloat(narrowToFloat(accuracy_));
}

std::shared_ptr<TKSSensor> TKSSensor::createWithCoder(SequentialDecoder& coder) {
  // The decoder fails for good at the first bad item; the sensor is then dropped as a whole.
  auto sensor = std::make_shared<TKSSensor>();
  sensor->setUniqueIdentifier(coder.decodeString().value_or(""));
  sensor->setLocationIdentifier(coder.decodeString().value_or(""));
  sensor->setSensorName(coder.decodeString().value_or(""));
  sensor->setSensorType(coder.decodeInt32().value_or(0));
  sensor->setQuantityType(coder.decodeInt32().value_or(0));
  const float precision = coder.decodeFloat().value_or(0.0F);
  const float accuracy = coder.decodeFloat().value_or(0.0F);
  sensor->setPrecisionAccuracy(precision, accuracy);
  if (coder.failed()) return nullptr;
  return sensor;
}

}  // namespace sw
