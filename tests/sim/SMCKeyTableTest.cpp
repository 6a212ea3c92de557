// The SMC key list of a profile: the key count the controller reports, hidden keys, numbers
// encoded by their type and keys that follow a signal.
#include <gtest/gtest.h>

#include "os/Clock.h"
#include "sim/SMCKeyTable.h"

namespace sw::sim {
namespace {

Value keyWith(const char* code, Value type, const char* field, Value content, Dictionary extra = {}) {
  extra.emplace("Key", Value(code));
  extra.emplace("Type", std::move(type));
  extra.emplace(field, std::move(content));
  return Value(std::move(extra));
}

std::vector<std::string> listedNames(const SMCKeyTable& table) {
  std::vector<std::string> names;
  for (std::size_t index = 0; const SMCKey* key = table.keyAtIndex(index); ++index) names.push_back(fourCharCodeText(key->code));
  return names;
}

constexpr FourCharCode code(const char (&text)[5]) {
  return static_cast<FourCharCode>(static_cast<unsigned char>(text[0])) << 24 |
         static_cast<FourCharCode>(static_cast<unsigned char>(text[1])) << 16 |
         static_cast<FourCharCode>(static_cast<unsigned char>(text[2])) << 8 | static_cast<unsigned char>(text[3]);
}

TEST(SMCKeyCount, WithoutACountKeyOneIsPutFirstCountingItselfButNotHiddenKeys) {
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d, 0x80})),
                  keyWith("FNum", Value("ui8 "), "Value", Value::integer(2)),
                  keyWith("MSAl", Value("ui8 "), "Value", Value::integer(1), {{"Hidden", Value::boolean(true)}})}),
      "keys");
  EXPECT_EQ(listedNames(table), (std::vector<std::string>{"#KEY", "TC0D", "FNum"}));
  const SMCKey* count = table.keyWithCode(code("#KEY"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(fourCharCodeText(count->type), "ui32");
  EXPECT_EQ(count->bytes, (Data{0, 0, 0, 3}));
  EXPECT_NE(table.keyWithCode(code("MSAl")), nullptr) << "a hidden key is readable by name";
  EXPECT_EQ(table.keyAtIndex(3), nullptr);
}

TEST(SMCKeyCount, AListedCountKeyKeepsItsPlaceAndValue) {
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d, 0x80})),
                  keyWith("#KEY", Value("ui32"), "Value", Value::integer(7))}),
      "keys");
  EXPECT_EQ(listedNames(table), (std::vector<std::string>{"TC0D", "#KEY"}));
  EXPECT_EQ(table.keyWithCode(code("#KEY"))->bytes, (Data{0, 0, 0, 7}));
}

struct Encoding {
  const char* type;
  Value value;
  Data bytes;
};

TEST(SMCKeyValues, ANumberIsEncodedAsItsTypeDeliversIt) {
  const Encoding kEncodings[] = {
      {"sp78", Value::real(45.5), {0x2d, 0x80}},   {"sp78", Value::real(-1.0), {0xff, 0x00}},
      {"fpe2", Value::integer(2000), {0x1f, 0x40}}, {"fp88", Value::real(1.5), {0x01, 0x80}},
      {"ui8 ", Value::integer(255), {0xff}},        {"si8 ", Value::integer(-2), {0xfe}},
      {"ui16", Value::integer(1300), {0x05, 0x14}}, {"ui32", Value::integer(16909060), {1, 2, 3, 4}},
      {"flag", Value::boolean(true), {1}},          {"sp5a", Value::real(-0.5), {0xfe, 0x00}},
  };
  for (const Encoding& encoding : kEncodings) {
    SMCKeyTable table = SMCKeyTable::parse(Value(Array{keyWith("TEST", Value(encoding.type), "Value", encoding.value)}), "keys");
    EXPECT_EQ(table.keyWithCode(code("TEST"))->bytes, encoding.bytes) << encoding.type << " " << encoding.value.description();
  }
}

TEST(SMCKeyValues, ATypeCodeAsDataMayHoldAZeroByte) {
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("FNum", Value(Data{'u', 'i', '8', 0}), "Value", Value::integer(2))}), "keys");
  const SMCKey* key = table.keyWithCode(code("FNum"));
  EXPECT_EQ(key->type, 0x75693800u);
  EXPECT_EQ(key->bytes, (Data{2}));
}

TEST(SMCKeyValues, BytesAreKeptAsGivenEvenWhenTheyDoNotMatchTheType) {
  SMCKeyTable table = SMCKeyTable::parse(Value(Array{keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d}))}), "keys");
  EXPECT_EQ(table.keyWithCode(code("TC0D"))->bytes, (Data{0x2d}));
}

TEST(SMCKeyValues, AKeyWithASignalDeliversItsValueAtTheTimeOfReading) {
  os::ManualClock clock(1000.0);
  Dictionary signal{{"Base", Value::integer(40)}, {"Amplitude", Value::integer(20)}, {"Period", Value::integer(100)}};
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("TC0D", Value("sp78"), "Value", Value::integer(40), {{"Signal", Value(signal)}})}), "keys");
  const SMCKey* key = table.keyWithCode(code("TC0D"));
  EXPECT_EQ(key->currentBytes(), (Data{40, 0}));
  clock.advance(25);
  EXPECT_EQ(key->currentBytes(), (Data{60, 0}));
}

TEST(SMCKeyValues, ASignalBeyondItsTypeSaturates) {
  os::ManualClock clock(1000.0);
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("FNum", Value("ui8 "), "Value", Value::integer(1),
                          {{"Signal", Value(Dictionary{{"Base", Value::integer(1000)}})}})}),
      "keys");
  EXPECT_EQ(table.keyWithCode(code("FNum"))->currentBytes(), (Data{0xff}));
}

TEST(SMCKeyValues, FailingKeysAreMarked) {
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d, 0x80}), {{"Fail", Value::boolean(true)}})}),
      "keys");
  EXPECT_TRUE(table.keyWithCode(code("TC0D"))->fails);
  EXPECT_FALSE(table.keyWithCode(code("#KEY"))->fails);
}

}  // namespace
}  // namespace sw::sim
