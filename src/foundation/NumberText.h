// Numbers in the user's notation. Readings are printed printf-style (always with a point) and
// then given the decimal separator of the user's locale.
#pragma once

#include <string>
#include <string_view>

namespace sw {

/// The decimal separator of a locale identifier ("de_DE" gives ",", "en_US" gives "."); a
/// locale that ICU does not know gets its root locale's ".".
std::string decimalSeparatorForLocale(std::string_view locale);

/// A number printed by the formatter with the locale's decimal separator in place of the point.
std::string localizedNumberText(std::string_view printedNumber, std::string_view locale);

}  // namespace sw
