// printf-style formatting: the format is parsed here, each number is handed to fmt's printf.
#include "foundation/Format.h"

#include <fmt/format.h>
#include <fmt/printf.h>

#include <algorithm>
#include <type_traits>

#include "foundation/Numbers.h"
#include "foundation/TextEncoding.h"

namespace sw {
namespace {

enum class Width { Default, Char, Short, Long };

struct Conversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  Width size = Width::Default;
  char type = 0;
  std::size_t argumentIndex = 0;
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits, capped so that neither the number nor the field it asks for can grow
// without bound.
int readNumber(std::string_view format, std::size_t& position) {
  int number = 0;
  while (position < format.size() && isDigit(format[position])) {
    number = std::min(number * 10 + (format[position] - '0'), kMaximumFieldWidth);
    ++position;
  }
  return number;
}

// Reads "n$" after the percent sign when it is there; nothing otherwise (position unchanged).
std::optional<std::size_t> readPosition(std::string_view format, std::size_t& position) {
  std::size_t end = position;
  int number = readNumber(format, end);
  if (end == position || end >= format.size() || format[end] != '$' || number == 0) return std::nullopt;
  position = end + 1;
  return static_cast<std::size_t>(number - 1);
}

Width readLengthModifier(std::string_view format, std::size_t& position) {
  Width size = Width::Default;
  while (position < format.size()) {
    char c = format[position];
    if (c == 'h') {
      size = size == Width::Short ? Width::Char : Width::Short;
    } else if (c == 'l' || c == 'q' || c == 'z' || c == 't' || c == 'j') {
      size = Width::Long;
    } else if (c != 'L') {
      break;
    }
    ++position;
  }
  return size;
}

// Parses the conversion that starts after a percent sign; nothing for one it does not know.
std::optional<Conversion> parseConversion(std::string_view format, std::size_t& position,
                                          std::size_t& nextArgument) {
  Conversion conversion;
  std::optional<std::size_t> explicitPosition = readPosition(format, position);
  while (position < format.size() && std::string_view("-+ 0#").find(format[position]) != std::string_view::npos) {
    conversion.flags += format[position++];
  }
  if (position < format.size() && isDigit(format[position])) conversion.width = readNumber(format, position);
  if (position < format.size() && format[position] == '.') {
    ++position;
    conversion.precision = readNumber(format, position);
  }
  conversion.size = readLengthModifier(format, position);
  if (position >= format.size()) return std::nullopt;
  conversion.type = format[position];
  if (std::string_view("@sdiuxXocCfFeEgGaA").find(conversion.type) == std::string_view::npos) return std::nullopt;
  ++position;
  conversion.argumentIndex = explicitPosition ? *explicitPosition : nextArgument++;
  return conversion;
}

std::int64_t signedValueOf(const FormatArgument::Storage& storage) {
  if (const auto* number = std::get_if<std::int64_t>(&storage)) return *number;
  if (const auto* number = std::get_if<std::uint64_t>(&storage)) return static_cast<std::int64_t>(*number);
  if (const auto* number = std::get_if<double>(&storage)) return clampToInt64(*number);
  return 0;
}

double realValueOf(const FormatArgument::Storage& storage) {
  if (const auto* number = std::get_if<std::int64_t>(&storage)) return static_cast<double>(*number);
  if (const auto* number = std::get_if<std::uint64_t>(&storage)) return static_cast<double>(*number);
  if (const auto* number = std::get_if<double>(&storage)) return *number;
  return 0.0;
}

std::string textValueOf(const FormatArgument::Storage& storage) {
  if (const auto* text = std::get_if<std::string>(&storage)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&storage)) return fmt::format("{}", *number);
  if (const auto* number = std::get_if<std::uint64_t>(&storage)) return fmt::format("{}", *number);
  if (const auto* number = std::get_if<double>(&storage)) return fmt::format("{}", *number);
  return "(null)";
}

// The value as a C vararg of the modifier's size would arrive: its low bits, read as the
// signed or unsigned type of that size.
template <typename Integer>
Integer truncated(std::int64_t value, Width size) {
  using Narrow8 = std::conditional_t<std::is_signed_v<Integer>, std::int8_t, std::uint8_t>;
  using Narrow16 = std::conditional_t<std::is_signed_v<Integer>, std::int16_t, std::uint16_t>;
  using Narrow32 = std::conditional_t<std::is_signed_v<Integer>, std::int32_t, std::uint32_t>;
  auto bits = static_cast<std::uint64_t>(value);
  switch (size) {
    case Width::Char: return static_cast<Narrow8>(bits);
    case Width::Short: return static_cast<Narrow16>(bits);
    case Width::Default: return static_cast<Narrow32>(bits);
    case Width::Long: break;
  }
  return static_cast<Integer>(bits);
}

std::string printfDirectiveOf(const Conversion& conversion) {
  std::string flags = conversion.flags;
  // C ignores the sign flags for unsigned conversions; fmt would print them.
  if (std::string_view("uxXo").find(conversion.type) != std::string_view::npos) {
    std::erase_if(flags, [](char flag) { return flag == '+' || flag == ' '; });
  }
  std::string printfDirective = "%" + flags;
  if (conversion.width >= 0) printfDirective += std::to_string(conversion.width);
  if (conversion.precision >= 0) printfDirective += "." + std::to_string(conversion.precision);
  return printfDirective + conversion.type;
}

// Texts are padded by their length in UTF-16 units, the platform's count of characters; the
// precision cuts a text to that many units.
std::string padded(std::string text, const Conversion& conversion) {
  if (conversion.precision >= 0) text = utf16Prefix(text, static_cast<std::size_t>(conversion.precision));
  std::size_t length = utf16Length(text);
  if (conversion.width < 0 || length >= static_cast<std::size_t>(conversion.width)) return text;
  std::string padding(static_cast<std::size_t>(conversion.width) - length, ' ');
  bool leftAligned = conversion.flags.find('-') != std::string::npos;
  return leftAligned ? text + padding : padding + text;
}

std::string characterText(const Conversion& conversion, const FormatArgument::Storage& storage) {
  std::uint64_t code = static_cast<std::uint64_t>(signedValueOf(storage));
  std::string text;
  if (conversion.type == 'C' || conversion.size == Width::Long) {
    appendUTF16Unit(text, static_cast<char16_t>(code));
  } else if (auto byte = static_cast<unsigned char>(code); byte != 0) {
    appendUTF16Unit(text, macRomanCharacter(byte));
  }
  Conversion withoutPrecision = conversion;
  withoutPrecision.precision = -1;
  return padded(text, withoutPrecision);
}

std::string formatOne(const Conversion& conversion, const FormatArgument* argument) {
  bool isText = conversion.type == '@' || conversion.type == 's';
  if (argument == nullptr) return isText ? std::string("(null)") : std::string();
  const FormatArgument::Storage& storage = argument->storage();
  if (isText) return padded(textValueOf(storage), conversion);
  if (conversion.type == 'c' || conversion.type == 'C') return characterText(conversion, storage);
  std::string printfDirective = printfDirectiveOf(conversion);
  try {
    switch (conversion.type) {
      case 'd':
      case 'i': return fmt::sprintf(printfDirective, truncated<std::int64_t>(signedValueOf(storage), conversion.size));
      case 'u':
      case 'x':
      case 'X':
      case 'o': return fmt::sprintf(printfDirective, truncated<std::uint64_t>(signedValueOf(storage), conversion.size));
      default: return fmt::sprintf(printfDirective, realValueOf(storage));
    }
  } catch (const fmt::format_error&) {
    // A flag that fmt refuses for this conversion (C would ignore it): print without flags.
    if (conversion.flags.empty()) return std::string();
    Conversion plain = conversion;
    plain.flags.clear();
    return formatOne(plain, argument);
  }
}

}  // namespace

std::string formatWithArguments(std::string_view format, std::span<const FormatArgument> arguments) {
  std::string result;
  std::size_t nextArgument = 0;
  std::size_t position = 0;
  while (position < format.size()) {
    std::size_t percent = format.find('%', position);
    result += format.substr(position, percent - position);
    if (percent == std::string_view::npos) break;
    if (percent + 1 < format.size() && format[percent + 1] == '%') {
      result += '%';
      position = percent + 2;
      continue;
    }
    position = percent + 1;
    std::optional<Conversion> conversion = parseConversion(format, position, nextArgument);
    if (!conversion) {
      // Copy the unknown conversion's percent sign and let the rest read as plain text.
      result += '%';
      position = percent + 1;
      continue;
    }
    const FormatArgument* argument =
        conversion->argumentIndex < arguments.size() ? &arguments[conversion->argumentIndex] : nullptr;
    result += formatOne(*conversion, argument);
  }
  return result;
}

}  // namespace sw
