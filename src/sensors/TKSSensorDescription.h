// A detached snapshot of a sensor's configuration: no hardware handle, no readings, so it can be
// copied, archived and sent to another process freely.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "foundation/PortCoder.h"
#include "foundation/SequentialCoder.h"

namespace sw {

class TKSSensor;

class TKSSensorDescription : public std::enable_shared_from_this<TKSSensorDescription> {
 public:
  /// Absent strings, zero numbers.
  TKSSensorDescription() = default;

  /// The record of the sensor, or nothing for no sensor.
  static std::shared_ptr<TKSSensorDescription> descriptionForSensor(const TKSSensor* sensor);

  NullableString localIdentifier() const { return localIdentifier_; }
  NullableString locationIdentifier() const { return locationIdentifier_; }
  NullableString sensorName() const { return sensorName_; }
  NullableString unit() const { return unit_; }
  std::int32_t sensorType() const { return sensorType_; }
  std::int32_t quantityType() const { return quantityType_; }
  double precision() const { return precision_; }
  double accuracy() const { return accuracy_; }
  std::uint32_t substituteIdentification() const { return substituteIdentification_; }

  std::shared_ptr<TKSSensorDescription> copy() const;
  std::string description() const;

  void encodeWithCoder(SequentialEncoder& coder) const;
  /// Nothing when the archive is truncated or holds items of other types.
  static std::shared_ptr<TKSSensorDescription> createWithCoder(SequentialDecoder& coder);
  /// A proxy when the coder asks for a reference, else the record itself (by copy).
  PortReplacement<TKSSensorDescription> replacementObjectForPortCoder(const PortCoder& coder) const;

 private:
  NullableString localIdentifier_;
  NullableString locationIdentifier_;
  NullableString sensorName_;
  NullableString unit_;
  std::int32_t sensorType_ = 0;
  std::int32_t quantityType_ = 0;
  double precision_ = 0.0;
  double accuracy_ = 0.0;
  std::uint32_t substituteIdentification_ = 0;
};

}  // namespace sw
