// Smart-battery temperature sensors: identity from the battery's device name and serial number.
#include "battery/TKSSmartBatteryTemperatureSensor.h"

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "os/Bundle.h"

namespace sw {
namespace {

constexpr std::int32_t kMeasuringDeviceSensorType = 1;
constexpr double kPrecision = 0.5;
constexpr double kAccuracy = 3.0;

std::string hostText(std::string_view key) { return os::Bundle::mainBundle().localizedStringForKey(key, key, ""); }

bool isEmpty(const std::optional<std::string>& text) { return !text || text->empty(); }

}  // namespace

SensorList TKSSmartBatteryTemperatureSensor::allSensors() {
  SensorList sensors;
  for (auto& battery : TKSSmartBatteryInfo::allBatteries()) {
    if (auto sensor = createWithBatteryInfo(std::move(battery))) sensors.push_back(std::move(sensor));
  }
  return sensors;
}

std::shared_ptr<TKSSmartBatteryTemperatureSensor> TKSSmartBatteryTemperatureSensor::createWithBatteryInfo(
    std::shared_ptr<TKSSmartBatteryInfo> battery) {
  if (!battery) return nullptr;
  const std::optional<std::string> deviceName = battery->batteryDeviceName();
  const std::optional<std::string> serialNumber = battery->serialNumber();
  if (battery->temperature() == 0.0 || isEmpty(deviceName) || isEmpty(serialNumber)) return nullptr;
  auto sensor = std::make_shared<TKSSmartBatteryTemperatureSensor>();
  sensor->batteryInfo_ = std::move(battery);
  sensor->setUniqueIdentifier(stringWithFormat("smartbattery.%@.%@", deviceName, serialNumber));
  sensor->setLocationIdentifier(stringWithFormat(hostText("Smart Battery %@ (%@)"), deviceName, serialNumber));
  sensor->setSensorName(hostText("Smart Battery Temperature Sensor"));
  sensor->setSensorType(kMeasuringDeviceSensorType);
  sensor->setQuantityType(TKSQuantityTemperature);
  sensor->setPrecisionAccuracy(kPrecision, kAccuracy);
  return sensor;
}

std::int32_t TKSSmartBatteryTemperatureSensor::rawValue() {
  const double celsius = batteryInfo_->temperature();
  if (celsius == 0.0) return -1;
  return clampToInt32(celsius);
}

}  // namespace sw
