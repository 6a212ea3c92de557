// Property integers as a real registry dump holds them: a negative battery current is printed by
// the platform as an unsigned 64-bit number, and such a number must come back bit for bit from
// every file form, print as the unsigned number, and still give its low 32 bits to a 32-bit read.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "foundation/PropertyListSerialization.h"

namespace sw {
namespace {

using Format = PropertyListSerialization::Format;

constexpr std::uint64_t kMinus1000AsUnsigned = 18446744073709550616ULL;
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

std::string text(const Data& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(UnsignedInteger, KeepsItsBitsForA32BitReadButPrintsAndComparesAsTheUnsignedNumber) {
  Value current = Value::unsignedInteger(kMinus1000AsUnsigned);
  EXPECT_TRUE(current.isUnsignedInteger());
  EXPECT_EQ(current.asInteger(), -1000) << "the 64-bit pattern, read as signed";
  EXPECT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(*current.asInteger())), -1000);
  EXPECT_EQ(current.description(), "18446744073709550616");
  EXPECT_EQ(Value(Array{current}).description(), "(\n    18446744073709550616\n)");
  EXPECT_EQ(current.asReal(), 18446744073709550616.0);
  EXPECT_NE(current, Value::integer(-1000)) << "the same bits, but another number";
  EXPECT_EQ(current, Value::unsignedInteger(kMinus1000AsUnsigned));

  EXPECT_EQ(Value::unsignedInteger(0x8000000000000000ULL), Value::real(0x1p63));
  EXPECT_NE(Value::integer(kInt64Min), Value::real(0x1p63));
  EXPECT_NE(Value::unsignedInteger(std::numeric_limits<std::uint64_t>::max()), Value::real(0x1p64));
}

TEST(UnsignedInteger, WithinTheSignedRangeIsTheSameValueAsTheSignedInteger) {
  for (std::uint64_t number : {std::uint64_t{0}, std::uint64_t{5}, static_cast<std::uint64_t>(kInt64Max)}) {
    Value value = Value::unsignedInteger(number);
    EXPECT_FALSE(value.isUnsignedInteger()) << number;
    EXPECT_EQ(value, Value::integer(static_cast<std::int64_t>(number))) << number;
  }
}

struct IntegerInFile {
  const char* xmlText;
  Value expected;
};

const IntegerInFile kIntegersInFiles[] = {
    {"18446744073709550616", Value::unsignedInteger(kMinus1000AsUnsigned)},
    {"-1000", Value::integer(-1000)},
    {"9223372036854775808", Value::unsignedInteger(0x8000000000000000ULL)},
    {"18446744073709551615", Value::unsignedInteger(std::numeric_limits<std::uint64_t>::max())},
    {"-9223372036854775808", Value::integer(kInt64Min)},
    {"-1", Value::integer(-1)},
    {"9223372036854775807", Value::integer(kInt64Max)},
};

TEST(IntegerInFile, SurvivesReadingAndWritingInBothFormsWithItsSignedness) {
  for (const IntegerInFile& c : kIntegersInFiles) {
    std::string xml = std::string("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Amperage</key><integer>") +
                      c.xmlText + "</integer></dict></plist>";
    std::optional<Value> read = PropertyListSerialization::propertyListFromData(xml);
    ASSERT_TRUE(read) << c.xmlText;
    const Value& number = *read->find("Amperage");
    EXPECT_EQ(number, c.expected) << c.xmlText;
    EXPECT_EQ(number.isUnsignedInteger(), c.expected.isUnsignedInteger()) << c.xmlText;
    EXPECT_EQ(number.description(), c.xmlText);

    std::string written = text(PropertyListSerialization::dataFromPropertyList(*read, Format::XML));
    EXPECT_NE(written.find(std::string("<integer>") + c.xmlText + "</integer>"), std::string::npos) << written;

    Data binary = PropertyListSerialization::dataFromPropertyList(*read, Format::Binary);
    std::optional<Value> back = PropertyListSerialization::propertyListFromData(text(binary));
    ASSERT_TRUE(back) << c.xmlText;
    EXPECT_EQ(*back->find("Amperage"), c.expected) << c.xmlText;
    EXPECT_EQ(back->find("Amperage")->isUnsignedInteger(), c.expected.isUnsignedInteger()) << c.xmlText;
  }
}

TEST(IntegerInFile, AnUnsignedValueMadeInMemoryIsWrittenUnsigned) {
  Value battery(Dictionary{{"Amperage", Value::unsignedInteger(kMinus1000AsUnsigned)}, {"Voltage", Value::integer(12300)}});
  for (Format format : {Format::XML, Format::Binary}) {
    std::optional<Value> back =
        PropertyListSerialization::propertyListFromData(text(PropertyListSerialization::dataFromPropertyList(battery, format)));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, battery);
    EXPECT_TRUE(back->find("Amperage")->isUnsignedInteger());
  }
}

}  // namespace
}  // namespace sw
