// The factory data that a System Management Unit keeps in its system database partitions: CPU
// operating points (0x12), the constants of its voltage and current converters (0x21) and the
// CPU diode calibration (0x18).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "ioregistry/TKSIORegistryEntry.h"

namespace sw {

class TKSSMUInfo;
using SMUInfoList = std::vector<std::shared_ptr<TKSSMUInfo>>;

class TKSSMUInfo {
 public:
  /// One per "AppleSMU" whose "smu" nub carries partitions 0x12 and 0x21; the registry is asked
  /// afresh on every call.
  static SMUInfoList allSMUs();
  /// The platform plug-in's "cpu-tmax" in degrees; 0 when no plug-in publishes one.
  static float maximumCPUDesignTemperature();
  /// The partition's bytes when present and exactly of the expected length; else nothing (logged).
  static std::optional<Data> dataFromEntryForSystemDatabasePartitionWithIDExpectedLength(const TKSIORegistryEntry* entry,
                                                                                         std::uint32_t partition,
                                                                                         std::uint32_t length);
  /// Nothing for a null entry or when one of the three partitions is missing or of another length.
  static std::shared_ptr<TKSSMUInfo> createWithIORegistryEntry(const TKSIORegistryEntry* entry);

  std::string description() const;

  /// Null pointers are skipped.
  void getVoltageScaleOffset(std::uint16_t* scale, std::int16_t* offset) const;
  void getCurrentScaleOffset(std::uint16_t* scale, std::int16_t* offset) const;
  std::uint32_t mDiodeCalibration() const { return mDiodeCalibration_; }
  std::int32_t bDiodeCalibration() const { return bDiodeCalibration_; }

 private:
  static constexpr std::size_t kOperatingPointsSize = 16;
  static constexpr std::size_t kConverterConstantsSize = 24;
  static constexpr std::size_t kDiodeCalibrationSize = 8;

  // The partitions' words are in the PowerPC's byte order, highest byte first.
  std::uint32_t operatingPoint(std::size_t offset, std::size_t width) const;
  std::uint32_t converterConstant(std::size_t offset, std::size_t width) const;

  std::array<std::uint8_t, kOperatingPointsSize> cpuOperatingPoints_{};
  std::array<std::uint8_t, kConverterConstantsSize> adConverterConstants_{};
  std::uint32_t mDiodeCalibration_ = 0;
  std::int32_t bDiodeCalibration_ = 0;
};

}  // namespace sw
