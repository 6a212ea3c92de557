// From the kernel's power-supply class (microvolts, microamperes, microwatt-hours, tenths of a
// degree Celsius) to the smart battery's registry properties.
#include "live/LiveBattery.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "foundation/Numbers.h"
#include "live/KeyValueText.h"

namespace sw::live {
namespace {

constexpr std::string_view kPowerSupplies = "/sys/class/power_supply/";
constexpr std::int64_t kInstalled = 0x4;
constexpr std::int64_t kCharging = 0x2;
constexpr std::int64_t kExternalPower = 0x1;

std::optional<std::int64_t> number(const std::map<std::string, std::string>& values, const char* key) {
  auto found = values.find(std::string("POWER_SUPPLY_") + key);
  if (found == values.end()) return std::nullopt;
  std::int64_t value = 0;
  const std::string& text = found->second;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string text(const std::map<std::string, std::string>& values, const char* key) {
  auto found = values.find(std::string("POWER_SUPPLY_") + key);
  if (found == values.end()) return {};
  // Some firmware hands over the whole SMBus block, zero bytes and all.
  std::string value = found->second.substr(0, found->second.find('\0'));
  return value;
}

/// Micro-units to milli-units, rounded, within 32 bits as the driver's numbers are.
std::int64_t milli(double micro) { return clampToInt32(std::round(micro / 1000.0)); }

/// A capacity in milliampere-hours: charge as it is, energy through the design voltage.
std::optional<std::int64_t> capacity(const std::map<std::string, std::string>& values, const char* what,
                                     std::optional<std::int64_t> microvolts) {
  if (auto charge = number(values, (std::string("CHARGE_") + what).c_str())) return milli(double(*charge));
  auto energy = number(values, (std::string("ENERGY_") + what).c_str());
  if (!energy || !microvolts || *microvolts <= 0) return std::nullopt;
  // µWh ÷ µV = Ah; times 1000 for mAh.
  return clampToInt32(std::round(double(*energy) / double(*microvolts) * 1000.0));
}

}  // namespace

Dictionary smartBatteryProperties(const std::map<std::string, std::string>& uevent, std::optional<bool> externalPower) {
  const std::string status = text(uevent, "STATUS");
  const bool charging = status == "Charging";
  const bool present = number(uevent, "PRESENT").value_or(1) != 0;
  const std::optional<std::int64_t> voltage = number(uevent, "VOLTAGE_NOW");
  std::optional<std::int64_t> designVoltage = number(uevent, "VOLTAGE_MIN_DESIGN");
  if (!designVoltage) designVoltage = voltage;

  // The kernel gives the current's size (some drivers with a sign, most without); the driver
  // of the platform gives it negative while the battery discharges.
  std::optional<double> current;
  if (auto microamperes = number(uevent, "CURRENT_NOW")) {
    current = std::abs(double(*microamperes)) / 1000.0;
  } else if (auto microwatts = number(uevent, "POWER_NOW"); microwatts && voltage && *voltage > 0) {
    current = std::abs(double(*microwatts)) / double(*voltage) * 1000.0;
  }
  const double sign = status == "Discharging" ? -1.0 : 1.0;
  const std::int64_t amperage = current ? clampToInt32(std::round(sign * *current)) : 0;
  const std::int64_t millivolts = voltage ? milli(double(*voltage)) : 0;
  const std::int64_t now = capacity(uevent, "NOW", designVoltage).value_or(0);
  const std::int64_t full = capacity(uevent, "FULL", designVoltage).value_or(0);
  const std::int64_t design = capacity(uevent, "FULL_DESIGN", designVoltage).value_or(full);
  const std::int64_t cycles = number(uevent, "CYCLE_COUNT").value_or(0);
  std::int64_t flags = (present ? kInstalled : 0) | (charging ? kCharging : 0);
  if (externalPower.value_or(charging)) flags |= kExternalPower;

  Dictionary battery{
      {"IOObjectClass", Value("AppleSmartBattery")},
      {"BatteryInstalled", Value::boolean(present)},
      {"Voltage", Value::integer(millivolts)},
      {"Amperage", Value::integer(amperage)},
      {"InstantAmperage", Value::integer(amperage)},
      {"CurrentCapacity", Value::integer(now)},
      {"MaxCapacity", Value::integer(full)},
      {"DesignCapacity", Value::integer(design)},
      {"CycleCount", Value::integer(cycles)},
      {"IsCharging", Value::boolean(charging)},
      {"FullyCharged", Value::boolean(status == "Full")},
      {"ExternalConnected", Value::boolean(externalPower.value_or(charging))},
      {"Manufacturer", Value(text(uevent, "MANUFACTURER"))},
      {"DeviceName", Value(text(uevent, "MODEL_NAME"))},
      {"Serial", Value(text(uevent, "SERIAL_NUMBER"))},
      {"LegacyBatteryInfo", Value(Dictionary{{"Amperage", Value::integer(amperage)},
                                             {"Capacity", Value::integer(full)},
                                             {"Current", Value::integer(now)},
                                             {"Cycle Count", Value::integer(cycles)},
                                             {"Flags", Value::integer(flags)},
                                             {"Voltage", Value::integer(millivolts)}})},
  };
  // The gauge's serial number register is a plain number, which the platform's driver publishes
  // as such; the kernel prints it in decimal.
  const std::string serial = text(uevent, "SERIAL_NUMBER");
  if (!serial.empty() && serial.size() <= 9 && std::all_of(serial.begin(), serial.end(), ::isdigit)) {
    battery["FirmwareSerialNumber"] = Value::integer(std::stoll(serial));
  }
  // The packed date of the smart-battery standard; 0 where the kernel knows none.
  const std::int64_t year = number(uevent, "MANUFACTURE_YEAR").value_or(0);
  const std::int64_t month = number(uevent, "MANUFACTURE_MONTH").value_or(0);
  const std::int64_t day = number(uevent, "MANUFACTURE_DAY").value_or(0);
  const bool dated = year >= 1980 && year < 1980 + 128 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
  battery["ManufactureDate"] = Value::integer(dated ? ((year - 1980) << 9) | (month << 5) | day : 0);
  if (auto tenths = number(uevent, "TEMP")) {
    battery["Temperature"] = Value::integer(clampToInt32(std::round(double(*tenths) + 2731.6)));
  }
  return battery;
}

Array liveBatteryManagers(LiveFiles& files) {
  std::optional<bool> externalPower;
  std::vector<std::map<std::string, std::string>> batteries;
  for (const std::string& name : files.list(kPowerSupplies)) {
    const std::string folder = std::string(kPowerSupplies) + name + "/";
    const auto uevent = keyValues(files.read(folder + "uevent").value_or(""), '=');
    std::string type = files.readLine(folder + "type").value_or("");
    if (auto found = uevent.find("POWER_SUPPLY_TYPE"); found != uevent.end()) type = found->second;
    if (type == "Mains") {
      auto online = uevent.find("POWER_SUPPLY_ONLINE");
      if (online != uevent.end()) externalPower = externalPower.value_or(false) || online->second == "1";
    } else if (type == "Battery" || (type.empty() && name.starts_with("BAT"))) {
      batteries.push_back(uevent);
    }
  }
  Array managers;
  for (const auto& uevent : batteries) {
    managers.push_back(Value(Dictionary{
        {"IOObjectClass", Value("AppleSmartBatteryManager")},
        {"IORegistryEntryChildren", Value(Array{Value(smartBatteryProperties(uevent, externalPower))})},
    }));
  }
  return managers;
}

}  // namespace sw::live
