// Reading and checking the SMC key list of a profile.
#include "sim/SMCKeyTable.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "foundation/Numbers.h"
#include "foundation/TextEncoding.h"
#include "os/Clock.h"
#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

constexpr FourCharCode kKeyCountCode = 0x234B4559;  // "#KEY"
constexpr FourCharCode kUInt32Type = 0x75693332;    // "ui32"
constexpr std::size_t kMaximumDataSize = 32;

/// How a number is laid out for the types that hold one (big-endian, as the controller sends).
struct NumericType {
  std::size_t size;
  bool isSigned;
  int fractionBits;
  bool isFlag;
};

FourCharCode codeOf(std::string_view fourBytes) {
  FourCharCode code = 0;
  for (unsigned char byte : fourBytes) code = (code << 8) | byte;
  return code;
}

std::optional<NumericType> numericTypeOf(FourCharCode type) {
  std::string text = fourCharCodeText(type);
  if (text == "ui8 " || type == 0x75693800) return NumericType{1, false, 0, false};
  if (text == "si8 " || type == 0x73693800) return NumericType{1, true, 0, false};
  if (text == "ui16") return NumericType{2, false, 0, false};
  if (text == "si16") return NumericType{2, true, 0, false};
  if (text == "ui32") return NumericType{4, false, 0, false};
  if (text == "si32") return NumericType{4, true, 0, false};
  if (text == "flag") return NumericType{1, false, 0, true};
  // Fixed point: "fp" or "sp", then integer and fraction bits as lower-case hex digits adding up
  // to 16 (unsigned) or 15 (signed); "fpf0" is no type of the controller.
  bool isSigned = text.starts_with("sp");
  if (!isSigned && !text.starts_with("fp")) return std::nullopt;
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1; };
  int integerBits = digit(text[2]);
  int fractionBits = digit(text[3]);
  if (integerBits < 0 || fractionBits < 0 || integerBits + fractionBits != (isSigned ? 15 : 16)) return std::nullopt;
  if (!isSigned && fractionBits == 0) return std::nullopt;
  return NumericType{2, isSigned, fractionBits, false};
}

/// The bytes of a number in the type; nothing when it does not fit and `saturate` is off.
std::optional<Data> encode(double value, const NumericType& type, bool saturate) {
  double scaled = std::round(std::ldexp(value, type.fractionBits));
  double bits = static_cast<double>(type.size * 8);
  double lowest = type.isSigned ? -std::ldexp(1, static_cast<int>(bits) - 1) : 0;
  double highest = type.isSigned ? std::ldexp(1, static_cast<int>(bits) - 1) - 1 : std::ldexp(1, static_cast<int>(bits)) - 1;
  if (type.isFlag) highest = 1;
  if (!(scaled >= lowest && scaled <= highest)) {
    if (!saturate) return std::nullopt;
    scaled = std::isnan(scaled) ? 0 : std::clamp(scaled, lowest, highest);
  }
  auto raw = static_cast<std::uint64_t>(clampToInt64(scaled));
  Data bytes(type.size);
  for (std::size_t index = 0; index < type.size; ++index) {
    bytes[type.size - 1 - index] = static_cast<std::uint8_t>(raw >> (8 * index));
  }
  return bytes;
}

bool flagField(const Dictionary& fields, const char* key, const std::string& path) {
  auto found = fields.find(key);
  if (found == fields.end()) return false;
  std::optional<bool> flag = found->second.asBoolean();
  if (!flag) throw ProfileError(path, std::string(key) + " must be a boolean");
  return *flag;
}

FourCharCode readKey(const Dictionary& fields, const std::string& path) {
  auto found = fields.find("Key");
  const std::string* text = found == fields.end() ? nullptr : found->second.asString();
  std::optional<std::string> bytes = text ? utf8ToMacRoman(*text) : std::nullopt;
  if (!bytes || bytes->size() != 4) throw ProfileError(path, "Key must be four Mac OS Roman characters");
  return codeOf(*bytes);
}

FourCharCode readType(const Dictionary& fields, const std::string& path) {
  auto found = fields.find("Type");
  if (found != fields.end()) {
    if (const Data* data = found->second.asData(); data && data->size() == 4) {
      return codeOf(std::string_view(reinterpret_cast<const char*>(data->data()), 4));
    }
    std::optional<std::string> bytes = found->second.asString() ? utf8ToMacRoman(*found->second.asString()) : std::nullopt;
    if (bytes && bytes->size() == 4) return codeOf(*bytes);
  }
  throw ProfileError(path, "Type must be four Mac OS Roman characters or four bytes of data");
}

Data readBytes(const Dictionary& fields, FourCharCode type, const std::string& path) {
  auto bytes = fields.find("Bytes");
  auto value = fields.find("Value");
  if ((bytes == fields.end()) == (value == fields.end())) throw ProfileError(path, "a key needs either Bytes or Value");
  if (bytes != fields.end()) {
    const Data* data = bytes->second.asData();
    if (data == nullptr || data->size() > kMaximumDataSize) throw ProfileError(path, "Bytes must be data of at most 32 bytes");
    return *data;
  }
  std::optional<NumericType> numeric = numericTypeOf(type);
  if (!numeric) throw ProfileError(path, "a Value needs a numeric type, not \"" + fourCharCodeText(type) + "\"");
  std::optional<double> number = value->second.kind() == Value::Kind::Boolean
                                     ? std::optional<double>(*value->second.asBoolean() ? 1 : 0)
                                     : value->second.asReal();
  if (!number) throw ProfileError(path, "Value must be a number");
  std::optional<Data> encoded = encode(*number, *numeric, false);
  if (!encoded) throw ProfileError(path, "Value does not fit the type \"" + fourCharCodeText(type) + "\"");
  return *encoded;
}

SMCKey readKeyEntry(const Value& entry, const std::string& path) {
  const Dictionary* fields = entry.asDictionary();
  if (fields == nullptr) throw ProfileError(path, "a key must be a dictionary");
  refuseUnknownKeys(*fields, {"Key", "Type", "Bytes", "Value", "Fail", "Hidden", "Signal"}, "key field", path);
  SMCKey key;
  key.code = readKey(*fields, path);
  key.type = readType(*fields, path);
  key.bytes = readBytes(*fields, key.type, path);
  key.fails = flagField(*fields, "Fail", path);
  key.hidden = flagField(*fields, "Hidden", path);
  if (auto signal = fields->find("Signal"); signal != fields->end()) {
    std::optional<NumericType> numeric = numericTypeOf(key.type);
    if (!numeric || numeric->size != key.bytes.size()) throw ProfileError(path, "a Signal needs a numeric type of its size");
    key.signal = Signal::parse(signal->second, path + "/Signal");
  }
  return key;
}

}  // namespace

std::string fourCharCodeText(FourCharCode code) {
  std::string bytes;
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>((code >> shift) & 0xFF));
  return macRomanToUTF8(bytes);
}

std::optional<double> fixedPointValue(FourCharCode type, const Data& bytes) {
  const std::string text = fourCharCodeText(type);
  if (!text.starts_with("fp") && !text.starts_with("sp")) return std::nullopt;
  std::optional<NumericType> numeric = numericTypeOf(type);
  if (!numeric || bytes.size() != numeric->size) return std::nullopt;
  const auto raw = static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
  const double number = numeric->isSigned ? static_cast<double>(static_cast<std::int16_t>(raw)) : static_cast<double>(raw);
  return std::ldexp(number, -numeric->fractionBits);
}

Data SMCKey::currentBytes() const {
  if (!signal) return bytes;
  return encode(signal->valueAt(os::currentTime()), *numericTypeOf(type), true).value_or(bytes);
}

SMCKeyTable SMCKeyTable::parse(const Value& keys, const std::string& path) {
  const Array* entries = keys.asArray();
  if (entries == nullptr) throw ProfileError(path, "must be an array of key dictionaries");
  SMCKeyTable table;
  std::set<FourCharCode> seen;
  for (std::size_t index = 0; index < entries->size(); ++index) {
    std::string keyPath = path + "/" + std::to_string(index);
    SMCKey key = readKeyEntry((*entries)[index], keyPath);
    if (!seen.insert(key.code).second) throw ProfileError(keyPath, "key \"" + fourCharCodeText(key.code) + "\" appears twice");
    table.keys_.push_back(std::move(key));
  }
  if (!seen.contains(kKeyCountCode)) {
    std::size_t listed = 1;
    for (const SMCKey& key : table.keys_) listed += key.hidden ? 0 : 1;
    SMCKey count;
    count.code = kKeyCountCode;
    count.type = kUInt32Type;
    count.bytes = *encode(static_cast<double>(listed), {4, false, 0, false}, true);
    table.keys_.insert(table.keys_.begin(), std::move(count));
  }
  for (std::size_t position = 0; position < table.keys_.size(); ++position) {
    if (!table.keys_[position].hidden) table.listed_.push_back(position);
  }
  return table;
}

const SMCKey* SMCKeyTable::keyWithCode(FourCharCode code) const {
  for (const SMCKey& key : keys_) {
    if (key.code == code) return &key;
  }
  return nullptr;
}

const SMCKey* SMCKeyTable::keyAtIndex(std::size_t index) const {
  return index < listed_.size() ? &keys_[listed_[index]] : nullptr;
}

}  // namespace sw::sim
