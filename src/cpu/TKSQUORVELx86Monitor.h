// The sensors of the CPU-monitoring kernel driver: one temperature per core from the cores'
// digital thermal sensors, and the processor clock frequency. The driver publishes its readings
// as properties of its registry service; this class decodes them. It never makes sensors of its
// own: the processor signature picks a model-specific variant (TKSQUORVELx86MonitorVariants.h),
// which knows the junction maximum and how the frequency is found.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cpu/CPUStatusBlock.h"
#include "ioregistry/TKSIORegistryEntry.h"
#include "sensors/TKSSensor.h"

namespace sw {

class TKSQUORVELx86Monitor;
using CPUMonitorSensor = std::shared_ptr<TKSQUORVELx86Monitor>;

/// A variant class as the signature lookup hands it out: its name and its creation operations.
struct CPUMonitorVariant {
  std::string name;
  std::function<bool(const std::string& brand)> isSupportingTemperatureSensingForBrandString;
  /// nullptr when the entry is no usable driver service or the variant refuses the sensor.
  std::function<CPUMonitorSensor(std::shared_ptr<TKSIORegistryEntry>, std::int32_t index, std::int32_t totalCount)>
      createAsTemperatureSensorWithIORegistryEntryForIndexTotalCount;
  std::function<CPUMonitorSensor(std::shared_ptr<TKSIORegistryEntry>)> createAsFrequencySensorWithIORegistryEntry;
};

class TKSQUORVELx86Monitor : public TKSSensor {
 public:
  static constexpr const char* kDriverServiceClass = "com_quorvel_driver_QUORVELx86Monitoring";

  /// The class as the sensor registry takes it. Loading the class starts its force-update
  /// throttle at the current second.
  static TKSSensorClass sensorClass();
  static SensorList allSensors();

  static bool isDriverLoaded();
  /// The version code of the first usable service with a status block; 0 when there is none.
  static std::uint32_t versionCodeOfRunningDriver();
  static bool systemIsAffectedByErratumAE18();
  /// The processor signature and the number of core records of that same service, for diagnostics.
  static std::optional<std::uint32_t> signatureOfRunningDriver();
  static std::uint32_t coreCountOfRunningDriver();
  static bool isSupportingTemperatureSensingForBrandString(const std::string&) { return true; }
  /// The variant for the signature with its stepping cleared; nothing (and a logged warning) when
  /// no variant knows the processor.
  static const CPUMonitorVariant* classImplementingCPUMonitoringForSignature(std::uint32_t signature);

  std::string className() const override { return "TKSQUORVELx86Monitor"; }
  /// 16.16 fixed point: degrees Celsius, megahertz, or 1.0/0.0 for a hot indicator; -1 without a
  /// fresh reading.
  std::int32_t rawValue() override;
  std::string unit() const override;
  TKSSensorValueConverter valueConverter() const override;

  std::int32_t cpuIndex() const { return cpuIndex_; }
  std::optional<std::string> cpuBrand() const;
  /// The last word before the "@" of the brand string ("E8400"); nothing when there is none.
  std::optional<std::string> cpuDisplayName() const;
  std::uint8_t extendedFamiliyID() const { return static_cast<std::uint8_t>(cpuSignature_ >> 20); }
  std::uint8_t extendedModelID() const { return static_cast<std::uint8_t>((cpuSignature_ >> 16) & 0xF); }
  std::uint8_t cpuFamily() const;
  std::uint8_t cpuModel() const;
  std::uint8_t cpuStepping() const { return static_cast<std::uint8_t>(cpuSignature_ & 0xF); }
  /// "T:<location>" for a temperature sensor; nothing for the others.
  std::optional<std::string> unifiedSensorLocation() const;

  virtual std::uint8_t maximumJunctionTemperature() const { return hasLowTjMaxValue() ? 85 : 100; }
  std::uint8_t maximumBusRatio() const { return status_; }
  /// Degrees Celsius; 0 without a record or a reading.
  virtual std::int32_t temperatureForStatusRecord(const CPUCoreStatusRecord* record) const;
  /// Megahertz; 0.0 where the processor model is not decoded.
  virtual double frequencyForStatusRecord(const CPUCoreStatusRecord*) const { return 0.0; }
  /// {junction maximum, 0} for a temperature sensor of a variant that knows its limits.
  virtual std::optional<Array> sensorLimitsArray() const { return std::nullopt; }
  /// Turbo frequencies in hertz with 1, 2, … active cores.
  virtual std::optional<Array> turboBoostFrequenciesArray() const { return std::nullopt; }

 protected:
  template <class Variant>
  friend CPUMonitorVariant makeCPUMonitorVariant();

  /// The creation steps, run on an object of the variant's class; false when the sensor cannot
  /// be made. Variants extend them.
  virtual bool initAsTemperatureSensor(std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t index,
                                       std::int32_t totalCount);
  virtual bool initAsFrequencySensor(std::shared_ptr<TKSIORegistryEntry> entry);

  /// The driver's status block as it reads now.
  std::optional<CPUStatusBlock> statusBlock() const;
  const std::shared_ptr<TKSIORegistryEntry>& driverEntry() const { return driverEntry_; }
  bool hasLowTjMaxValue() const { return status_ != 0; }

 private:
  /// Binds the entry: false unless it is a usable driver service.
  bool bindDriverEntry(std::shared_ptr<TKSIORegistryEntry> entry);
  std::int32_t rawValueOfRecord(const CPUCoreStatusRecord& record);

  std::shared_ptr<TKSIORegistryEntry> driverEntry_;
  std::int32_t cpuIndex_ = -1;
  std::uint32_t timeStampOfLastAccess_ = 0;
  std::uint32_t cpuSignature_ = 0;
  // The low-maximum flag for a temperature sensor, the maximum bus ratio for the frequency sensor.
  std::uint8_t status_ = 0;
};

/// The variant record of a class: its factories make an object of that class and run its
/// creation steps.
template <class Variant>
CPUMonitorVariant makeCPUMonitorVariant() {
  CPUMonitorVariant variant;
  variant.name = Variant().className();
  variant.isSupportingTemperatureSensingForBrandString = &Variant::isSupportingTemperatureSensingForBrandString;
  variant.createAsTemperatureSensorWithIORegistryEntryForIndexTotalCount =
      [](std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t index, std::int32_t totalCount) -> CPUMonitorSensor {
    auto sensor = std::make_shared<Variant>();
    TKSQUORVELx86Monitor& base = *sensor;
    if (!base.initAsTemperatureSensor(std::move(entry), index, totalCount)) return nullptr;
    return sensor;
  };
  variant.createAsFrequencySensorWithIORegistryEntry = [](std::shared_ptr<TKSIORegistryEntry> entry) -> CPUMonitorSensor {
    auto sensor = std::make_shared<Variant>();
    TKSQUORVELx86Monitor& base = *sensor;
    if (!base.initAsFrequencySensor(std::move(entry))) return nullptr;
    return sensor;
  };
  return variant;
}

}  // namespace sw
