// The tagged sequential archive that sensors, converters and records are written with.
#include "foundation/SequentialCoder.h"

#include <gtest/gtest.h>

#include <limits>

namespace sw {
namespace {

template <typename T>
using Limits = std::numeric_limits<T>;

TEST(SequentialArchive, ExtremesOfEveryWidthSurvive) {
  SequentialEncoder encoder;
  encoder.encodeInt8(Limits<std::int8_t>::min());
  encoder.encodeUInt8(Limits<std::uint8_t>::max());
  encoder.encodeInt64(Limits<std::int64_t>::min());
  encoder.encodeUInt64(Limits<std::uint64_t>::max());
  encoder.encodeString(std::string("a\0b", 3));
  encoder.encodeNullableString(std::nullopt);

  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(decoder.decodeInt8(), Limits<std::int8_t>::min());
  EXPECT_EQ(decoder.decodeUInt8(), Limits<std::uint8_t>::max());
  EXPECT_EQ(decoder.decodeInt64(), Limits<std::int64_t>::min());
  EXPECT_EQ(decoder.decodeUInt64(), Limits<std::uint64_t>::max());
  EXPECT_EQ(decoder.decodeString(), std::string("a\0b", 3));
  EXPECT_EQ(decoder.decodeNullableString(), std::optional<NullableString>(NullableString()));
  EXPECT_TRUE(decoder.atEnd());
  EXPECT_EQ(decoder.decodeInt8(), std::nullopt) << "read past the last item";
}

TEST(SequentialArchive, AValueOfOtherSignednessFailsThisAndEveryLaterRead) {
  SequentialEncoder encoder;
  encoder.encodeInt16(-1);
  encoder.encodeInt32(8);
  SequentialDecoder decoder(encoder.data());
  EXPECT_EQ(decoder.decodeUInt16(), std::nullopt);
  EXPECT_EQ(decoder.decodeInt32(), std::nullopt);
  EXPECT_TRUE(decoder.failed());
}

TEST(SequentialArchive, AStringCountPastTheEndIsRefused) {
  SequentialEncoder encoder;
  encoder.encodeString("abc");
  Data bytes = encoder.data();
  for (std::size_t i = 1; i <= 4; ++i) bytes[i] = 0xFF;  // a count of 4 GiB behind three bytes
  SequentialDecoder decoder(bytes);
  EXPECT_EQ(decoder.decodeString(), std::nullopt);
}

}  // namespace
}  // namespace sw
