// Format texts from string tables are outside data: any format with any arguments gives a
// bounded, valid UTF-8 text. The input is the format, a NUL, then one byte per argument
// choosing it from a table of awkward values.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "foundation/Format.h"
#include "foundation/TextEncoding.h"
#include "fuzz/FuzzInput.h"

namespace {

const std::vector<sw::FormatArgument>& argumentTable() {
  static const std::vector<sw::FormatArgument> table = {
      nullptr,
      0,
      -1,
      std::numeric_limits<std::int64_t>::min(),
      std::numeric_limits<std::uint64_t>::max(),
      static_cast<unsigned char>(0xA5),
      static_cast<char16_t>(0xD800),
      static_cast<char16_t>(0x00E9),
      3.25,
      -0.0,
      std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::quiet_NaN(),
      1e308,
      std::numeric_limits<double>::denorm_min(),
      "text",
      std::string("caf\xC3\xA9 \xF0\x9F\x8C\xA1"),
      std::string(),
      sw::Value(sw::Array{sw::Value::integer(1), sw::Value("two")}),
      std::string("\xFF\xFE broken"),  // last: the only argument that is no valid UTF-8
  };
  return table;
}

// Each argument adds at most a field of the maximum width or its own text; each conversion of
// the format is at most as long as its own characters.
constexpr std::size_t kLongestArgumentText = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  sw::fuzz::FuzzInput input(data, size);
  const std::string_view format = input.takeUntil('\0');
  std::vector<sw::FormatArgument> arguments;
  bool argumentsAreValidText = true;
  for (const char choice : input.takeRest()) {
    const std::size_t index = static_cast<std::uint8_t>(choice) % argumentTable().size();
    argumentsAreValidText = argumentsAreValidText && index + 1 < argumentTable().size();
    arguments.push_back(argumentTable()[index]);
  }

  const std::string text = sw::formatWithArguments(format, arguments);
  if (argumentsAreValidText && sw::validUTF8(format) == format) {
    sw::fuzz::require(sw::validUTF8(text) == text, "a valid format gives valid UTF-8");
  }
  const std::size_t conversions = static_cast<std::size_t>(std::count(format.begin(), format.end(), '%'));
  const std::size_t bound =
      format.size() + conversions * (static_cast<std::size_t>(sw::kMaximumFieldWidth) + kLongestArgumentText) * 4;
  sw::fuzz::require(text.size() <= bound, "a hostile format cannot make a huge text");
  return 0;
}
