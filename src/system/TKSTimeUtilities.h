// Localised texts for durations and dates, and the date of a week of a year.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/Value.h"

namespace sw {

class TKSTimeUtilities {
 public:
  /// "1 hour 2 minutes " style; seconds only where they add something.
  static std::string localizedTextRepresentationForTimeInterval(double seconds);
  /// "01:02:03", or "1 d 01:02" from one day on.
  static std::string localizedNumericRepresentationForTimeInterval(double seconds);
  /// Time of day (medium style), with the short date when the date is more than a day away.
  static std::optional<std::string> localizedTextRepresentationForDate(std::optional<Date> date);
  /// The short date alone.
  static std::optional<std::string> localizedDayRepresentationForDate(std::optional<Date> date);
  /// Midnight (user's time zone) of the given weekday of the given week of the Gregorian year;
  /// day 0 is Sunday, day 1 Monday.
  static Date dateForWeekYearDay(std::int16_t week, std::int16_t year, std::int16_t day);
};

}  // namespace sw
