// Machines with the older platform drivers, in a few lines: driver entries that publish sensor
// nodes, processor-module records and System Management Unit partitions in the PowerPC's byte
// order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "foundation/Value.h"
#include "sensors/TKSSensor.h"
#include "support/ProfileBuilder.h"

namespace sw::test {

/// A driver entry as a real one carries its class: "IOClass" and a bundle identifier.
inline Dictionary driverProperties(const std::string& driverClass, Dictionary more = {}) {
  more.emplace("IOClass", Value(driverClass));
  more.emplace("CFBundleIdentifier", Value("com.apple.driver." + driverClass));
  return more;
}

/// An "IOHWSensor" node's properties.
inline Dictionary sensorNode(const std::string& type, std::int64_t id, const std::string& location,
                             std::int64_t value) {
  return {{"type", Value(type)}, {"sensor-id", Value::integer(id)}, {"location", Value(location)},
          {"current-value", Value::integer(value)}};
}

/// Adds a driver entry below the platform expert with one "IOHWSensor" node below it.
inline ProfileBuilder& addSensorNode(ProfileBuilder& builder, const std::string& driverClass, Dictionary node) {
  return builder.entry(driverClass, driverProperties(driverClass)).child("IOHWSensor", std::move(node));
}

inline void putBigEndian(Data& bytes, std::size_t offset, std::uint64_t value, std::size_t width) {
  for (std::size_t index = 0; index < width; ++index) {
    bytes.at(offset + index) = static_cast<std::uint8_t>(value >> (8 * (width - 1 - index)));
  }
}

inline void putText(Data& bytes, std::size_t offset, const std::string& text) {
  for (std::size_t index = 0; index < text.size(); ++index) bytes.at(offset + index) = static_cast<std::uint8_t>(text[index]);
}

/// A processor-module record with the diode calibration; everything else zero.
inline Data mpuRecord(std::uint16_t mDiode, std::int16_t bDiode, std::size_t size = 160) {
  Data record(size, 0);
  if (size >= 72) {
    putBigEndian(record, 68, mDiode, 2);
    putBigEndian(record, 70, static_cast<std::uint16_t>(bDiode), 2);
  }
  return record;
}

/// Adds the I2C interface of a processor module, named "cpuid", with its record.
inline ProfileBuilder& addProcessorModule(ProfileBuilder& builder, Data record) {
  return builder.entry("PPCI2CInterface", {{"name", Value(Data{'c', 'p', 'u', 'i', 'd', 0})}, {"cpuid", Value(std::move(record))}});
}

/// SMU partitions 0x12 (16 bytes), 0x21 (24) and 0x18 (diodeLength, calibration at 4 and 6).
inline Dictionary smuPartitions(std::uint16_t voltageScale, std::int16_t voltageOffset, std::uint16_t currentScale,
                                std::int16_t currentOffset, std::uint16_t mDiode, std::int16_t bDiode,
                                std::size_t diodeLength = 8) {
  Data operatingPoints(16, 0);
  putBigEndian(operatingPoints, 0, 0x12, 1);
  putBigEndian(operatingPoints, 4, 2500000000U, 4);  // clock
  putBigEndian(operatingPoints, 9, 90, 1);           // maximum temperature
  putBigEndian(operatingPoints, 10, 0x051407D0044C, 6);  // core voltages 1300, 2000, 1100
  Data converter(24, 0);
  putBigEndian(converter, 0, 0x21, 1);
  putBigEndian(converter, 4, voltageScale, 2);
  putBigEndian(converter, 6, static_cast<std::uint16_t>(voltageOffset), 2);
  putBigEndian(converter, 8, currentScale, 2);
  putBigEndian(converter, 10, static_cast<std::uint16_t>(currentOffset), 2);
  putBigEndian(converter, 12, 1U << 27, 4);  // supply A: 0.5
  Data diode(diodeLength, 0);
  if (diodeLength >= 8) {
    putBigEndian(diode, 4, mDiode, 2);
    putBigEndian(diode, 6, static_cast<std::uint16_t>(bDiode), 2);
  }
  return {{"name", Value(Data{'s', 'm', 'u', 0})},
          {"sdb-partition-12", Value(std::move(operatingPoints))},
          {"sdb-partition-21", Value(std::move(converter))},
          {"sdb-partition-18", Value(std::move(diode))}};
}

/// Adds the "smu" nub with its partitions and the "AppleSMU" driver below it.
inline ProfileBuilder& addSMU(ProfileBuilder& builder, Dictionary partitions) {
  return builder.entry("IOService", std::move(partitions)).child("AppleSMU", driverProperties("AppleSMU"));
}

/// Identifier, location, name, unit and value of each sensor, one line each.
inline std::vector<std::string> summaries(const SensorList& sensors) {
  std::vector<std::string> lines;
  for (const auto& sensor : sensors) {
    lines.push_back(fmt::format("{} | {} | {} | {} | {:g}", sensor->uniqueIdentifier(), sensor->locationIdentifier(),
                                sensor->sensorName(), sensor->unit(), sensor->value()));
  }
  return lines;
}

}  // namespace sw::test
