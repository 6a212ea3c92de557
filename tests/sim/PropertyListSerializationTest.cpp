// Property-list files: every value kind survives both forms, and bytes that are no property list
// give an error, never a crash.
#include <gtest/gtest.h>

#include <string>

#include "foundation/PropertyListSerialization.h"

namespace sw {
namespace {

using Format = PropertyListSerialization::Format;

const Value kEveryKind(Dictionary{
    {"integer", Value::integer(-5)}, {"large", Value::integer(17179869184)}, {"real", Value::real(2.5)},
    {"whole real", Value::real(3.0)}, {"true", Value::boolean(true)},      {"false", Value::boolean(false)},
    {"data", Value(Data{0, 0xff, 0x10})}, {"empty data", Value(Data{})},   {"date", Value(Date{316000000.0})},
    {"text", Value("Grüße & <tags>")}, {"list", Value(Array{Value::integer(1), Value(Dictionary{}), Value(Array{})})},
});

std::string bytesOf(Format format) {
  Data bytes = PropertyListSerialization::dataFromPropertyList(kEveryKind, format);
  return std::string(bytes.begin(), bytes.end());
}

TEST(PropertyListFiles, EveryKindSurvivesBothForms) {
  for (Format format : {Format::XML, Format::Binary}) {
    std::string error;
    std::optional<Value> back = PropertyListSerialization::propertyListFromData(bytesOf(format), &error);
    ASSERT_TRUE(back.has_value()) << error;
    EXPECT_EQ(*back, kEveryKind);
    // Equality compares numbers by value; the kinds must stay apart too.
    EXPECT_EQ(back->find("whole real")->kind(), Value::Kind::Real);
    EXPECT_EQ(back->find("integer")->kind(), Value::Kind::Integer);
    EXPECT_EQ(back->find("true")->kind(), Value::Kind::Boolean);
  }
  EXPECT_TRUE(PropertyListSerialization::dataFromPropertyList(Value("text"), Format::XML).empty()) << "no root";
}

TEST(PropertyListFiles, BytesThatAreNoPropertyListGiveAnError) {
  std::string binary = bytesOf(Format::Binary);
  std::string corruptTrailer = binary;
  for (std::size_t index = corruptTrailer.size() - 26; index < corruptTrailer.size(); ++index) corruptTrailer[index] = '\xff';
  std::string deep;
  for (int level = 0; level < 5000; ++level) deep += "<array>";
  std::string nested = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int level = 0; level < 300; ++level) nested += "<array>";
  for (int level = 0; level < 300; ++level) nested += "</array>";
  const std::pair<std::string, const char*> kInputs[] = {
      {"", "the file is empty"},
      {"hello", "the file is no property list (neither XML nor binary)"},
      {nested + "</plist>", "the property list is nested too deeply"},
      {"bplist00", nullptr},
      {binary.substr(0, binary.size() / 2), nullptr},
      {corruptTrailer, nullptr},
      {"<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>", nullptr},
      {"<plist version=\"1.0\"><integer>12</integer></plist>", nullptr},
      {"<?xml version=\"1.0\"?><plist version=\"1.0\">" + deep, nullptr},
      {std::string("\0\0\0\0", 4), nullptr},
  };
  for (const auto& [input, message] : kInputs) {
    std::string error;
    std::optional<Value> value = PropertyListSerialization::propertyListFromData(input, &error);
    if (message != nullptr) {
      EXPECT_FALSE(value.has_value()) << input.substr(0, 40);
      EXPECT_EQ(error, message);
    } else if (!value) {
      EXPECT_FALSE(error.empty()) << input.substr(0, 40);
    }
  }
}

}  // namespace
}  // namespace sw
