// The smart-battery form: discovery, identity, temperature, manufacturing date and cells.
#include "battery/TKSSmartBatteryInfo.h"

#include <unicode/gregocal.h>

#include "foundation/Format.h"
#include "foundation/Numbers.h"

namespace sw {
namespace {

constexpr std::string_view kServiceClass = "AppleSmartBattery";
constexpr std::string_view kLegacyInfo = "LegacyBatteryInfo";
constexpr std::string_view kFirmwareSerial = "FirmwareSerialNumber";
constexpr std::string_view kSerial = "Serial";

// A service without all of these (and one of the two serial numbers) is no battery to show.
constexpr std::string_view kRequiredKeys[] = {"LegacyBatteryInfo", "Voltage", "Amperage", "CurrentCapacity",
                                              "Manufacturer", "DeviceName", "ManufactureDate", "MaxCapacity",
                                              "DesignCapacity", "CycleCount"};

constexpr double kMilli = 1000.0;
constexpr std::int32_t kNoTemperature = -1;
// The driver's kelvin offset, 273.16 rather than 273.15: readings must match what the machine shows.
constexpr double kKelvinOffset = 273.16;
constexpr double kSecondsFrom1970To2001 = 978307200.0;

bool isComplete(const TKSIORegistryEntry& service) {
  for (std::string_view key : kRequiredKeys) {
    if (!service.hasValueWithName(key)) return false;
  }
  return service.hasValueWithName(kSerial) || service.hasValueWithName(kFirmwareSerial);
}

/// A number's low 32 bits as the registry reads them; nothing for other kinds.
std::optional<std::int32_t> lowWord(const Value* value) {
  if (value == nullptr || !value->isNumber()) return std::nullopt;
  if (value->kind() == Value::Kind::Real) return clampToInt32(*value->asReal());
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(*value->asInteger()));
}

/// The Smart Battery Data packing: day in bits 0–4, month in bits 5–8, years since 1980 above.
std::optional<Date> startOfPackedDay(std::uint32_t packed) {
  const auto day = static_cast<std::int32_t>(packed & 0x1F);
  const auto month = static_cast<std::int32_t>((packed >> 5) & 0x0F);
  const auto year = static_cast<std::int32_t>(((packed >> 9) & 0x7F) + 1980);
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(status);  // the user's time zone
  if (U_FAILURE(status)) return std::nullopt;
  calendar.clear();
  calendar.set(year, month - 1, day);  // the calendar counts months from 0
  const UDate midnight = calendar.getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return Date{midnight / 1000.0 - kSecondsFrom1970To2001};
}

}  // namespace

SmartBatteryList TKSSmartBatteryInfo::allBatteries() {
  SmartBatteryList batteries;
  for (auto& service : TKSIORegistryEntry::serviceObjectsMatchingName(kServiceClass).value_or(RegistryEntryList{})) {
    if (!isComplete(*service)) continue;
    if (auto battery = createWithIORegistryEntry(std::move(service))) batteries.push_back(std::move(battery));
  }
  return batteries;
}

std::shared_ptr<TKSSmartBatteryInfo> TKSSmartBatteryInfo::createWithIORegistryEntry(
    std::shared_ptr<TKSIORegistryEntry> entry) {
  if (!entry) return nullptr;
  return std::shared_ptr<TKSSmartBatteryInfo>(new TKSSmartBatteryInfo(std::move(entry)));
}

double TKSSmartBatteryInfo::totalCapacity() const { return intValue("MaxCapacity"); }

double TKSSmartBatteryInfo::currentCapacity() const { return intValue("CurrentCapacity"); }

double TKSSmartBatteryInfo::maximumCapacity() const { return intValue("DesignCapacity"); }

std::uint32_t TKSSmartBatteryInfo::chargeCycles() const { return static_cast<std::uint32_t>(intValue("CycleCount")); }

std::uint32_t TKSSmartBatteryInfo::batteryFlags() const {
  const std::optional<Dictionary> properties = batteryEntry()->properties();
  const Value* legacyInfo = properties ? valueForKey(*properties, kLegacyInfo) : nullptr;
  const Value* flags = legacyInfo ? legacyInfo->find("Flags") : nullptr;
  return static_cast<std::uint32_t>(lowWord(flags).value_or(0));
}

std::optional<std::string> TKSSmartBatteryInfo::manufacturer() const {
  return batteryEntry()->stringValueWithName("Manufacturer");
}

std::optional<std::string> TKSSmartBatteryInfo::batteryDeviceName() const {
  return batteryEntry()->stringValueWithName("DeviceName");
}

std::optional<std::string> TKSSmartBatteryInfo::serialNumber() const {
  // Only a number is the firmware's serial; anything else there would print as a made-up one.
  const std::optional<Dictionary> properties = batteryEntry()->properties();
  if (std::optional<std::int32_t> firmwareSerial = lowWord(properties ? valueForKey(*properties, kFirmwareSerial) : nullptr)) {
    return stringWithFormat("%u", static_cast<std::uint32_t>(*firmwareSerial));
  }
  return batteryEntry()->stringValueWithName(kSerial);
}

std::optional<Date> TKSSmartBatteryInfo::manufacturingDate() const {
  if (!batteryEntry()->hasValueWithName("ManufactureDate")) return std::nullopt;
  return startOfPackedDay(static_cast<std::uint32_t>(intValue("ManufactureDate")));
}

double TKSSmartBatteryInfo::temperature() const {
  const std::int32_t tenthsOfKelvin = intValue("Temperature");
  if (tenthsOfKelvin == kNoTemperature) return 0.0;
  return tenthsOfKelvin / 10.0 - kKelvinOffset;
}

std::vector<std::int32_t> TKSSmartBatteryInfo::cellReadings() const {
  std::vector<std::int32_t> readings;
  for (const Value& element : batteryEntry()->arrayValueWithName("CellVoltage").value_or(Array{})) {
    const std::int32_t millivolts = lowWord(&element).value_or(0);
    if (millivolts == 0) break;
    readings.push_back(millivolts);
  }
  return readings;
}

std::uint32_t TKSSmartBatteryInfo::numberOfCells() const { return static_cast<std::uint32_t>(cellReadings().size()); }

double TKSSmartBatteryInfo::cellVoltageAtIndex(std::uint32_t index) const {
  const std::vector<std::int32_t> readings = cellReadings();
  return index < readings.size() ? readings[index] / kMilli : 0.0;
}

Dictionary TKSSmartBatteryInfo::currentReadouts() const {
  Dictionary readouts = TKSBatteryInfo::currentReadouts();
  if (auto text = manufacturer()) readouts.emplace("Manufacturer", Value(*text));
  if (auto text = batteryDeviceName()) readouts.emplace("BatteryDevice", Value(*text));
  if (auto text = serialNumber()) readouts.emplace("SerialNumber", Value(*text));
  if (auto date = manufacturingDate()) readouts.emplace("ManufacturingDate", Value(*date));
  if (double celsius = temperature(); celsius != 0.0) readouts.emplace("BatteryTemperature", Value::real(celsius));
  Array cells;
  for (std::int32_t millivolts : cellReadings()) cells.push_back(Value::real(millivolts / kMilli));
  if (!cells.empty()) readouts.emplace("CellVoltages", Value(std::move(cells)));
  return readouts;
}

std::string TKSSmartBatteryInfo::description() const {
  std::string cells;
  for (std::int32_t millivolts : cellReadings()) {
    cells += (cells.empty() ? "" : ", ") + stringWithFormat("%f", millivolts / kMilli);
  }
  std::optional<Value> manufactured;
  if (auto date = manufacturingDate()) manufactured = Value(*date);
  return commonDescription() +
         stringWithFormat(" Manufacturer: %@ Device: %@ Serial Number: %@ Manufactured: %@ Temperature: %f Cells: %u "
                          "Cell Voltages: %@\n",
                          manufacturer(), batteryDeviceName(), serialNumber(), manufactured, temperature(),
                          numberOfCells(), cells.empty() ? std::string("---") : cells);
}

}  // namespace sw
