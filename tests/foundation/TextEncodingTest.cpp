// Text encodings: SMC codes are Mac OS Roman, character counts are UTF-16 units, and no input
// bytes may crash a conversion or produce invalid UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "foundation/TextEncoding.h"

namespace sw {
namespace {

TEST(MacOSRoman, EveryByteSurvivesTheRoundTripThroughUTF8) {
  for (int byte = 0; byte < 256; ++byte) {
    std::string one(1, static_cast<char>(byte));
    std::string text = macRomanToUTF8(one);
    EXPECT_EQ(text, validUTF8(text)) << "byte " << byte;
    EXPECT_EQ(utf8ToMacRoman(text), one) << "byte " << byte;
  }
}

TEST(MacOSRoman, TheUpperHalfHoldsTheMacCharactersAndACharacterWithoutAMacFormHasNoBytes) {
  EXPECT_EQ(macRomanToUTF8("\x80\x8A\x9F\xA7\xC9\xDB\xF0\xFF"), "Ääüß…€\uF8FFˇ");
  EXPECT_FALSE(utf8ToMacRoman("T\u0100"));  // Ā is not in the table
  EXPECT_FALSE(utf8ToMacRoman("\U0001F600"));
  EXPECT_FALSE(utf8ToMacRoman("\xFF"));  // invalid UTF-8 is no text at all
}

TEST(InvalidUTF8, MalformedSequencesBecomeOneReplacementPerByte) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"lone continuation byte", "a\x80z", "a\uFFFDz"}, {"truncated at the end", "ab\xE2\x82", "ab\uFFFD\uFFFD"},
      {"overlong slash", "\xC0\xAF", "\uFFFD\uFFFD"},   {"encoded surrogate", "\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"embedded zero kept", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(validUTF8(c.bytes), c.expected) << c.name;
}

TEST(UTF16Counting, CharactersOutsideTheBasicPlaneCountTwiceAndACutNeverSplitsOne) {
  EXPECT_EQ(utf16Length("Lüfter"), 6u);
  EXPECT_EQ(utf16Length("a\U0001F600"), 3u);
  EXPECT_EQ(utf16Length("\xFF\xFE"), 2u);
  EXPECT_EQ(utf16Prefix("Lüfter", 2), "Lü");
  EXPECT_EQ(utf16Prefix("a\U0001F600b", 2), "a");
  EXPECT_EQ(utf16Prefix("a\U0001F600b", 3), "a\U0001F600");
  EXPECT_EQ(utf16Prefix("a\xC3", 2), "a\uFFFD");
}

TEST(UTF16Units, UnitsAreReadAndAppendedAndConversionsKeepPairsAndReplaceLoneSurrogates) {
  EXPECT_EQ(utf16UnitAt("TC0D", 1), u'C');
  EXPECT_EQ(utf16UnitAt("\U0001F600", 1), 0xDE00);
  EXPECT_FALSE(utf16UnitAt("TC0D", 4));
  std::string text = "x";
  appendUTF16Unit(text, u'é');
  appendUTF16Unit(text, 0xDC00);
  EXPECT_EQ(text, "xé\uFFFD");
  EXPECT_EQ(utf16ToUTF8(utf8ToUTF16("ä€\U0001F600")), "ä€\U0001F600");
  EXPECT_EQ(utf16ToUTF8(std::u16string{0xD83D, u'a'}), "\uFFFDa");
  EXPECT_EQ(utf16BytesToUTF8(std::string("\x00\x41\x00\xE4", 4), true), "Aä");
  EXPECT_EQ(utf16BytesToUTF8(std::string("\x41\x00\xE4\x00\x42", 5), false), "Aä");
}

TEST(CharacterArithmetic, CodesWrapAsSixteenBitUnsignedValues) {
  EXPECT_EQ(offsetCharacter(u'0', 17), u'A');
  EXPECT_EQ(offsetCharacter(0xFFFF, 2), 0x0001);
  EXPECT_EQ(offsetCharacter(0x0000, -1), 0xFFFF);
  EXPECT_EQ(offsetCharacter(u'A', std::numeric_limits<long long>::max()), static_cast<char16_t>(u'A' - 1));
}

}  // namespace
}  // namespace sw
