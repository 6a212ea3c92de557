// Mac OS Roman and UTF-16 conversions over UTF-8 text.
#include "foundation/TextEncoding.h"

#include <array>

namespace sw {
namespace {

// The upper half of Mac OS Roman (0x80-0xFF); the lower half is ASCII. 0xDB is the euro sign
// and 0xF0 the private-use character of the maker's logo, as in the current mapping.
constexpr std::array<char16_t, 128> kMacRomanUpperHalf = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,  // 80
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,  // 88
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,  // 90
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,  // 98
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,  // A0
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,  // A8
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,  // B0
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,  // B8
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,  // C0
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,  // C8
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,  // D0
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,  // D8
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,  // E0
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,  // E8
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,  // F0
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,  // F8
};

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one code point at `position` and advances past it. A malformed sequence (bad lead
// byte, missing continuation, overlong form, surrogate, beyond U+10FFFF) consumes one byte and
// gives U+FFFD, so that decoding always makes progress.
char32_t decodeNext(std::string_view text, std::size_t& position) {
  auto lead = static_cast<unsigned char>(text[position]);
  if (lead < 0x80) {
    ++position;
    return lead;
  }
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || position + length > text.size()) {
    ++position;
    return kReplacementCharacter;
  }
  char32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    auto byte = static_cast<unsigned char>(text[position + i]);
    if (!isContinuation(byte)) {
      ++position;
      return kReplacementCharacter;
    }
    code = (code << 6) | (byte & 0x3F);
  }
  constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallestOfLength[length] || code > 0x10FFFF || isSurrogate(code)) {
    ++position;
    return kReplacementCharacter;
  }
  position += length;
  return code;
}

void appendCodePoint(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::size_t utf16UnitsOf(char32_t code) { return code >= 0x10000 ? 2 : 1; }

}  // namespace

char16_t macRomanCharacter(unsigned char byte) {
  return byte < 0x80 ? static_cast<char16_t>(byte) : kMacRomanUpperHalf[byte - 0x80];
}

std::string macRomanToUTF8(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char byte : bytes) appendCodePoint(text, macRomanCharacter(byte));
  return text;
}

std::optional<std::string> utf8ToMacRoman(std::string_view text) {
  std::string bytes;
  for (std::size_t position = 0; position < text.size();) {
    char32_t code = decodeNext(text, position);
    if (code < 0x80) {
      bytes += static_cast<char>(code);
      continue;
    }
    // Bad input decodes as U+FFFD, which has no Mac OS Roman form, so it fails here too.
    std::size_t index = 0;
    while (index < kMacRomanUpperHalf.size() && kMacRomanUpperHalf[index] != code) ++index;
    if (index == kMacRomanUpperHalf.size()) return std::nullopt;
    bytes += static_cast<char>(0x80 + index);
  }
  return bytes;
}

std::u16string utf8ToUTF16(std::string_view text) {
  std::u16string units;
  units.reserve(text.size());
  for (std::size_t position = 0; position < text.size();) {
    char32_t code = decodeNext(text, position);
    if (code >= 0x10000) {
      code -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (code >> 10));
      units += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
  }
  return units;
}

std::u32string utf8ToCodePoints(std::string_view text) {
  std::u32string codes;
  codes.reserve(text.size());
  for (std::size_t position = 0; position < text.size();) codes += decodeNext(text, position);
  return codes;
}

std::string utf16ToUTF8(std::u16string_view units) {
  std::string text;
  text.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t unit = units[i];
    if (isHighSurrogate(unit) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
      appendCodePoint(text, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      appendCodePoint(text, isSurrogate(unit) ? kReplacementCharacter : unit);
    }
  }
  return text;
}

std::string utf16BytesToUTF8(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto first = static_cast<unsigned char>(bytes[i]);
    auto second = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return utf16ToUTF8(units);
}

std::string validUTF8(std::string_view text) {
  std::string valid;
  valid.reserve(text.size());
  for (std::size_t position = 0; position < text.size();) appendCodePoint(valid, decodeNext(text, position));
  return valid;
}

std::size_t utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (std::size_t position = 0; position < text.size();) units += utf16UnitsOf(decodeNext(text, position));
  return units;
}

std::string utf16Prefix(std::string_view text, std::size_t units) {
  std::string prefix;
  std::size_t taken = 0;
  for (std::size_t position = 0; position < text.size();) {
    char32_t code = decodeNext(text, position);
    taken += utf16UnitsOf(code);
    if (taken > units) break;
    appendCodePoint(prefix, code);
  }
  return prefix;
}

std::size_t utf16UnitsOfFirstCharacter(std::string_view text) {
  std::size_t position = 0;
  return text.empty() ? 0 : utf16UnitsOf(decodeNext(text, position));
}

std::optional<char16_t> utf16UnitAt(std::string_view text, std::size_t index) {
  std::u16string units = utf8ToUTF16(text);
  if (index >= units.size()) return std::nullopt;
  return units[index];
}

void appendUTF16Unit(std::string& text, char16_t unit) {
  appendCodePoint(text, isSurrogate(unit) ? kReplacementCharacter : unit);
}

char16_t offsetCharacter(char16_t unit, long long delta) {
  return static_cast<char16_t>(static_cast<unsigned long long>(unit) + static_cast<unsigned long long>(delta));
}

}  // namespace sw
