// Property-list values: conversions, equality and description texts.
#include "foundation/Value.h"

#include <fmt/format.h>

#include <cmath>
#include <ctime>

#include "foundation/Numbers.h"

namespace sw {
namespace {

bool needsQuotes(std::string_view text) {
  if (text.empty()) return true;
  for (unsigned char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '.' || c == '/' || c == '$' || c >= 0x80;
    if (!plain) return true;
  }
  return false;
}

std::string quotedIfNeeded(std::string_view text) {
  if (!needsQuotes(text)) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\t': quoted += "\\t"; break;
      default: quoted += c;
    }
  }
  return quoted + "\"";
}

std::string dateText(const Date& date) {
  // 978307200 seconds lie between the Unix epoch and the platform's reference date.
  double unixSeconds = std::floor(date.secondsSinceReferenceDate) + 978307200.0;
  std::time_t seconds = static_cast<std::time_t>(clampToInt64(unixSeconds));
  std::tm utc{};
  // Beyond the years the C library can name, the seconds themselves are the clearest text.
  if (std::isnan(unixSeconds) || gmtime_r(&seconds, &utc) == nullptr || utc.tm_year > 9999 - 1900) {
    return fmt::format("{} seconds since 2001-01-01 00:00:00 +0000", date.secondsSinceReferenceDate);
  }
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &utc);
  return text;
}

std::string dataText(const Data& bytes) {
  std::string text = "<";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 4 == 0) text += ' ';
    text += fmt::format("{:02x}", bytes[i]);
  }
  return text + ">";
}

void describe(const Value& value, int depth, std::string& out) {
  std::string indent(static_cast<std::size_t>(depth) * 4, ' ');
  switch (value.kind()) {
    case Value::Kind::Dictionary: {
      out += "{\n";
      for (const auto& [key, item] : *value.asDictionary()) {
        out += indent + "    " + quotedIfNeeded(key) + " = ";
        describe(item, depth + 1, out);
        out += ";\n";
      }
      out += indent + "}";
      break;
    }
    case Value::Kind::Array: {
      out += "(\n";
      const Array& items = *value.asArray();
      for (std::size_t i = 0; i < items.size(); ++i) {
        out += indent + "    ";
        describe(items[i], depth + 1, out);
        out += i + 1 < items.size() ? ",\n" : "\n";
      }
      out += indent + ")";
      break;
    }
    case Value::Kind::String: out += quotedIfNeeded(*value.asString()); break;
    case Value::Kind::Integer:
      out += value.isUnsignedInteger() ? std::to_string(static_cast<std::uint64_t>(*value.asInteger()))
                                       : std::to_string(*value.asInteger());
      break;
    case Value::Kind::Real: out += fmt::format("{}", *value.asReal()); break;
    case Value::Kind::Boolean: out += *value.asBoolean() ? "1" : "0"; break;
    case Value::Kind::Data: out += dataText(*value.asData()); break;
    case Value::Kind::Date: out += dateText(*value.asDate()); break;
  }
}

// Exact: converting the integer to a double would make 2^53 + 1 equal to 2^53.
bool integerEqualsReal(const Value& integer, double real) {
  if (std::trunc(real) != real) return false;  // fractions, NaN and infinities
  std::int64_t bits = *integer.asInteger();
  if (integer.isUnsignedInteger()) {
    return real >= 0x1p63 && real < 0x1p64 && static_cast<std::uint64_t>(bits) == static_cast<std::uint64_t>(real);
  }
  if (real < -0x1p63 || real >= 0x1p63) return false;
  return bits == static_cast<std::int64_t>(real);
}

}  // namespace

Value Value::unsignedInteger(std::uint64_t number) {
  // Two's complement: the conversion keeps the bits.
  auto bits = static_cast<std::int64_t>(number);
  return Value(Storage(Integer{bits, bits < 0}));
}

bool Value::isUnsignedInteger() const {
  const auto* number = std::get_if<Integer>(&storage_);
  return number != nullptr && number->isUnsigned;
}

std::optional<std::int64_t> Value::asInteger() const {
  if (const auto* number = std::get_if<Integer>(&storage_)) return number->bits;
  if (const auto* number = std::get_if<double>(&storage_)) return clampToInt64(*number);
  return std::nullopt;
}

std::optional<double> Value::asReal() const {
  if (const auto* number = std::get_if<Integer>(&storage_)) {
    if (number->isUnsigned) return static_cast<double>(static_cast<std::uint64_t>(number->bits));
    return static_cast<double>(number->bits);
  }
  if (const auto* number = std::get_if<double>(&storage_)) return *number;
  return std::nullopt;
}

std::optional<bool> Value::asBoolean() const {
  if (const auto* flag = std::get_if<Boolean>(&storage_)) return flag->value;
  return std::nullopt;
}

const Value* Value::find(std::string_view key) const {
  const auto* dictionary = asDictionary();
  return dictionary == nullptr ? nullptr : valueForKey(*dictionary, key);
}

const Value* valueForKey(const Dictionary& dictionary, std::string_view key) {
  auto found = dictionary.find(key);
  return found == dictionary.end() ? nullptr : &found->second;
}

const std::string* stringForKey(const Dictionary& dictionary, std::string_view key) {
  const Value* value = valueForKey(dictionary, key);
  return value == nullptr ? nullptr : value->asString();
}

std::string Value::description() const {
  // A string describes itself as it is; only inside a container does it need quotes to keep
  // its bounds visible.
  if (const auto* string = asString()) return *string;
  std::string text;
  describe(*this, 0, text);
  return text;
}

bool Value::operator==(const Value& other) const {
  if (kind() == Kind::Integer && other.kind() == Kind::Real) return integerEqualsReal(*this, *other.asReal());
  if (kind() == Kind::Real && other.kind() == Kind::Integer) return integerEqualsReal(other, *asReal());
  return storage_ == other.storage_;
}

std::string_view kindName(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::Dictionary: return "NSDictionary";
    case Value::Kind::Array: return "NSArray";
    case Value::Kind::String: return "NSString";
    case Value::Kind::Integer:
    case Value::Kind::Real: return "NSNumber";
    case Value::Kind::Boolean: return "NSBoolean";
    case Value::Kind::Data: return "NSData";
    case Value::Kind::Date: return "NSDate";
  }
  return "NSObject";
}

}  // namespace sw
