// Decoding of SMC values by data type, key codes and the texts of values.
#include <gtest/gtest.h>

#include <cstring>

#include "smc/SMCValueDecoding.h"

namespace sw::smc {
namespace {

TKSSMCValue valueOf(const char (&type)[5], std::initializer_list<std::uint8_t> bytes, std::uint32_t size = 0) {
  TKSSMCValue value;
  value.dataType = fourCharCodeForKeyString(std::string_view(type, 4));
  if (value.dataType == 0) {  // a type with a zero byte has no text form
    for (int index = 0; index < 4; ++index) value.dataType = (value.dataType << 8) | std::uint8_t(type[index]);
  }
  value.dataSize = size != 0 ? size : std::uint32_t(bytes.size());
  std::copy(bytes.begin(), bytes.end(), value.bytes.begin());
  return value;
}

struct NumberCase {
  const char* name;
  TKSSMCValue value;
  Value::Kind kind;
  double number;
};

class NumbersByType : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumbersByType, decodeToTheRightKindAndValue) {
  const NumberCase& test = GetParam();
  std::optional<Value> decoded = objectValueForSMCValue(test.value);
  ASSERT_TRUE(decoded) << test.name;
  EXPECT_EQ(decoded->kind(), test.kind) << test.name;
  EXPECT_EQ(numberValue(decoded), test.number) << test.name;
}

INSTANTIATE_TEST_SUITE_P(
    SMCValueDecoding, NumbersByType,
    ::testing::Values(NumberCase{"ui8 is unsigned", valueOf("ui8 ", {0xFF}), Value::Kind::Integer, 255},
                      NumberCase{"ui8 with a zero fourth byte", valueOf("ui8\0", {0x07}), Value::Kind::Integer, 7},
                      NumberCase{"byte", valueOf("byte", {0x80}), Value::Kind::Integer, 128},
                      NumberCase{"si8 is signed", valueOf("si8 ", {0xFF}), Value::Kind::Integer, -1},
                      NumberCase{"ui16 is big-endian", valueOf("ui16", {0x01, 0x02}), Value::Kind::Integer, 258},
                      NumberCase{"ui32 keeps its top bit", valueOf("ui32", {0xFF, 0, 0, 1}), Value::Kind::Integer,
                                 4278190081.0},
                      NumberCase{"flag 1 is YES", valueOf("flag", {1}), Value::Kind::Boolean, 1},
                      NumberCase{"flag 2 is NO", valueOf("flag", {2}), Value::Kind::Boolean, 0},
                      NumberCase{"sp78", valueOf("sp78", {0x2D, 0x80}), Value::Kind::Real, 45.5},
                      NumberCase{"sp78 negative", valueOf("sp78", {0xFF, 0x80}), Value::Kind::Real, -0.5},
                      NumberCase{"spf0 divides by one", valueOf("spf0", {0xFF, 0xFE}), Value::Kind::Real, -2},
                      NumberCase{"fpe2", valueOf("fpe2", {0x1F, 0x40}), Value::Kind::Real, 2000},
                      NumberCase{"fp1f top bit is not a sign", valueOf("fp1f", {0x80, 0x00}), Value::Kind::Real, 1},
                      NumberCase{"alv light reading", valueOf("{alv", {0, 1, 0x01, 0x00, 0, 0}), Value::Kind::Integer,
                                 256}));

struct DataCase {
  const char* name;
  TKSSMCValue value;
  std::size_t size;
};

class ValuesThatStayData : public ::testing::TestWithParam<DataCase> {};

TEST_P(ValuesThatStayData, decodeToTheirBytes) {
  const DataCase& test = GetParam();
  std::optional<Value> decoded = objectValueForSMCValue(test.value);
  ASSERT_TRUE(decoded && decoded->asData()) << test.name;
  EXPECT_EQ(decoded->asData()->size(), test.size) << test.name;
}

INSTANTIATE_TEST_SUITE_P(
    SMCValueDecoding, ValuesThatStayData,
    ::testing::Values(DataCase{"ui8 of two bytes", valueOf("ui8 ", {1, 2}), 2},
                      DataCase{"sp78 of one byte", valueOf("sp78", {1}), 1},
                      DataCase{"sp without a divisor", valueOf("sp99", {1, 2}), 2},
                      DataCase{"fpf0 is no fixed-point type", valueOf("fpf0", {1, 2}), 2},
                      DataCase{"upper-case hex digits are unknown", valueOf("sp4B", {1, 2}), 2},
                      DataCase{"si8 with a zero fourth byte", valueOf("si8\0", {1}), 1},
                      DataCase{"alv of ten bytes", valueOf("{alv", {0, 1, 0, 0, 0, 0, 0, 0x4B, 0, 0}), 10},
                      DataCase{"unknown type", valueOf("hex_", {0xAB}), 1},
                      DataCase{"a size beyond the record is cut to 32", valueOf("hex_", {1, 2}, 1000), 32}));

TEST(SMCValueDecoding, anEmptyValueDecodesToNothing) {
  EXPECT_FALSE(objectValueForSMCValue(valueOf("ui8 ", {}, 0)));
  EXPECT_FALSE(descriptionForSMCValue(valueOf("sp78", {}, 0)));
}

TEST(SMCValueDecoding, textsOfStringTypes) {
  EXPECT_EQ(*objectValueForSMCValue(valueOf("{rev", {0x01, 0x1E, 0x0F, 0x00, 0x00, 0x03}))->asString(), "1.30f3");
  TKSSMCValue descriptor = valueOf("{fds", {0, 0x0C, 0, 0, 'L', 'e', 'f', 't', 's', 'i', 'd', 'e', ' ', ' ', ' ', ' '});
  EXPECT_EQ(*objectValueForSMCValue(descriptor)->asString(), "Leftside    ");
  // Mac OS Roman 0x8E is é.
  EXPECT_EQ(*objectValueForSMCValue(valueOf("ch8*", {'C', 0x8E}))->asString(), "C\u00e9");
}

TEST(SMCValueDecoding, aDescriptorWithoutTerminatorStopsAfterThirteenBytes) {
  TKSSMCValue descriptor = valueOf("{fds", {0, 0, 0, 0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'});
  descriptor.bytes[16] = 'M';
  descriptor.bytes[17] = 'N';
  EXPECT_EQ(*objectValueForSMCValue(descriptor)->asString(), "ABCDEFGHIJKLM");
}

TEST(SMCValueDecoding, divisorsOfEveryKnownFixedPointName) {
  for (int fractionBits = 0; fractionBits <= 15; ++fractionBits) {
    const char digits[] = "0123456789abcdef";
    std::string signedName = std::string("sp") + digits[15 - fractionBits] + digits[fractionBits];
    EXPECT_EQ(divisorForFloatingPointCode(fourCharCodeForKeyString(signedName)), float(1 << fractionBits)) << signedName;
    if (fractionBits == 0) continue;
    std::string unsignedName = std::string("fp") + digits[16 - fractionBits] + digits[fractionBits];
    EXPECT_EQ(divisorForFloatingPointCode(fourCharCodeForKeyString(unsignedName)), float(1 << fractionBits)) << unsignedName;
  }
  for (const char* unknown : {"fpf0", "sp88", "fp78", "ui16", "spg0"}) {
    EXPECT_EQ(divisorForFloatingPointCode(fourCharCodeForKeyString(unknown)), -1.0f) << unknown;
  }
}

TEST(SMCValueDecoding, fourCharacterCodes) {
  EXPECT_EQ(fourCharCodeForKeyString("#KEY"), 0x234B4559u);
  EXPECT_EQ(stringForFourCharCode(0x75693800), "ui8 ");
  EXPECT_EQ(fourCharCodeForKeyString("TC0"), 0u);
  EXPECT_EQ(fourCharCodeForKeyString("TC0DX"), 0u);
  EXPECT_EQ(fourCharCodeForKeyString("T\u0416AB"), 0u);  // Cyrillic has no Mac OS Roman byte
}

TEST(SMCValueDecoding, readableTexts) {
  EXPECT_EQ(readableHexStringForData({0x0A, 0xFF}), "0a ff ");
  EXPECT_EQ(readableHexStringForData({}), "");
  EXPECT_EQ(descriptionForSMCValue(valueOf("sp78", {0x2D, 0x80})), "45.5");
  EXPECT_EQ(descriptionForSMCValue(valueOf("ui16", {0x01, 0x00})), "256");
  EXPECT_EQ(descriptionForSMCValue(valueOf("hex_", {0x0A, 0xFF})), "0a ff ");
}

}  // namespace
}  // namespace sw::smc
