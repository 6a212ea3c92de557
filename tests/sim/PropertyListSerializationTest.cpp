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

// Damaged bytes that merely must not crash are replayed by the property-list fuzz corpus; these
// are the refusals whose reason a user reads.
TEST(PropertyListFiles, BytesThatAreNoPropertyListGiveTheirReason) {
  std::string nested = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int level = 0; level < 300; ++level) nested += "<array>";
  for (int level = 0; level < 300; ++level) nested += "</array>";
  const std::pair<std::string, const char*> kInputs[] = {
      {"", "the file is empty"},
      {nested + "</plist>", "the property list is nested too deeply"},
  };
  for (const auto& [input, message] : kInputs) {
    std::string error;
    EXPECT_FALSE(PropertyListSerialization::propertyListFromData(input, &error).has_value()) << message;
    EXPECT_EQ(error, message);
  }
}

}  // namespace
}  // namespace sw
