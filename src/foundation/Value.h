// The property-list value model: what the registry, the preferences, the string tables and the
// profiles are made of. Values are plain copyable data; "nil" is an empty std::optional<Value>.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace sw {

class Value;

using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value, std::less<>>;
using Data = std::vector<std::uint8_t>;

/// A moment in time as seconds since 2001-01-01 00:00:00 UTC, the reference date of the platform.
struct Date {
  double secondsSinceReferenceDate = 0.0;
  bool operator==(const Date&) const = default;
};

class Value {
 public:
  /// Numbers keep integer, real and boolean apart, as the platform's number objects do.
  // The kinds are always named Value::Kind::Array and so on and hide none of the types of the
  // same names, but GCC's -Wshadow reports every scoped enumerator named like a type.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
  enum class Kind { Dictionary, Array, String, Integer, Real, Boolean, Data, Date };
#pragma GCC diagnostic pop

  Value() : storage_(sw::Dictionary{}) {}
  Value(sw::Dictionary dictionary) : storage_(std::move(dictionary)) {}
  Value(sw::Array array) : storage_(std::move(array)) {}
  Value(std::string text) : storage_(std::move(text)) {}
  Value(std::string_view text) : storage_(std::string(text)) {}
  Value(const char* text) : storage_(std::string(text)) {}
  Value(sw::Data bytes) : storage_(std::move(bytes)) {}
  Value(sw::Date date) : storage_(date) {}
  Value(bool) = delete;  // say boolean(), integer() or real(): an int must not turn into a bool

  static Value integer(std::int64_t number) { return Value(Storage(Integer{number, false})); }
  /// An integer that its publisher holds as unsigned. Above 2^63−1 it keeps reading as that
  /// unsigned number; below, it is the same value as the signed integer of that number.
  static Value unsignedInteger(std::uint64_t number);
  static Value real(double number) { return Value(Storage(number)); }
  static Value boolean(bool flag) { return Value(Storage(Boolean{flag})); }

  Kind kind() const { return static_cast<Kind>(storage_.index()); }
  bool isNumber() const { return kind() == Kind::Integer || kind() == Kind::Real; }

  /// Typed access; nullptr when the value is of another kind.
  const sw::Dictionary* asDictionary() const { return std::get_if<sw::Dictionary>(&storage_); }
  sw::Dictionary* asDictionary() { return std::get_if<sw::Dictionary>(&storage_); }
  const sw::Array* asArray() const { return std::get_if<sw::Array>(&storage_); }
  sw::Array* asArray() { return std::get_if<sw::Array>(&storage_); }
  const std::string* asString() const { return std::get_if<std::string>(&storage_); }
  const sw::Data* asData() const { return std::get_if<sw::Data>(&storage_); }
  const sw::Date* asDate() const { return std::get_if<sw::Date>(&storage_); }

  /// The integer value of an integer, or of a real (truncated toward zero, saturated, NaN → 0);
  /// nothing for other kinds, booleans included. An unsigned integer above 2^63−1 gives its full
  /// 64-bit pattern read as signed, so that a 32-bit read of it still takes the low 32 bits.
  std::optional<std::int64_t> asInteger() const;
  /// Whether this is an unsigned integer above 2^63−1, the only ones whose value differs from
  /// their 64-bit pattern read as signed.
  bool isUnsignedInteger() const;
  /// The value of an integer or a real as a double; nothing for other kinds.
  std::optional<double> asReal() const;
  /// The value of a boolean; nothing for other kinds.
  std::optional<bool> asBoolean() const;

  /// Looks a key up in a dictionary; nullptr when this is no dictionary or the key is absent.
  const Value* find(std::string_view key) const;

  /// The platform's description text: dictionaries as "{\n    key = value;\n}", arrays as
  /// "(\n    a,\n    b\n)", data as "<0011aabb>". A string is its own description; inside a
  /// container it is quoted when it needs it.
  std::string description() const;

  /// Equality as the platform's isEqual: integers and reals compare by numeric value.
  bool operator==(const Value& other) const;

 private:
  struct Integer {
    std::int64_t bits;
    bool isUnsigned;  // set only above 2^63−1, so that equal numbers have equal storage
    bool operator==(const Integer&) const = default;
  };
  struct Boolean {
    bool value;
    bool operator==(const Boolean&) const = default;
  };
  using Storage = std::variant<sw::Dictionary, sw::Array, std::string, Integer, double, Boolean,
                               sw::Data, sw::Date>;
  explicit Value(Storage storage) : storage_(std::move(storage)) {}

  Storage storage_;
};

/// The value at the key of a dictionary; nullptr when the key is absent.
const Value* valueForKey(const Dictionary& dictionary, std::string_view key);
/// The text at the key of a dictionary; nullptr when the key is absent or holds no text.
const std::string* stringForKey(const Dictionary& dictionary, std::string_view key);

/// The platform's name of a value's kind, as class names appear in messages ("NSString", …).
std::string_view kindName(Value::Kind kind);

}  // namespace sw
