// Turns a sensor's raw signed 32-bit reading into a physical value with one of four functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/PortCoder.h"

namespace sw {

class TKSSensorValueConverter {
 public:
  enum FunctionType : std::int32_t { kIdentity = 0, kLinear = 1, kScaledFixedPoint = 2, kComplementTo100 = 3 };

  TKSSensorValueConverter() = default;  // identity conversion

  void setConversionFunctionType(std::int32_t functionType) { functionType_ = functionType; }
  void setLinearFactor(double linearFactor) { linearFactor_ = linearFactor; }
  void setMScaling(std::uint16_t mScaling) { mScaling_ = mScaling; }
  void setBOffset(std::int16_t bOffset) { bOffset_ = bOffset; }
  void setShiftValue(std::int32_t shiftValue) { shiftValue_ = shiftValue; }

  double valueForRawSensorValue(std::int32_t raw) const;
  std::string description() const;

  void encodeWithCoder(SequentialEncoder& coder) const;
  /// Nothing when the archive is truncated or holds items of other types.
  static std::optional<TKSSensorValueConverter> createWithCoder(SequentialDecoder& coder);
  /// A proxy when the coder asks for a reference, else the converter itself (by copy).
  PortReplacement<TKSSensorValueConverter> replacementObjectForPortCoder(const PortCoder& coder) const;

  bool operator==(const TKSSensorValueConverter&) const = default;

 private:
  std::int32_t functionType_ = kIdentity;
  double linearFactor_ = 1.0;
  std::uint16_t mScaling_ = 1;
  std::int16_t bOffset_ = 0;
  std::int32_t shiftValue_ = 0;
};

}  // namespace sw
