// Decoding of SMC values by data type.
#include "smc/SMCValueDecoding.h"

#include <fmt/format.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "foundation/TextEncoding.h"

namespace sw::smc {
namespace {

constexpr std::uint32_t code(const char (&name)[5]) {
  return (std::uint32_t(std::uint8_t(name[0])) << 24) | (std::uint32_t(std::uint8_t(name[1])) << 16) |
         (std::uint32_t(std::uint8_t(name[2])) << 8) | std::uint32_t(std::uint8_t(name[3]));
}

std::uint16_t bigEndian16(const TKSSMCValue& value, std::size_t offset) {
  return std::uint16_t((value.bytes[offset] << 8) | value.bytes[offset + 1]);
}

std::uint32_t bigEndian32(const TKSSMCValue& value) {
  return (std::uint32_t(value.bytes[0]) << 24) | (std::uint32_t(value.bytes[1]) << 16) |
         (std::uint32_t(value.bytes[2]) << 8) | value.bytes[3];
}

std::size_t validSize(const TKSSMCValue& value) { return std::min<std::size_t>(value.dataSize, value.bytes.size()); }

Data dataOf(const TKSSMCValue& value) { return Data(value.bytes.begin(), value.bytes.begin() + validSize(value)); }

std::string macRomanText(const TKSSMCValue& value, std::size_t offset, std::size_t maximum) {
  auto begin = value.bytes.begin() + offset;
  auto end = std::find(begin, begin + maximum, 0);
  return macRomanToUTF8(std::string(begin, end));
}

int lowerHexDigit(std::uint8_t character) {
  if (character >= '0' && character <= '9') return character - '0';
  if (character >= 'a' && character <= 'f') return character - 'a' + 10;
  return -1;
}

bool hasPrefix(std::uint32_t typeCode, char first, char second) {
  return (typeCode >> 24) == std::uint8_t(first) && ((typeCode >> 16) & 0xFF) == std::uint8_t(second);
}

std::optional<Value> fixedPoint(const TKSSMCValue& value, bool isSigned) {
  float divisor = divisorForFloatingPointCode(value.dataType);
  if (!(divisor > 0)) return std::nullopt;
  std::uint16_t raw = bigEndian16(value, 0);
  float number = isSigned ? float(std::int16_t(raw)) / divisor : float(raw) / divisor;
  return Value::real(number);
}

std::optional<Value> revisionText(const TKSSMCValue& value) {
  return Value(fmt::format("{}.{}{:x}{}", std::int8_t(value.bytes[0]), std::int8_t(value.bytes[1]),
                           std::uint32_t(std::int32_t(std::int8_t(value.bytes[2]))), bigEndian16(value, 4)));
}

/// One decoding row: the type it applies to (or a type family), the size it needs, the result.
struct DecodingRow {
  std::function<bool(std::uint32_t typeCode)> matchesType;
  std::optional<std::uint32_t> size;  // nothing: any size
  std::function<std::optional<Value>(const TKSSMCValue&)> decode;
};

std::function<bool(std::uint32_t)> isType(std::uint32_t typeCode) {
  return [typeCode](std::uint32_t candidate) { return candidate == typeCode; };
}

const std::vector<DecodingRow>& decodingRows() {
  static const std::vector<DecodingRow> rows = {
      {[](std::uint32_t t) { return t == code("ui8 ") || t == code("ui8\0") || t == code("byte"); }, 1,
       [](const TKSSMCValue& v) { return Value::integer(v.bytes[0]); }},
      {isType(code("si8 ")), 1, [](const TKSSMCValue& v) { return Value::integer(std::int8_t(v.bytes[0])); }},
      {isType(code("ui16")), 2, [](const TKSSMCValue& v) { return Value::integer(bigEndian16(v, 0)); }},
      {isType(code("ui32")), 4, [](const TKSSMCValue& v) { return Value::integer(bigEndian32(v)); }},
      {isType(code("flag")), 1, [](const TKSSMCValue& v) { return Value::boolean(v.bytes[0] == 1); }},
      {[](std::uint32_t t) { return hasPrefix(t, 's', 'p'); }, 2,
       [](const TKSSMCValue& v) { return fixedPoint(v, true); }},
      {[](std::uint32_t t) { return hasPrefix(t, 'f', 'p'); }, 2,
       [](const TKSSMCValue& v) { return fixedPoint(v, false); }},
      {isType(code("ch8*")), std::nullopt,
       [](const TKSSMCValue& v) { return Value(macRomanToUTF8(std::string(v.bytes.begin(), v.bytes.begin() + validSize(v)))); }},
      {isType(code("{rev")), 6, revisionText},
      {isType(code("{fds")), 16, [](const TKSSMCValue& v) { return Value(macRomanText(v, 4, 13)); }},
      {isType(code("{alv")), 6, [](const TKSSMCValue& v) { return Value::integer(bigEndian16(v, 2)); }},
  };
  return rows;
}

}  // namespace

std::uint32_t fourCharCodeForKeyString(std::string_view key) {
  std::optional<std::string> bytes = utf8ToMacRoman(key);
  if (!bytes || bytes->size() != 4) return 0;
  return code({(*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3], 0});
}

std::string stringForFourCharCode(std::uint32_t fourCharCode) {
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char byte = char((fourCharCode >> shift) & 0xFF);
    if (byte == 0) break;
    bytes.push_back(byte);
  }
  bytes.resize(4, ' ');
  return macRomanToUTF8(bytes);
}

float divisorForFloatingPointCode(std::uint32_t typeCode) {
  // fpXY: X integer and Y fraction bits, X + Y = 16; spXY: a sign bit and X + Y = 15.
  int integerBits = lowerHexDigit((typeCode >> 8) & 0xFF);
  int fractionBits = lowerHexDigit(typeCode & 0xFF);
  if (integerBits < 0 || fractionBits < 0) return -1.0f;
  int totalBits = integerBits + fractionBits;
  bool known = (hasPrefix(typeCode, 'f', 'p') && totalBits == 16) || (hasPrefix(typeCode, 's', 'p') && totalBits == 15);
  return known ? float(1u << fractionBits) : -1.0f;
}

bool isFixedPointType(std::uint32_t typeCode) { return hasPrefix(typeCode, 's', 'p') || hasPrefix(typeCode, 'f', 'p'); }

std::optional<Value> objectValueForSMCValue(const TKSSMCValue& value) {
  if (value.dataSize == 0) return std::nullopt;
  for (const DecodingRow& row : decodingRows()) {
    if (!row.matchesType(value.dataType) || (row.size && *row.size != value.dataSize)) continue;
    if (std::optional<Value> decoded = row.decode(value)) return decoded;
    break;  // a fixed-point type without a divisor falls through to data
  }
  return Value(dataOf(value));
}

std::optional<std::string> descriptionForSMCValue(const TKSSMCValue& value) {
  std::optional<Value> decoded = objectValueForSMCValue(value);
  if (!decoded) return std::nullopt;
  switch (decoded->kind()) {
    case Value::Kind::Integer: return fmt::format("{}", *decoded->asInteger());
    case Value::Kind::Real: return fmt::format("{}", float(*decoded->asReal()));
    case Value::Kind::Boolean: return *decoded->asBoolean() ? "1" : "0";
    case Value::Kind::String: return *decoded->asString();
    case Value::Kind::Data: return readableHexStringForData(*decoded->asData());
    default: return decoded->description();
  }
}

std::string readableHexStringForData(const Data& data) {
  std::string text;
  for (std::uint8_t byte : data) text += fmt::format("{:02x} ", byte);
  return text;
}

std::optional<double> numberValue(const std::optional<Value>& value) {
  if (!value) return std::nullopt;
  if (std::optional<bool> flag = value->asBoolean()) return *flag ? 1.0 : 0.0;
  return value->asReal();
}

}  // namespace sw::smc
