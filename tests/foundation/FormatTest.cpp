// The formatter: the texts the widget shows depend on exact widths, signs and characters, and
// format texts from string tables must never crash it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "foundation/Format.h"

namespace sw {
namespace {

struct Named {
  std::string description() const { return "named object"; }
};

TEST(FormatReadings, FieldWidthsAndPrecisionsPadAsTheWidgetExpectsAndNonFiniteRealsAreWords) {
  EXPECT_EQ(stringWithFormat("%7.1f", 50.0), "   50.0");
  EXPECT_EQ(stringWithFormat("%7.0f", 50.0), "     50");
  EXPECT_EQ(stringWithFormat("%5.2f|%-8.3f|", 3.14159, 2.5), " 3.14|2.500   |");
  EXPECT_EQ(stringWithFormat("%+d % d %05d %-4d|", 5, 7, -42, 3), "+5  7 -0042 3   |");
  EXPECT_EQ(stringWithFormat("%g %e", 0.0001, 12345.678), "0.0001 1.234568e+04");
  EXPECT_EQ(stringWithFormat("%02x %02X %#x %o", 10, 255, 255, 8), "0a FF 0xff 10");
  EXPECT_EQ(stringWithFormat("%+u|% x", 5u, 255u), "5|ff");
  EXPECT_EQ(stringWithFormat("100%%"), "100%");
  EXPECT_EQ(stringWithFormat("%7.1f", std::numeric_limits<double>::infinity()), "    inf");
  EXPECT_EQ(stringWithFormat("%.1f", std::nan("")), "nan");
}

TEST(FormatIntegers, LengthModifiersTakeTheLowBitsLikeAnArgumentPassedThroughVarargs) {
  EXPECT_EQ(stringWithFormat("%u", -1), "4294967295");
  EXPECT_EQ(stringWithFormat("%lu", -1LL), "18446744073709551615");
  EXPECT_EQ(stringWithFormat("%d", 0x100000005LL), "5");
  EXPECT_EQ(stringWithFormat("%lld %llu", std::numeric_limits<long long>::min(), ~0ULL),
            "-9223372036854775808 18446744073709551615");
  EXPECT_EQ(stringWithFormat("%hd %hu", 70000, 70000), "4464 4464");
  EXPECT_EQ(stringWithFormat("%x", static_cast<unsigned char>(0xE9)), "e9");
}

TEST(FormatTexts, ObjectsStringsAndNilPrintAsThePlatformDoes) {
  EXPECT_EQ(stringWithFormat("%@", Named{}), "named object");
  EXPECT_EQ(stringWithFormat("%@", std::make_shared<Named>()), "named object");
  EXPECT_EQ(stringWithFormat("%@", std::shared_ptr<Named>()), "(null)");
  EXPECT_EQ(stringWithFormat("%@", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(stringWithFormat("%@|%@", std::optional<std::string>(), std::optional<std::string>("x")), "(null)|x");
  EXPECT_EQ(stringWithFormat("%d%@", true, false), "10");
  EXPECT_EQ(stringWithFormat("%@", Value(Array{Value("two words")})), "(\n    \"two words\"\n)");
  EXPECT_EQ(stringWithFormat("%s|%-6s|%6s|%.2s", "abc", "ab", "ab", "abcdef"), "abc|ab    |    ab|ab");
}

TEST(FormatTexts, WidthsCountCharactersNotBytes) {
  EXPECT_EQ(stringWithFormat("%-4@|", "ä"), "ä   |");
  // A precision that would split a surrogate pair leaves the whole character out.
  EXPECT_EQ(stringWithFormat("%.2@", "a\U0001F600"), "a");
}

TEST(FormatCharacters, BytesReadAsMacOSRomanAndUnitsAsUTF16) {
  EXPECT_EQ(stringWithFormat("%c", static_cast<char>(0xDB)), "€");
  EXPECT_EQ(stringWithFormat("%c", 0x141), "A");  // only the low byte counts
  EXPECT_EQ(stringWithFormat("%C%C", static_cast<char16_t>(u'D'), static_cast<char16_t>(0x00E9)), "Dé");
  EXPECT_EQ(stringWithFormat("%C", static_cast<char16_t>(0xD800)), "\uFFFD");
  EXPECT_EQ(stringWithFormat("[%c]", 0), "[]");
}

TEST(FormatMismatches, AMissingArgumentPrintsNilOrNothingAndAWrongKindIsConvertedNotReinterpreted) {
  EXPECT_EQ(stringWithFormat("Version: %@"), "Version: (null)");
  EXPECT_EQ(stringWithFormat("a%db%fc%Cd", 1), "a1bcd");
  EXPECT_EQ(stringWithFormat("%2$@ %1$@ %3$@", "one", "two"), "two one (null)");
  EXPECT_EQ(stringWithFormat("%d", 2.9), "2");
  EXPECT_EQ(stringWithFormat("%lld", 1e300), "9223372036854775807");
  EXPECT_EQ(stringWithFormat("%.1f", 3), "3.0");
  EXPECT_EQ(stringWithFormat("%d %f", "text", "text"), "0 0.000000");
  EXPECT_EQ(stringWithFormat("%@ %s", 7, 2.5), "7 2.5");
}

TEST(FormatHostileFormats, UnknownConversionsAreCopiedAndHugeWidthsAndPositionsStayBounded) {
  EXPECT_EQ(stringWithFormat("%n%d", 4), "%n4");
  EXPECT_EQ(stringWithFormat("%*d", 4), "%*d");
  EXPECT_EQ(stringWithFormat("%k %@", "x"), "%k x");
  std::string text = stringWithFormat("%99999999999d", 1);
  EXPECT_EQ(text.size(), static_cast<std::size_t>(kMaximumFieldWidth));
  EXPECT_LE(stringWithFormat("%.99999999999f", 1.0).size(), static_cast<std::size_t>(kMaximumFieldWidth + 2));
  EXPECT_EQ(stringWithFormat("%99999999999$@", "x"), "(null)");
  EXPECT_EQ(stringWithFormat("%0$@", "x"), "%0$@");
}

}  // namespace
}  // namespace sw
