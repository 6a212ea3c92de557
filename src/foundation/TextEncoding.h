// Text encodings: the Mac OS Roman bytes of SMC key and type codes, and the UTF-16 rules by
// which the system counts the characters of a text and does arithmetic on character codes.
// std::string always holds UTF-8; invalid UTF-8 reads as U+FFFD, never as a crash.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sw {

/// The character that stands for bytes that are no valid text.
inline constexpr char16_t kReplacementCharacter = 0xFFFD;

/// Mac OS Roman bytes as UTF-8 (every byte has a character).
std::string macRomanToUTF8(std::string_view bytes);
/// UTF-8 as Mac OS Roman bytes; nothing when a character has no Mac OS Roman form.
std::optional<std::string> utf8ToMacRoman(std::string_view text);
/// The Mac OS Roman character of one byte, as a UTF-16 unit.
char16_t macRomanCharacter(unsigned char byte);

/// Decodes the UTF-8 text as UTF-16 units; invalid sequences become U+FFFD.
std::u16string utf8ToUTF16(std::string_view text);
/// Decodes the UTF-8 text as code points; invalid sequences become U+FFFD.
std::u32string utf8ToCodePoints(std::string_view text);
/// Encodes UTF-16 units as UTF-8; a lone surrogate becomes U+FFFD.
std::string utf16ToUTF8(std::u16string_view units);
/// Decodes raw UTF-16 bytes of the given byte order (an odd last byte is dropped).
std::string utf16BytesToUTF8(std::string_view bytes, bool bigEndian);
/// The text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string validUTF8(std::string_view text);

/// The length of the text in UTF-16 code units, the system's count of characters.
std::size_t utf16Length(std::string_view text);
/// The first `units` UTF-16 units of the text. A surrogate pair that the cut would split is
/// left out whole, so the result is always valid UTF-8.
std::string utf16Prefix(std::string_view text, std::size_t units);
/// How many UTF-16 units the first character takes: 2 for a surrogate pair, 0 for "".
std::size_t utf16UnitsOfFirstCharacter(std::string_view text);
/// The UTF-16 unit at an index; nothing beyond the end.
std::optional<char16_t> utf16UnitAt(std::string_view text, std::size_t index);
/// Appends one UTF-16 unit as UTF-8 (a surrogate on its own becomes U+FFFD).
void appendUTF16Unit(std::string& text, char16_t unit);

/// A character code plus a number, as 16-bit unsigned arithmetic: it wraps instead of overflowing.
char16_t offsetCharacter(char16_t unit, long long delta);

}  // namespace sw
