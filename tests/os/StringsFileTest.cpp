// String tables as translators write them, and broken ones that must read as nothing.
#include <gtest/gtest.h>

#include "foundation/TextEncoding.h"
#include "os/Bundle.h"

namespace sw::os {
namespace {

std::string utf16Bytes(std::string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : utf8ToUTF16(text)) {
    char high = static_cast<char>(unit >> 8);
    char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

constexpr const char* kGerman = "/* Deutsch */\r\n\"Fan\" = \"Lüfter\";\r\n\"Euro\" = \"€\";\r\n";

Dictionary entries(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  Dictionary dictionary;
  for (const auto& [key, value] : pairs) dictionary.emplace(key, Value(value));
  return dictionary;
}

TEST(StringsFileShapes, TablesAsTranslatorsWriteThemAreRead) {
  struct Case {
    const char* name;
    std::string bytes;
    Dictionary expected;
  };
  const Case cases[] = {
      {"comments between entries",
       "/* Sensor locations */\n\"CPU\" = \"Prozessor\"; // the die\n/* multi\n line */ \"GPU\" = \"Grafik\";\n",
       entries({{"CPU", "Prozessor"}, {"GPU", "Grafik"}})},
      {"CRLF line ends and a UTF-8 byte-order mark", "\xEF\xBB\xBF\"a\" = \"b\";\r\n\"c\" = \"d\";\r\n",
       entries({{"a", "b"}, {"c", "d"}})},
      {"unquoted keys and values", "ELLIPSIS = ...;\nunit.mAh = mAh;", entries({{"ELLIPSIS", "..."}, {"unit.mAh", "mAh"}})},
      {"a key alone maps to itself", "\"Fan\";", entries({{"Fan", "Fan"}})},
      {"escapes", R"("q" = "say \"hi\" \\ now\n\tand\r";)", entries({{"q", "say \"hi\" \\ now\n\tand\r"}})},
      {"unicode escapes, upper and lower", R"("k" = "\U00e4\u20ac";)", entries({{"k", "ä€"}})},
      {"an escaped surrogate pair is one character", R"("k" = "\UD83D\UDE00";)", entries({{"k", "\U0001F600"}})},
      {"a lone escaped surrogate becomes the replacement", R"("k" = "\UD83Dx";)", entries({{"k", "\uFFFDx"}})},
      {"fewer than four hex digits end at the first non-digit", R"("k" = "\U41z";)", entries({{"k", "Az"}})},
      {"a later duplicate wins", "\"a\" = \"1\";\n\"a\" = \"2\";", entries({{"a", "2"}})},
      {"empty file", "", Dictionary{}},
      {"UTF-16 big-endian", utf16Bytes(kGerman, true), entries({{"Fan", "Lüfter"}, {"Euro", "€"}})},
      {"UTF-16 little-endian", utf16Bytes(kGerman, false), entries({{"Fan", "Lüfter"}, {"Euro", "€"}})},
      {"an odd UTF-16 byte at the end", utf16Bytes("\"a\" = \"b\";", false) + '\0', entries({{"a", "b"}})},
      {"invalid UTF-8", "\"a\" = \"b\xFF\";", entries({{"a", "b\uFFFD"}})},
  };
  for (const Case& c : cases) {
    std::optional<Dictionary> parsed = parseStringsFile(c.bytes);
    ASSERT_TRUE(parsed) << c.name;
    EXPECT_EQ(*parsed, c.expected) << c.name;
  }
}

TEST(StringsFileBroken, AMalformedTableReadsAsNothingRatherThanHalfTranslated) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"trailing garbage", "\"a\" = \"b\";\n}"},         {"missing semicolon", "\"a\" = \"b\"\n\"c\" = \"d\";"},
      {"missing value", "\"a\" = ;"},                    {"unterminated string", "\"a\" = \"b;"},
      {"unterminated comment", "\"a\" = \"b\"; /* never closed"}, {"backslash at the very end", "\"a\" = \"b\\"},
      {"unicode escape without digits", R"("a" = "\U";)"}, {"unicode escape cut by the end", "\"a\" = \"\\U"},
      {"a stray equals sign", "= \"b\";"},                 {"a value with a blank, unquoted", "a = b c;"},
  };
  for (const Case& c : cases) EXPECT_FALSE(parseStringsFile(c.bytes)) << c.name;
  EXPECT_FALSE(parseStringsFile(std::string(9 * 1024 * 1024, ' '))) << "an oversized file is refused unparsed";
}

}  // namespace
}  // namespace sw::os
