// Property-list files: every value kind survives both forms, and bytes that are no property list
// give an error, never a crash.
#include <gtest/gtest.h>

#include <string>

#include "foundation/PropertyListSerialization.h"

namespace sw {
namespace {

Value everyKind() {
  return Value(Dictionary{
      {"integer", Value::integer(-5)},
      {"large", Value::integer(17179869184)},
      {"real", Value::real(2.5)},
      {"whole real", Value::real(3.0)},
      {"true", Value::boolean(true)},
      {"false", Value::boolean(false)},
      {"data", Value(Data{0, 0xff, 0x10})},
      {"empty data", Value(Data{})},
      {"date", Value(Date{316000000.0})},
      {"text", Value("Grüße & <tags>")},
      {"list", Value(Array{Value::integer(1), Value(Dictionary{}), Value(Array{})})},
  });
}

TEST(PropertyListFiles, EveryKindSurvivesBothForms) {
  for (auto format : {PropertyListSerialization::Format::XML, PropertyListSerialization::Format::Binary}) {
    Data bytes = PropertyListSerialization::dataFromPropertyList(everyKind(), format);
    std::string error;
    std::optional<Value> back = PropertyListSerialization::propertyListFromData(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
    ASSERT_TRUE(back.has_value()) << error;
    EXPECT_EQ(*back, everyKind());
    // Equality compares numbers by value; the kinds must stay apart too.
    EXPECT_EQ(back->find("whole real")->kind(), Value::Kind::Real);
    EXPECT_EQ(back->find("integer")->kind(), Value::Kind::Integer);
    EXPECT_EQ(back->find("true")->kind(), Value::Kind::Boolean);
  }
}

TEST(PropertyListFiles, AValueThatCannotBeARootGivesNoBytes) {
  EXPECT_TRUE(PropertyListSerialization::dataFromPropertyList(Value("text"), PropertyListSerialization::Format::XML).empty());
}

TEST(PropertyListFiles, BytesThatAreNoPropertyListGiveAnError) {
  Data binary = PropertyListSerialization::dataFromPropertyList(everyKind(), PropertyListSerialization::Format::Binary);
  std::string truncatedBinary(binary.begin(), binary.begin() + static_cast<std::ptrdiff_t>(binary.size() / 2));
  std::string corruptTrailer(binary.begin(), binary.end());
  for (std::size_t index = corruptTrailer.size() - 26; index < corruptTrailer.size(); ++index) corruptTrailer[index] = '\xff';
  std::string deep;
  for (int level = 0; level < 5000; ++level) deep += "<array>";
  const std::string kInputs[] = {
      "",
      "hello",
      "bplist00",
      truncatedBinary,
      corruptTrailer,
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>",
      "<plist version=\"1.0\"><integer>12</integer></plist>",
      "<?xml version=\"1.0\"?><plist version=\"1.0\">" + deep,
      std::string("\0\0\0\0", 4),
  };
  for (const std::string& input : kInputs) {
    std::string error;
    std::optional<Value> value = PropertyListSerialization::propertyListFromData(input, &error);
    if (!value) {
      EXPECT_FALSE(error.empty()) << input.substr(0, 40);
    }
  }
  std::string error;
  std::string nested = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int level = 0; level < 300; ++level) nested += "<array>";
  for (int level = 0; level < 300; ++level) nested += "</array>";
  EXPECT_FALSE(PropertyListSerialization::propertyListFromData(nested + "</plist>", &error).has_value());
  EXPECT_EQ(error, "the property list is nested too deeply");
  EXPECT_FALSE(PropertyListSerialization::propertyListFromData("hello", &error).has_value());
  EXPECT_EQ(error, "the file is no property list (neither XML nor binary)");
  EXPECT_FALSE(PropertyListSerialization::propertyListFromData("", &error).has_value());
  EXPECT_EQ(error, "the file is empty");
}

}  // namespace
}  // namespace sw
