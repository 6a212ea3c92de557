// The printf-style formatter of the whole system, with %@ for object descriptions. Format texts
// also come from string tables (outside data), so every format and every mismatch between a
// conversion and its argument has a defined result; nothing here can crash or read past the
// arguments.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "foundation/Value.h"

namespace sw {

template <typename T>
concept Describable = requires(const T& object) {
  { object.description() } -> std::convertible_to<std::string>;
};

/// One argument of a format: a number of any width, a character, a text, or an object (anything
/// with description()), kept as the formatter needs it. Null texts and null objects are nil.
class FormatArgument {
 public:
  struct Nil {};
  using Storage = std::variant<Nil, std::int64_t, std::uint64_t, double, std::string>;

  FormatArgument(std::nullptr_t) : storage_(Nil{}) {}
  // Only a real bool: a pointer of another type must not turn into one silently.
  template <std::same_as<bool> Flag>
  FormatArgument(Flag flag) : storage_(std::int64_t{flag ? 1 : 0}) {}
  FormatArgument(char c) : storage_(std::int64_t{c}) {}
  FormatArgument(signed char number) : storage_(std::int64_t{number}) {}
  FormatArgument(short number) : storage_(std::int64_t{number}) {}
  FormatArgument(int number) : storage_(std::int64_t{number}) {}
  FormatArgument(long number) : storage_(std::int64_t{number}) {}
  FormatArgument(long long number) : storage_(std::int64_t{number}) {}
  FormatArgument(unsigned char number) : storage_(std::uint64_t{number}) {}
  FormatArgument(char16_t unit) : storage_(std::uint64_t{unit}) {}
  FormatArgument(unsigned short number) : storage_(std::uint64_t{number}) {}
  FormatArgument(unsigned number) : storage_(std::uint64_t{number}) {}
  FormatArgument(unsigned long number) : storage_(std::uint64_t{number}) {}
  FormatArgument(unsigned long long number) : storage_(std::uint64_t{number}) {}
  FormatArgument(float number) : storage_(double{number}) {}
  FormatArgument(double number) : storage_(number) {}
  FormatArgument(const char* text) : storage_(text == nullptr ? Storage(Nil{}) : Storage(std::string(text))) {}
  FormatArgument(const std::string& text) : storage_(text) {}
  FormatArgument(std::string_view text) : storage_(std::string(text)) {}
  FormatArgument(const std::optional<std::string>& text)
      : storage_(text ? Storage(*text) : Storage(Nil{})) {}
  FormatArgument(const Value& value) : storage_(value.description()) {}
  FormatArgument(const std::optional<Value>& value)
      : storage_(value ? Storage(value->description()) : Storage(Nil{})) {}
  template <Describable T>
  FormatArgument(const T& object) : storage_(std::string(object.description())) {}
  template <Describable T>
  FormatArgument(const std::shared_ptr<T>& object)
      : storage_(object ? Storage(std::string(object->description())) : Storage(Nil{})) {}

  const Storage& storage() const { return storage_; }

 private:
  Storage storage_;
};

/// Fills a format with arguments, as the platform's stringWithFormat: does. Conversions: %@ and
/// %s (text or description), %d %i %u %x %X %o with the length modifiers hh h l ll q z t j,
/// %c (a byte, read as Mac OS Roman), %C (a UTF-16 unit), %f %F %e %E %g %G %a %A, flags
/// "-+ 0#", widths, precisions, positions ("%2$@") and %%. Numbers never use the locale.
///
/// Defined results where C leaves the behaviour undefined:
/// - a missing argument prints "(null)" for %@ and %s, as the platform prints a nil object, and
///   nothing for the other conversions;
/// - a number of the other kind is converted (a real under %d is truncated and saturated, see
///   Numbers.h); a text or nil under a numeric conversion counts as 0; a number under %@ or %s
///   prints its decimal text;
/// - without a length modifier %d and %u take the low 32 bits, as an int passed through "...";
/// - %c of the byte 0 adds nothing; %C of a lone surrogate gives U+FFFD;
/// - an unknown or unfinished conversion (and %n, %*d) is copied as it stands and takes no argument;
/// - widths and precisions are capped at kMaximumFieldWidth, so a hostile format stays small.
std::string formatWithArguments(std::string_view format, std::span<const FormatArgument> arguments);

template <typename... Args>
std::string stringWithFormat(std::string_view format, const Args&... args) {
  const FormatArgument list[sizeof...(Args) + 1] = {FormatArgument(args)..., nullptr};
  return formatWithArguments(format, std::span<const FormatArgument>(list, sizeof...(Args)));
}

inline constexpr int kMaximumFieldWidth = 1024;

}  // namespace sw
