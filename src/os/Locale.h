// The user's locale: which language folders hold their texts and how POSIX names read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sw::os {

/// A POSIX locale name ("de_DE.UTF-8", "de_DE@euro", "de-DE") as a locale identifier ("de_DE").
/// "C", "POSIX" and an empty name mean no preference and give "en".
std::string localeIdentifierFromPOSIXName(std::string_view name);

/// The language folders (without ".lproj") to search for a locale, most specific first and
/// English last: "de_DE" gives "de_DE", "de", "en".
std::vector<std::string> localizationsForLocale(std::string_view locale);

}  // namespace sw::os
