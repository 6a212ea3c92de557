// The value converter: each function, its wrap-around arithmetic, its text and its archive.
#include "sensors/TKSSensorValueConverter.h"

#include <gtest/gtest.h>

#include <limits>

#include "foundation/SequentialCoder.h"

namespace sw {
namespace {

struct ConverterSettings {
  std::int32_t functionType = 0;
  double linearFactor = 1.0;
  std::uint16_t mScaling = 1;
  std::int16_t bOffset = 0;
  std::int32_t shiftValue = 0;
};

TKSSensorValueConverter makeConverter(const ConverterSettings& settings) {
  TKSSensorValueConverter converter;
  converter.setConversionFunctionType(settings.functionType);
  converter.setLinearFactor(settings.linearFactor);
  converter.setMScaling(settings.mScaling);
  converter.setBOffset(settings.bOffset);
  converter.setShiftValue(settings.shiftValue);
  return converter;
}

struct ConversionCase {
  const char* fault;
  ConverterSettings settings;
  std::int32_t raw;
  double expected;
};

class ConversionFunctions : public testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionFunctions, GiveThePhysicalValue) {
  const ConversionCase& c = GetParam();
  EXPECT_DOUBLE_EQ(makeConverter(c.settings).valueForRawSensorValue(c.raw), c.expected) << c.fault;
}

constexpr double k16_16 = 1.0 / 65536;
constexpr double k2to18 = 262144.0;

INSTANTIATE_TEST_SUITE_P(
    Table, ConversionFunctions,
    testing::Values(
        ConversionCase{"identity changes the missing-reading marker", {}, -1, -1.0},
        ConversionCase{"16.16 fixed point misread", {1, k16_16}, 0x00198000, 25.5},
        ConversionCase{"complement ignores the factor", {3, k16_16}, 0x00010000, 99.0},
        ConversionCase{"complement of zero is not 100", {3, k16_16}, 0, 100.0},
        ConversionCase{"calibration without offset", {2, k2to18, 1, 0, 12}, 262144, 1.0},
        ConversionCase{"calibration offset not shifted", {2, k2to18, 2, -1, 12}, 131072, 0.984375},
        ConversionCase{"product overflow not wrapped", {2, k2to18, 65535, 0, 0}, 65537, -1.0 / k2to18},
        ConversionCase{"negative offset shifted into the sign bit", {2, 1.0, 1, -1, 31}, 0, -2147483648.0},
        ConversionCase{"sum overflow not wrapped", {2, 1.0, 1, 1, 31}, std::numeric_limits<std::int32_t>::max(),
                       -1.0},
        ConversionCase{"shift of 32 not taken modulo 32", {2, 1.0, 0, 3, 32}, 7, 3.0},
        ConversionCase{"negative shift not taken modulo 32", {2, 1.0, 0, 1, -31}, 0, 2.0},
        ConversionCase{"function type 4 converts", {4, 2.0}, 10, 0.0},
        ConversionCase{"negative function type converts", {-1, 2.0}, 10, 0.0}));

TEST(ConverterDescription, FreshConverterTextEndsInALineFeed) {
  EXPECT_EQ(TKSSensorValueConverter().description(), "f: 0 l: 1.000000 m: 1 b: 0 s: 0\n");
  EXPECT_EQ(makeConverter({2, 0.5, 65535, -3, 12}).description(), "f: 2 l: 0.500000 m: 65535 b: -3 s: 12\n");
}

TEST(ConverterArchive, EveryFieldSurvivesAndEveryTruncationIsRefused) {
  const TKSSensorValueConverter original = makeConverter({2, 1.0 / 3.0, 65535, -32768, -7});
  SequentialEncoder encoder;
  original.encodeWithCoder(encoder);
  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(TKSSensorValueConverter::createWithCoder(decoder), original);

  const Data& full = encoder.data();
  for (std::size_t length = 0; length < full.size(); ++length) {
    SequentialDecoder truncated(Data(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_EQ(TKSSensorValueConverter::createWithCoder(truncated), std::nullopt) << "length " << length;
  }
}

TEST(ConverterPortReplacement, ByReferenceSendsAProxyByCopySendsTheConverter) {
  const auto converter = makeConverter({1, 0.25});
  const auto byCopy = converter.replacementObjectForPortCoder(PortCoder(false));
  EXPECT_EQ(std::get<TKSSensorValueConverter>(byCopy), converter);
  const auto byReference = converter.replacementObjectForPortCoder(PortCoder(true));
  EXPECT_EQ(*std::get<DistantObjectProxy<TKSSensorValueConverter>>(byReference).original(), converter);
}

}  // namespace
}  // namespace sw
