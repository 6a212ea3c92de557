// Decoding of SMC values by data type, key codes and the texts of values.
#include <gtest/gtest.h>

#include <tuple>

#include "smc/SMCValueDecoding.h"

namespace sw::smc {
namespace {

TKSSMCValue valueOf(const char (&type)[5], std::initializer_list<std::uint8_t> bytes, std::uint32_t size = 0) {
  TKSSMCValue value;
  for (int index = 0; index < 4; ++index) value.dataType = (value.dataType << 8) | std::uint8_t(type[index]);
  value.dataSize = size != 0 ? size : std::uint32_t(bytes.size());
  std::copy(bytes.begin(), bytes.end(), value.bytes.begin());
  return value;
}

TEST(SMCValueDecoding, numbersDecodeToTheRightKindAndValue) {
  const std::tuple<const char*, TKSSMCValue, Value::Kind, double> kNumbers[] = {
      {"ui8 is unsigned", valueOf("ui8 ", {0xFF}), Value::Kind::Integer, 255},
      {"ui8 with a zero fourth byte", valueOf("ui8\0", {0x07}), Value::Kind::Integer, 7},
      {"byte", valueOf("byte", {0x80}), Value::Kind::Integer, 128},
      {"si8 is signed", valueOf("si8 ", {0xFF}), Value::Kind::Integer, -1},
      {"ui16 is big-endian", valueOf("ui16", {0x01, 0x02}), Value::Kind::Integer, 258},
      {"ui32 keeps its top bit", valueOf("ui32", {0xFF, 0, 0, 1}), Value::Kind::Integer, 4278190081.0},
      {"flag 1 is YES", valueOf("flag", {1}), Value::Kind::Boolean, 1},
      {"flag 2 is NO", valueOf("flag", {2}), Value::Kind::Boolean, 0},
      {"sp78 negative", valueOf("sp78", {0xFF, 0x80}), Value::Kind::Real, -0.5},
      {"spf0 divides by one", valueOf("spf0", {0xFF, 0xFE}), Value::Kind::Real, -2},
      {"fp1f top bit is not a sign", valueOf("fp1f", {0x80, 0x00}), Value::Kind::Real, 1},
      {"alv light reading", valueOf("{alv", {0, 1, 0x01, 0x00, 0, 0}), Value::Kind::Integer, 256},
  };
  for (const auto& [name, value, kind, number] : kNumbers) {
    std::optional<Value> decoded = objectValueForSMCValue(value);
    ASSERT_TRUE(decoded) << name;
    EXPECT_EQ(decoded->kind(), kind) << name;
    EXPECT_EQ(numberValue(decoded), number) << name;
  }
}

TEST(SMCValueDecoding, valuesOfTheWrongSizeOrAnUnknownTypeStayDataCutToTheRecord) {
  const std::pair<const char*, TKSSMCValue> kData[] = {
      {"sp78 of one byte", valueOf("sp78", {1})},
      {"sp without a divisor", valueOf("sp99", {1, 2})},
      {"si8 with a zero fourth byte", valueOf("si8\0", {1})},
      {"alv of ten bytes", valueOf("{alv", {0, 1, 0, 0, 0, 0, 0, 0x4B, 0, 0})},
      {"unknown type", valueOf("hex_", {0xAB})},
      {"a size beyond the record", valueOf("hex_", {1, 2}, 1000)},
  };
  for (const auto& [name, value] : kData) {
    std::optional<Value> decoded = objectValueForSMCValue(value);
    ASSERT_TRUE(decoded && decoded->asData()) << name;
    EXPECT_EQ(decoded->asData()->size(), std::min(value.dataSize, 32u)) << name;
  }
  EXPECT_FALSE(objectValueForSMCValue(valueOf("ui8 ", {})));
  EXPECT_FALSE(descriptionForSMCValue(valueOf("sp78", {})));
}

// A terminated fan descriptor shows in the fan sensor tests.
TEST(SMCValueDecoding, textsOfStringTypesAndADescriptorWithoutTerminator) {
  EXPECT_EQ(*objectValueForSMCValue(valueOf("{rev", {0x01, 0x1E, 0x0F, 0x00, 0x00, 0x03}))->asString(), "1.30f3");
  EXPECT_EQ(*objectValueForSMCValue(valueOf("ch8*", {'C', 0x8E}))->asString(), "C\u00e9");  // Mac OS Roman 0x8E
  TKSSMCValue unterminated = valueOf("{fds", {0, 0, 0, 0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'});
  unterminated.bytes[16] = 'M';
  unterminated.bytes[17] = 'N';
  EXPECT_EQ(*objectValueForSMCValue(unterminated)->asString(), "ABCDEFGHIJKLM");
}

TEST(SMCValueDecoding, divisorsOfEveryKnownFixedPointName) {
  const char digits[] = "0123456789abcdef";
  for (int fractionBits = 0; fractionBits <= 15; ++fractionBits) {
    std::string signedName = std::string("sp") + digits[15 - fractionBits] + digits[fractionBits];
    EXPECT_EQ(divisorForFloatingPointCode(fourCharCodeForKeyString(signedName)), float(1 << fractionBits)) << signedName;
    if (fractionBits == 0) continue;
    std::string unsignedName = std::string("fp") + digits[16 - fractionBits] + digits[fractionBits];
    EXPECT_EQ(divisorForFloatingPointCode(fourCharCodeForKeyString(unsignedName)), float(1 << fractionBits)) << unsignedName;
  }
  for (const char* unknown : {"fpf0", "sp88", "fp78", "ui16", "spg0", "sp4B"}) {
    EXPECT_EQ(divisorForFloatingPointCode(fourCharCodeForKeyString(unknown)), -1.0f) << unknown;
  }
}

TEST(SMCValueDecoding, keyCodesOfTheWrongLengthOrCharactersAreZeroAndTextsOfValues) {
  for (const char* bad : {"TC0", "TC0DX", "T\u0416AB"}) EXPECT_EQ(fourCharCodeForKeyString(bad), 0u) << bad;
  EXPECT_EQ(readableHexStringForData({}), "");
  EXPECT_EQ(descriptionForSMCValue(valueOf("sp78", {0x2D, 0x80})), "45.5");
  EXPECT_EQ(descriptionForSMCValue(valueOf("hex_", {0x0A, 0xFF})), "0a ff ");
}

}  // namespace
}  // namespace sw::smc
