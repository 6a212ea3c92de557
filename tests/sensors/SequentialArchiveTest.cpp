// The tagged sequential archive that sensors, converters and records are written with.
#include "foundation/SequentialCoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace sw {
namespace {

template <typename T>
using Limits = std::numeric_limits<T>;

TEST(SequentialArchive, ExtremesOfEveryWidthSurvive) {
  SequentialEncoder encoder;
  encoder.encodeInt8(Limits<std::int8_t>::min());
  encoder.encodeUInt8(Limits<std::uint8_t>::max());
  encoder.encodeInt16(Limits<std::int16_t>::min());
  encoder.encodeUInt16(Limits<std::uint16_t>::max());
  encoder.encodeInt32(Limits<std::int32_t>::min());
  encoder.encodeUInt32(Limits<std::uint32_t>::max());
  encoder.encodeInt64(Limits<std::int64_t>::min());
  encoder.encodeUInt64(Limits<std::uint64_t>::max());
  encoder.encodeFloat(-Limits<float>::denorm_min());
  encoder.encodeDouble(Limits<double>::quiet_NaN());
  encoder.encodeString(std::string("a\0b", 3));
  encoder.encodeNullableString(std::nullopt);

  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(decoder.decodeInt8(), Limits<std::int8_t>::min());
  EXPECT_EQ(decoder.decodeUInt8(), Limits<std::uint8_t>::max());
  EXPECT_EQ(decoder.decodeInt16(), Limits<std::int16_t>::min());
  EXPECT_EQ(decoder.decodeUInt16(), Limits<std::uint16_t>::max());
  EXPECT_EQ(decoder.decodeInt32(), Limits<std::int32_t>::min());
  EXPECT_EQ(decoder.decodeUInt32(), Limits<std::uint32_t>::max());
  EXPECT_EQ(decoder.decodeInt64(), Limits<std::int64_t>::min());
  EXPECT_EQ(decoder.decodeUInt64(), Limits<std::uint64_t>::max());
  EXPECT_EQ(decoder.decodeFloat(), -Limits<float>::denorm_min());
  EXPECT_TRUE(std::isnan(decoder.decodeDouble().value_or(0.0)));
  EXPECT_EQ(decoder.decodeString(), std::string("a\0b", 3));
  EXPECT_EQ(decoder.decodeNullableString(), std::optional<NullableString>(NullableString()));
  EXPECT_FALSE(decoder.failed());
  EXPECT_TRUE(decoder.atEnd());
}

TEST(SequentialArchive, AValueOfTheSameWidthButOtherSignednessIsRefused) {
  SequentialEncoder encoder;
  encoder.encodeInt16(-1);
  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(decoder.decodeUInt16(), std::nullopt);
  EXPECT_TRUE(decoder.failed());
}

TEST(SequentialArchive, AFailureStaysSoThatNoLaterItemIsMisread) {
  SequentialEncoder encoder;
  encoder.encodeInt32(7);
  encoder.encodeInt32(8);
  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(decoder.decodeString(), std::nullopt);
  EXPECT_EQ(decoder.decodeInt32(), std::nullopt);
  EXPECT_TRUE(decoder.failed());
}

TEST(SequentialArchive, AStringLengthPastTheEndIsRefused) {
  SequentialEncoder encoder;
  encoder.encodeString("abc");
  Data bytes = encoder.data();
  for (std::size_t i = 1; i <= 4; ++i) bytes[i] = 0xFF;  // a count of 4 GiB behind three bytes
  SequentialDecoder decoder(bytes);
  EXPECT_EQ(decoder.decodeString(), std::nullopt);
  EXPECT_TRUE(decoder.failed());
}

TEST(SequentialArchive, NilIsNoStringButANullableOne) {
  SequentialEncoder encoder;
  encoder.encodeNullableString(std::nullopt);
  SequentialDecoder strict(encoder.data());
  EXPECT_EQ(strict.decodeString(), std::nullopt);
  SequentialDecoder lenient(encoder.data());
  EXPECT_EQ(lenient.decodeNullableString(), std::optional<NullableString>(NullableString()));
  EXPECT_FALSE(lenient.failed());
}

TEST(SequentialArchive, ReadingPastTheLastItemFails) {
  SequentialDecoder decoder(Data{});
  EXPECT_EQ(decoder.decodeNullableString(), std::nullopt);
  EXPECT_TRUE(decoder.failed());
}

}  // namespace
}  // namespace sw
