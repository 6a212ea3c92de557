// The value converter: each function, its wrap-around arithmetic, its text and its archive.
#include "sensors/TKSSensorValueConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "foundation/SequentialCoder.h"

namespace sw {
namespace {

/// Function type, linear factor, m scaling, b offset, shift.
TKSSensorValueConverter converter(std::int32_t function, double factor, std::uint16_t m = 1, std::int16_t b = 0,
                                  std::int32_t shift = 0) {
  TKSSensorValueConverter made;
  made.setConversionFunctionType(function);
  made.setLinearFactor(factor);
  made.setMScaling(m);
  made.setBOffset(b);
  made.setShiftValue(shift);
  return made;
}

TEST(ConversionFunctions, GiveThePhysicalValueWithWrapAroundArithmetic) {
  constexpr double k16_16 = 1.0 / 65536, k2to18 = 262144.0;
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const struct {
    const char* fault;
    TKSSensorValueConverter converter;
    std::int32_t raw;
    double expected;
  } cases[] = {{"identity changes the missing-reading marker", {}, -1, -1.0},
               {"16.16 fixed point misread", converter(1, k16_16), 0x00198000, 25.5},
               {"complement ignores the factor", converter(3, k16_16), 0x00010000, 99.0},
               {"complement of zero is not 100", converter(3, k16_16), 0, 100.0},
               {"calibration without offset", converter(2, k2to18, 1, 0, 12), 262144, 1.0},
               {"calibration offset not shifted", converter(2, k2to18, 2, -1, 12), 131072, 0.984375},
               {"product overflow not wrapped", converter(2, k2to18, 65535, 0, 0), 65537, -1.0 / k2to18},
               {"negative offset shifted into the sign bit", converter(2, 1.0, 1, -1, 31), 0, -2147483648.0},
               {"sum overflow not wrapped", converter(2, 1.0, 1, 1, 31), kMax, -1.0},
               {"shift of 32 not taken modulo 32", converter(2, 1.0, 0, 3, 32), 7, 3.0},
               {"negative shift not taken modulo 32", converter(2, 1.0, 0, 1, -31), 0, 2.0},
               {"function type 4 converts", converter(4, 2.0), 10, 0.0},
               {"negative function type converts", converter(-1, 2.0), 10, 0.0}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.converter.valueForRawSensorValue(c.raw), c.expected) << c.fault;
}

TEST(ConverterText, NamesEveryFieldAndEndsInALineFeed) {
  EXPECT_EQ(TKSSensorValueConverter().description(), "f: 0 l: 1.000000 m: 1 b: 0 s: 0\n");
  EXPECT_EQ(converter(2, 0.5, 65535, -3, 12).description(), "f: 2 l: 0.500000 m: 65535 b: -3 s: 12\n");
}

TEST(ConverterArchive, EveryFieldSurvivesAndEveryTruncationIsRefused) {
  const TKSSensorValueConverter original = converter(2, 1.0 / 3.0, 65535, -32768, -7);
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

TEST(SequentialArchive, AStringCountPastTheEndIsRefused) {
  SequentialEncoder encoder;
  encoder.encodeString("abc");
  Data bytes = encoder.data();
  ASSERT_GT(bytes.size(), 4u);
  std::fill_n(bytes.begin() + 1, 4, 0xFF);  // a count of 4 GiB behind three bytes
  SequentialDecoder decoder(bytes);
  EXPECT_EQ(decoder.decodeString(), std::nullopt);
}

}  // namespace
}  // namespace sw
