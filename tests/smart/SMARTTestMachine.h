// Machines with S.M.A.R.T. disks for the disk tests, built in a few lines.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/Value.h"
#include "sim/SimulatedMachine.h"
#include "support/ProfileBuilder.h"

namespace sw::test {

/// An attribute slot of @SMART; `raw` is an integer or six bytes of data.
inline Value smartAttribute(int id, Value raw, int flags = 0x0022, int current = 100, int worst = 100) {
  return Value(Dictionary{{"ID", Value::integer(id)}, {"Flags", Value::integer(flags)}, {"Value", Value::integer(current)},
                          {"Worst", Value::integer(worst)}, {"Raw", std::move(raw)}});
}

/// Attribute 194 packed as most disks do: current, then the lowest and highest seen.
inline Value packedTemperature(int celsius) {
  return smartAttribute(194, Value(Data{static_cast<std::uint8_t>(celsius), 0, 18, 0, 52, 0}));
}

inline Value smartThreshold(int id, int threshold) {
  return Value(Dictionary{{"ID", Value::integer(id)}, {"Threshold", Value::integer(threshold)}});
}

struct DiskDescription {
  std::string className = "IOAHCIBlockStorageDevice";
  std::string model = "Hitachi HTS545025B9SA02";
  std::string serial = "091022PBN40017DSMTHE";
  Array attributes = {packedTemperature(38)};
  Array thresholds = {};
  Array fail = {};
  /// The feature properties: by default a SATA disk that says it is S.M.A.R.T. capable.
  Dictionary features = {{"SMART Capable", Value::boolean(true)},
                         {"Protocol Characteristics", Value(Dictionary{{"Physical Interconnect", Value("SATA")}})}};
};

inline ProfileBuilder& addDisk(ProfileBuilder& profile, const DiskDescription& disk) {
  Dictionary smart{{"Model", Value(disk.model)}, {"Serial", Value(disk.serial)}, {"Firmware", Value("FW01")},
                   {"Attributes", Value(disk.attributes)}, {"Thresholds", Value(disk.thresholds)},
                   {"Fail", Value(disk.fail)}};
  Dictionary properties = disk.features;
  properties.emplace("@SMART", Value(std::move(smart)));
  return profile.entry(disk.className, std::move(properties));
}

/// The HID system with an idle time (nanoseconds as an integer, or any other value).
inline ProfileBuilder& addHIDSystem(ProfileBuilder& profile, Value idleTime) {
  return profile.entry("IOHIDSystem", {{"HIDIdleTime", std::move(idleTime)}});
}

inline Value idleSeconds(std::int64_t seconds) { return Value::integer(seconds * 1'000'000'000); }

}  // namespace sw::test
