// The value converter: the one place where a raw reading becomes a physical value.
#include "sensors/TKSSensorValueConverter.h"

#include "foundation/Format.h"

namespace sw {
namespace {

/// (m × raw + (b << shift)) in 32-bit arithmetic that wraps instead of overflowing.
std::int32_t scaledFixedPointSum(std::uint16_t mScaling, std::int16_t bOffset, std::int32_t shiftValue,
                                 std::int32_t raw) {
  const std::uint32_t product = std::uint32_t{mScaling} * static_cast<std::uint32_t>(raw);
  const std::uint32_t offset = static_cast<std::uint32_t>(std::int32_t{bOffset});
  const std::uint32_t shifted = offset << (static_cast<std::uint32_t>(shiftValue) % 32U);
  return static_cast<std::int32_t>(product + shifted);
}

}  // namespace

double TKSSensorValueConverter::valueForRawSensorValue(std::int32_t raw) const {
  // Compared unsigned, so that negative codes fall into "no function" like every other unknown one.
  switch (static_cast<std::uint32_t>(functionType_)) {
    case kIdentity:
      return raw;
    case kLinear:
      return raw * linearFactor_;
    case kScaledFixedPoint:
      return scaledFixedPointSum(mScaling_, bOffset_, shiftValue_, raw) / linearFactor_;
    case kComplementTo100:
      return 100.0 - raw * linearFactor_;
    default:
      return 0.0;
  }
}

std::string TKSSensorValueConverter::description() const {
  return stringWithFormat("f: %d l: %f m: %u b: %d s: %d\n", functionType_, linearFactor_, mScaling_, bOffset_,
                          shiftValue_);
}

void TKSSensorValueConverter::encodeWithCoder(SequentialEncoder& coder) const {
  coder.encodeInt32(functionType_);
  coder.encodeDouble(linearFactor_);
  coder.encodeUInt16(mScaling_);
  coder.encodeInt16(bOffset_);
  coder.encodeInt32(shiftValue_);
}

std::optional<TKSSensorValueConverter> TKSSensorValueConverter::createWithCoder(SequentialDecoder& coder) {
  // The decoder fails for good at the first bad item; the converter is then dropped as a whole.
  TKSSensorValueConverter converter;
  converter.functionType_ = coder.decodeInt32().value_or(0);
  converter.linearFactor_ = coder.decodeDouble().value_or(0.0);
  converter.mScaling_ = coder.decodeUInt16().value_or(0);
  converter.bOffset_ = coder.decodeInt16().value_or(0);
  converter.shiftValue_ = coder.decodeInt32().value_or(0);
  if (coder.failed()) return std::nullopt;
  return converter;
}

PortReplacement<TKSSensorValueConverter> TKSSensorValueConverter::replacementObjectForPortCoder(
    const PortCoder& coder) const {
  return replacementForPortCoder(coder, std::make_shared<const TKSSensorValueConverter>(*this));
}

}  // namespace sw
