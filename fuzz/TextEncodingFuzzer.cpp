// The text helpers on arbitrary bytes: every conversion ends in valid UTF-8, the UTF-16 views of
// a text agree with each other, and Mac OS Roman survives the way there and back.
#include <string>

#include "foundation/TextEncoding.h"
#include "fuzz/FuzzInput.h"

namespace {

using sw::fuzz::require;

bool isValid(const std::string& text) { return sw::validUTF8(text) == text; }

void checkUTF8Views(std::string_view bytes, std::size_t cut) {
  const std::string valid = sw::validUTF8(bytes);
  require(isValid(valid), "validUTF8 gives valid UTF-8");
  const std::u16string units = sw::utf8ToUTF16(bytes);
  require(sw::utf16Length(bytes) == units.size(), "utf16Length counts the units utf8ToUTF16 gives");
  require(sw::utf16ToUTF8(units) == valid, "UTF-16 back to UTF-8 gives the repaired text");
  require(sw::utf8ToCodePoints(bytes).size() <= units.size(), "no more code points than UTF-16 units");

  const std::string prefix = sw::utf16Prefix(bytes, cut);
  require(isValid(prefix), "a UTF-16 prefix is valid UTF-8");
  require(sw::utf16Length(prefix) <= cut, "a UTF-16 prefix is no longer than asked");
  const std::optional<char16_t> unit = sw::utf16UnitAt(bytes, cut);
  require(unit.has_value() == (cut < units.size()), "a unit exists exactly below the length");
  if (unit) require(*unit == units[cut], "utf16UnitAt agrees with utf8ToUTF16");
}

void checkMacRoman(std::string_view bytes) {
  const std::string text = sw::macRomanToUTF8(bytes);
  require(isValid(text), "Mac OS Roman reads as valid UTF-8");
  const std::optional<std::string> back = sw::utf8ToMacRoman(text);
  require(back.has_value() && *back == bytes, "Mac OS Roman bytes survive the way to UTF-8 and back");
  (void)sw::utf8ToMacRoman(bytes);
}

void checkUTF16Bytes(std::string_view bytes) {
  require(isValid(sw::utf16BytesToUTF8(bytes, true)), "big-endian UTF-16 bytes read as valid UTF-8");
  require(isValid(sw::utf16BytesToUTF8(bytes, false)), "little-endian UTF-16 bytes read as valid UTF-8");
  std::string appended;
  for (std::size_t index = 0; index + 1 < bytes.size(); index += 2) {
    const auto unit = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[index]) << 8 |
                                            static_cast<std::uint8_t>(bytes[index + 1]));
    sw::appendUTF16Unit(appended, sw::offsetCharacter(unit, static_cast<long long>(index) * 977 - 40000));
  }
  require(isValid(appended), "appending any UTF-16 units keeps the text valid");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::FuzzInput input(data, size);
  const std::size_t cut = input.takeByte();
  const std::string_view bytes = input.takeRest();
  checkUTF8Views(bytes, cut);
  checkMacRoman(bytes);
  checkUTF16Bytes(bytes);
  return 0;
}
