// Battery sensors: discovery over the battery model, identities and fixed-point readings.
#include "battery/TKSBatterySensor.h"

#include <iterator>

#include "battery/TKSSmartBatteryInfo.h"
#include "foundation/Format.h"
#include "foundation/Numbers.h"

namespace sw {
namespace {

constexpr double kFixedPointScale = 65536.0;
constexpr const char* kSensorName = "Apple Battery";
constexpr std::int32_t kBatterySensorType = 3;

struct KindDescription {
  const char* identifierPart;
  const char* locationPart;
  TKSQuantityType quantity;
  const char* unit;
};

// Indexed by kind.
constexpr KindDescription kKinds[] = {
    {"", "", TKSQuantityUnknown, " "},
    {"voltage", "Voltage", TKSQuantityVoltage, "V"},
    {"amperage", "Current", TKSQuantityCurrent, "A"},
    {"totalCapacity", "Total Capacity", TKSQuantityCharge, "mAh"},
    {"capacity", "Current Capacity", TKSQuantityCharge, "mAh"},
};

/// The description of a known kind; nothing for the others.
const KindDescription* describe(std::int32_t kind) {
  if (kind < 0 || kind >= static_cast<std::int32_t>(std::size(kKinds))) return nullptr;
  return &kKinds[kind];
}

}  // namespace

SensorList TKSBatterySensor::allSensors() {
  SensorList sensors;
  auto add = [&sensors](std::shared_ptr<TKSBatterySensor> sensor) {
    if (sensor) sensors.push_back(std::move(sensor));
  };
  const BatteryList batteries = TKSBatteryInfo::allBatteries();
  for (std::uint32_t index = 0; index < batteries.size(); ++index) {
    const auto& battery = batteries[index];
    for (std::int32_t kind : {kVoltage, kAmperage, kTotalCapacity, kCurrentCapacity}) {
      add(createWithBatteryInfoSensorTypeIndex(battery, kind, index));
    }
    const auto* smartBattery = dynamic_cast<const TKSSmartBatteryInfo*>(battery.get());
    if (smartBattery == nullptr) continue;
    const std::uint32_t cells = smartBattery->numberOfCells();
    for (std::uint32_t cell = 0; cell < cells; ++cell) add(createWithBatteryInfoIndexForCellVoltageAtIndex(battery, index, cell));
  }
  return sensors;
}

std::shared_ptr<TKSBatterySensor> TKSBatterySensor::makeSensor(std::shared_ptr<TKSBatteryInfo> battery, std::int32_t kind,
                                                               std::uint32_t batteryIndex, TKSQuantityType quantity) {
  if (!battery) return nullptr;
  auto sensor = std::make_shared<TKSBatterySensor>();
  sensor->batteryInfo_ = std::move(battery);
  sensor->batterySensorType_ = kind;
  sensor->batteryIndex_ = batteryIndex;
  sensor->setSensorName(kSensorName);
  sensor->setSensorType(kBatterySensorType);
  sensor->setQuantityType(quantity);
  return sensor;
}

std::shared_ptr<TKSBatterySensor> TKSBatterySensor::createWithBatteryInfoSensorTypeIndex(
    std::shared_ptr<TKSBatteryInfo> battery, std::int32_t kind, std::uint32_t batteryIndex) {
  const KindDescription* description = describe(kind);
  auto sensor = makeSensor(std::move(battery), kind, batteryIndex, description ? description->quantity : TKSQuantityUnknown);
  if (!sensor) return nullptr;
  const char* locationPart = description ? description->locationPart : nullptr;
  sensor->setUniqueIdentifier(stringWithFormat("battery.%u.%@", batteryIndex, sensor->sensorTypeIdentifier()));
  // Counted from 1 for people; the index in the identifier stays as stored settings know it.
  sensor->setLocationIdentifier(stringWithFormat("Battery %u %@", batteryIndex + 1, locationPart));
  return sensor;
}

std::shared_ptr<TKSBatterySensor> TKSBatterySensor::createWithBatteryInfoIndexForCellVoltageAtIndex(
    std::shared_ptr<TKSBatteryInfo> battery, std::uint32_t batteryIndex, std::uint32_t cellIndex) {
  auto sensor = makeSensor(std::move(battery), kVoltage, batteryIndex, TKSQuantityVoltage);
  if (!sensor) return nullptr;
  sensor->batteryCellIndex_ = cellIndex;
  sensor->setUniqueIdentifier(stringWithFormat("battery.%u-cell%u.%@", batteryIndex, cellIndex, "voltage"));
  sensor->setLocationIdentifier(stringWithFormat("Battery %u Cell %u", batteryIndex + 1, cellIndex + 1));
  return sensor;
}

std::optional<std::string> TKSBatterySensor::sensorTypeIdentifier() const {
  const KindDescription* description = describe(batterySensorType_);
  if (description == nullptr) return std::nullopt;
  return description->identifierPart;
}

std::optional<double> TKSBatterySensor::batteryValue() const {
  switch (batterySensorType_) {
    case kVoltage: {
      if (batteryCellIndex_ == kWholeBattery) return batteryInfo_->voltage();
      const auto* smartBattery = dynamic_cast<const TKSSmartBatteryInfo*>(batteryInfo_.get());
      return smartBattery ? smartBattery->cellVoltageAtIndex(batteryCellIndex_) : 0.0;
    }
    case kAmperage: return batteryInfo_->amperage();
    case kTotalCapacity: return batteryInfo_->totalCapacity();
    case kCurrentCapacity: return batteryInfo_->currentCapacity();
    default: return std::nullopt;
  }
}

std::int32_t TKSBatterySensor::rawValue() {
  std::optional<double> value = batteryValue();
  if (!value) return -1;
  // A capacity beyond 32767 mAh (or a garbage reading) leaves the 16.16 range: it saturates
  // rather than wrapping into some other number.
  return clampToInt32(*value * kFixedPointScale);
}

std::string TKSBatterySensor::unit() const {
  const KindDescription* description = describe(batterySensorType_);
  return description ? description->unit : " ";
}

TKSSensorValueConverter TKSBatterySensor::valueConverter() const {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(TKSSensorValueConverter::kLinear);
  converter.setLinearFactor(1.0 / kFixedPointScale);
  return converter;
}

}  // namespace sw
