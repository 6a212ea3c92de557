// The SMC key list of a profile: the key count the controller reports, hidden keys, numbers
// encoded by their type and keys that follow a signal.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "sim/SMCKeyTable.h"

namespace sw::sim {
namespace {

Value keyWith(const char* code, Value type, const char* field, Value content, Dictionary extra = {}) {
  extra.emplace("Key", Value(code));
  extra.emplace("Type", std::move(type));
  extra.emplace(field, std::move(content));
  return Value(std::move(extra));
}

/// The key a list of this one key makes, the key count put before it aside.
SMCKey parsedKey(Value key) { return SMCKeyTable::parse(Value(Array{std::move(key)}), "keys").keys().at(1); }

std::vector<std::string> listedNames(const SMCKeyTable& table) {
  std::vector<std::string> names;
  for (std::size_t index = 0; const SMCKey* key = table.keyAtIndex(index); ++index) names.push_back(fourCharCodeText(key->code));
  return names;
}

TEST(SMCKeyCount, WithoutACountKeyOneIsPutFirstCountingItselfButNotHiddenKeys) {
  SMCKeyTable table = SMCKeyTable::parse(
      Value(Array{keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d, 0x80})),
                  keyWith("FNum", Value("ui8 "), "Value", Value::integer(2)),
                  keyWith("MSAl", Value("ui8 "), "Value", Value::integer(1), {{"Hidden", Value::boolean(true)}})}),
      "keys");
  EXPECT_EQ(listedNames(table), (std::vector<std::string>{"#KEY", "TC0D", "FNum"}));
  EXPECT_EQ(fourCharCodeText(table.keyAtIndex(0)->type), "ui32");
  EXPECT_EQ(table.keyAtIndex(0)->bytes, (Data{0, 0, 0, 3}));
  EXPECT_EQ(fourCharCodeText(table.keys().back().code), "MSAl") << "a hidden key is still kept for reads by name";

  table = SMCKeyTable::parse(Value(Array{keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d, 0x80})),
                                         keyWith("#KEY", Value("ui32"), "Value", Value::integer(7))}),
                             "keys");
  EXPECT_EQ(listedNames(table), (std::vector<std::string>{"TC0D", "#KEY"})) << "a listed count keeps its place";
  EXPECT_EQ(table.keyAtIndex(1)->bytes, (Data{0, 0, 0, 7}));
}

TEST(SMCKeyValues, ANumberIsEncodedAsItsTypeDeliversIt) {
  const std::tuple<Value, Value, Data> kEncodings[] = {
      {Value("sp78"), Value::real(-1.0), {0xff, 0x00}},    {Value("fpe2"), Value::integer(2000), {0x1f, 0x40}},
      {Value("ui8 "), Value::integer(255), {0xff}},        {Value("si8 "), Value::integer(-2), {0xfe}},
      {Value("ui32"), Value::integer(16909060), {1, 2, 3, 4}}, {Value("flag"), Value::boolean(true), {1}},
      {Value(Data{'u', 'i', '8', 0}), Value::integer(2), {2}},  // a type code as data may hold a zero byte
  };
  for (const auto& [type, value, bytes] : kEncodings) {
    EXPECT_EQ(parsedKey(keyWith("TEST", type, "Value", value)).bytes, bytes) << type.description() << " " << value.description();
  }
  EXPECT_EQ(parsedKey(keyWith("TC0D", Value("sp78"), "Bytes", Value(Data{0x2d}))).bytes, (Data{0x2d}))
      << "bytes are kept as given even when they do not match the type";
}

// The listing importer bases a key's signal on this reading; a sign or bit-split slip would make
// the imported profiles' temperatures and fans move around the wrong value.
TEST(SMCKeyValues, FixedPointBytesReadBackAsTheNumberTheyHold) {
  const std::tuple<const char*, Data, std::optional<double>> kReadings[] = {
      {"sp78", {0x2d, 0x80}, 45.5}, {"sp78", {0xff, 0x00}, -1.0}, {"fpe2", {0x1f, 0x40}, 2000.0},
      {"sp1e", {0x80, 0x00}, -2.0}, {"fp88", {0xff, 0xff}, 255.99609375},
      {"ui16", {0x00, 0x10}, std::nullopt},  // an integer type is no fixed-point reading
      {"fp78", {0x00, 0x10}, std::nullopt},  // unsigned, yet its bits do not add up to 16
      {"sp78", {0x2d}, std::nullopt},         // bytes short of the type's size
  };
  for (const auto& [type, bytes, number] : kReadings) {
    EXPECT_EQ(fixedPointValue(parsedKey(keyWith("TEST", Value(type), "Bytes", Value(bytes))).type, bytes), number) << type;
  }
}

// A key following its signal over time shows in the SMC sensor tests; here the bound of its type.
TEST(SMCKeyValues, ASignalBeyondItsTypeIsSaturated) {
  SMCKey beyond = parsedKey(keyWith("FNum", Value("ui8 "), "Value", Value::integer(1),
                                    {{"Signal", Value(Dictionary{{"Base", Value::integer(1000)}})}}));
  EXPECT_EQ(beyond.currentBytes(), (Data{0xff}));
}

}  // namespace
}  // namespace sw::sim
