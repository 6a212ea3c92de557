// Batteries for tests: a smart battery shaped like a real one of the MacBook Pro era, and the
// older form's array element, each with properties a test can replace or remove.
#pragma once

#include <initializer_list>
#include <string>

#include "foundation/Value.h"
#include "support/ProfileBuilder.h"

namespace sw::test {

/// -1000 mA as a real registry dump prints a negative current: an unsigned 64-bit number.
constexpr std::uint64_t kDischarging1000mA = 18446744073709550616ULL;

inline Value integers(std::initializer_list<std::int64_t> numbers) {
  Array array;
  for (std::int64_t number : numbers) array.push_back(Value::integer(number));
  return Value(std::move(array));
}

/// A three-cell smart battery at 12.3 V discharging with 1 A, 30.04 °C, made 15 March 2009.
inline Dictionary smartBattery(Dictionary changes = {}, std::initializer_list<const char*> removed = {}) {
  Dictionary properties{
      {"LegacyBatteryInfo", Value(Dictionary{{"Flags", Value::integer(0x4)}, {"Voltage", Value::integer(12300)}})},
      {"Voltage", Value::integer(12300)},
      {"Amperage", Value::unsignedInteger(kDischarging1000mA)},
      {"CurrentCapacity", Value::integer(4500)},
      {"MaxCapacity", Value::integer(5400)},
      {"DesignCapacity", Value::integer(5770)},
      {"CycleCount", Value::integer(120)},
      {"Manufacturer", Value("SMP")},
      {"DeviceName", Value("bq20z451")},
      {"ManufactureDate", Value::integer(0x3A6F)},
      {"FirmwareSerialNumber", Value::integer(1234)},
      {"Serial", Value("W01234ABCD")},
      {"Temperature", Value::integer(3032)},
      {"CellVoltage", integers({4100, 4101, 4099, 0})},
  };
  for (auto& [key, value] : changes) properties.insert_or_assign(key, std::move(value));
  for (const char* key : removed) properties.erase(key);
  return properties;
}

/// A machine with smart batteries under the battery manager, as a real one has them.
inline ProfileBuilder smartBatteryMachine(std::initializer_list<Dictionary> batteries) {
  ProfileBuilder builder;
  builder.model("MacBookPro5,5");
  for (const Dictionary& battery : batteries) builder.entry("AppleSmartBatteryManager").child("AppleSmartBattery", battery);
  return builder;
}

/// One dictionary of the older form's "IOBatteryInfo" array.
inline Value legacyBattery(Dictionary changes = {}, std::initializer_list<const char*> removed = {}) {
  Dictionary properties{
      {"Capacity", Value::integer(4200)}, {"Current", Value::integer(3100)},      {"Voltage", Value::integer(12450)},
      {"Amperage", Value::integer(-1500)}, {"Flags", Value::integer(0x7)},        {"AbsoluteMaxCapacity", Value::integer(4600)},
      {"Cycle Count", Value::integer(87)},
  };
  for (auto& [key, value] : changes) properties.insert_or_assign(key, std::move(value));
  for (const char* key : removed) properties.erase(key);
  return Value(std::move(properties));
}

inline Dictionary batteryInfo(Array batteries) { return Dictionary{{"IOBatteryInfo", Value(std::move(batteries))}}; }

}  // namespace sw::test
