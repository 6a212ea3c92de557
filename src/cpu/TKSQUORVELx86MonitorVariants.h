// The processor-model variants of the CPU monitor, one class per masked processor signature
// (family, model and extended model, stepping cleared). They know what differs between processor
// generations: the junction maximum the thermal readings count down from, how the bus code and
// ratio become a clock frequency, the sensor limits and the turbo frequencies.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cpu/TKSQUORVELx86Monitor.h"

namespace sw {

/// Family 6, model 14.
class TKSQUORVELx86MonitorCPU1760 : public TKSQUORVELx86Monitor {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU1760"; }
  double frequencyForStatusRecord(const CPUCoreStatusRecord* record) const override;
  std::optional<Array> sensorLimitsArray() const override;
};

/// Family 6, model 15.
class TKSQUORVELx86MonitorCPU1776 : public TKSQUORVELx86Monitor {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU1776"; }
  double frequencyForStatusRecord(const CPUCoreStatusRecord* record) const override;
  std::optional<Array> sensorLimitsArray() const override;
};

/// Family 6, model 23. Server models of this family report hot indicators instead of
/// temperatures, and its frequency sensor is made only on request: both unless the user defaults
/// hold the switches.
class TKSQUORVELx86MonitorCPU67184 : public TKSQUORVELx86Monitor {
 public:
  static bool isSupportingTemperatureSensingForBrandString(const std::string& brand);

  std::string className() const override { return "TKSQUORVELx86MonitorCPU67184"; }
  double frequencyForStatusRecord(const CPUCoreStatusRecord* record) const override;
  /// By the model name: these processors do not report their maximum.
  std::uint8_t maximumJunctionTemperature() const override;
  std::optional<Array> sensorLimitsArray() const override;

 protected:
  bool initAsTemperatureSensor(std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t index,
                               std::int32_t totalCount) override;
  bool initAsFrequencySensor(std::shared_ptr<TKSIORegistryEntry> entry) override;
};

/// Family 6, model 26, and the later models that report their temperature target. They decode
/// no frequency.
class TKSQUORVELx86MonitorCPU67232 : public TKSQUORVELx86Monitor {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU67232"; }
  std::uint8_t maximumJunctionTemperature() const override { return tJMax_; }
  std::optional<Array> sensorLimitsArray() const override;
  /// Hertz with 1, 2, … active cores, from the driver's turbo ratio word.
  std::optional<Array> turboBoostFrequenciesArray() const override;
  virtual std::uint32_t maxTurboBoostCoreCount() const { return 4; }
  /// The bus clock in hertz that the turbo ratios multiply.
  virtual std::uint64_t turboBoostBaseFrequency() const { return 133333333; }

 protected:
  bool initAsTemperatureSensor(std::shared_ptr<TKSIORegistryEntry> entry, std::int32_t index,
                               std::int32_t totalCount) override;

 private:
  std::uint8_t tJMax_ = 0;
};

/// Family 6, model 30.
class TKSQUORVELx86MonitorCPU67296 : public TKSQUORVELx86MonitorCPU67232 {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU67296"; }
};

/// Family 6, model 31.
class TKSQUORVELx86MonitorCPU67312 : public TKSQUORVELx86MonitorCPU67232 {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU67312"; }
};

/// Family 6, model 37.
class TKSQUORVELx86MonitorCPU132688 : public TKSQUORVELx86MonitorCPU67232 {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU132688"; }
  std::uint32_t maxTurboBoostCoreCount() const override { return 6; }
};

/// Family 6, model 44.
class TKSQUORVELx86MonitorCPU132800 : public TKSQUORVELx86MonitorCPU67232 {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU132800"; }
  std::uint32_t maxTurboBoostCoreCount() const override { return 6; }
};

/// Family 6, model 42: the bus clock is 100 MHz from here on.
class TKSQUORVELx86MonitorCPU132768 : public TKSQUORVELx86MonitorCPU67232 {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU132768"; }
  std::uint64_t turboBoostBaseFrequency() const override { return 100000000; }
};

/// Family 6, model 58.
class TKSQUORVELx86MonitorCPU198304 : public TKSQUORVELx86MonitorCPU132768 {
 public:
  std::string className() const override { return "TKSQUORVELx86MonitorCPU198304"; }
};

}  // namespace sw
