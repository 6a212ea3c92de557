// Property-list values: the description texts appear in logs and %@ output, equality decides
// whether stored preferences changed, and conversions must stay defined for any stored number.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/Value.h"

namespace sw {
namespace {

TEST(ValueDescription, NestedContainersIndentByFourSpacesPerLevel) {
  Value value(Dictionary{
      {"Fans", Value(Array{Value("CPU"), Value("two words"), Value(Array{})})},
      {"Count", Value::integer(2)},
      {"Limits", Value(Dictionary{{"max", Value::real(2.5)}})},
  });
  EXPECT_EQ(value.description(),
            "{\n"
            "    Count = 2;\n"
            "    Fans = (\n"
            "        CPU,\n"
            "        \"two words\",\n"
            "        (\n"
            "        )\n"
            "    );\n"
            "    Limits = {\n"
            "        max = 2.5;\n"
            "    };\n"
            "}");
  EXPECT_EQ(Value(Dictionary{}).description(), "{\n}");
}

TEST(ValueDescription, StringsAreQuotedAndEscapedOnlyWhenTheyNeedIt) {
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"TC0D", "TC0D"}, {"", "\"\""}, {"with space", "\"with space\""}, {"smc.fan-1", "\"smc.fan-1\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""}, {"line\nbreak\ttab", "\"line\\nbreak\\ttab\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Value(Array{Value(c.text)}).description(), std::string("(\n    ") + c.expected + "\n)") << c.text;
    EXPECT_EQ(Value(c.text).description(), c.text) << "a string on its own is never quoted";
  }
  EXPECT_EQ(Value(Dictionary{{"a key", Value("x")}}).description(), "{\n    \"a key\" = x;\n}");
}

TEST(ValueDescription, ScalarsPrintAsThePlatformPrintsThemAndADateBeyondTheCalendarAsSeconds) {
  EXPECT_EQ(Value::real(1.0).description(), "1");
  EXPECT_EQ(Value::boolean(true).description(), "1");
  EXPECT_EQ(Value(Data{0x00, 0x11, 0xaa, 0xbb, 0xcc}).description(), "<0011aabb cc>");
  EXPECT_EQ(Value(Date{0.0}).description(), "2001-01-01 00:00:00 +0000");
  EXPECT_EQ(Value(Date{-978307200.5}).description(), "1969-12-31 23:59:59 +0000");
  EXPECT_EQ(Value(Date{1e300}).description(), "1e+300 seconds since 2001-01-01 00:00:00 +0000");
  EXPECT_EQ(Value(Date{std::nan("")}).description(), "nan seconds since 2001-01-01 00:00:00 +0000");
}

TEST(ValueEquality, IntegersAndRealsCompareByExactValueAndOtherKindsNeverMatchAcross) {
  EXPECT_EQ(Value::integer(1), Value::real(1.0));
  EXPECT_NE(Value::integer(1), Value::real(1.5));
  EXPECT_NE(Value::integer(9007199254740993), Value::real(9007199254740992.0));
  EXPECT_NE(Value::integer(std::numeric_limits<std::int64_t>::max()), Value::real(0x1p63));
  EXPECT_EQ(Value::integer(std::numeric_limits<std::int64_t>::min()), Value::real(-0x1p63));
  EXPECT_NE(Value::integer(0), Value::real(std::nan("")));
  EXPECT_NE(Value::real(std::nan("")), Value::real(std::nan("")));
  EXPECT_NE(Value::boolean(true), Value::integer(1));
  EXPECT_NE(Value("1"), Value::integer(1));
  EXPECT_EQ(Value(Dictionary{{"k", Value::integer(2)}}), Value(Dictionary{{"k", Value::real(2.0)}}));
}

TEST(ValueConversion, RealsBecomeIntegersWithoutUndefinedBehaviour) {
  EXPECT_EQ(Value::real(2.9).asInteger(), 2);
  EXPECT_EQ(Value::real(1e300).asInteger(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Value::real(std::numeric_limits<double>::infinity()).asInteger(),
            std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(Value::real(std::nan("")).asInteger(), 0);
  EXPECT_FALSE(Value::boolean(true).asInteger());
  EXPECT_FALSE(Value("12").asInteger());
  EXPECT_FALSE(Value::integer(1).asBoolean());
}

}  // namespace
}  // namespace sw
