// Durations and dates as localised texts, and the date of a week.
#include "system/TKSTimeUtilities.h"

#include <cmath>
#include <memory>

#include <unicode/datefmt.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "foundation/Format.h"
#include "foundation/Numbers.h"
#include "os/Bundle.h"
#include "os/Clock.h"

namespace sw {
namespace {

constexpr double kSecondsFrom1970To2001 = 978307200.0;
constexpr double kSecondsPerDay = 86400.0;

struct DurationParts {
  bool negative;
  std::int32_t days;
  std::int32_t hours;
  std::int32_t minutes;
  std::int32_t seconds;
};

DurationParts splitDuration(double interval) {
  const std::int32_t s = clampToInt32(std::fabs(interval));
  return {interval < 0, s / 86400, (s % 86400) / 3600, (s % 3600) / 60, s % 60};
}

std::string localized(std::string_view key) { return os::Bundle::mainBundle().localizedStringForKey(key, "", ""); }

/// Appends the singular text for 1, else the plural format filled with the number.
void appendUnit(std::string& text, std::int32_t count, std::string_view singular, std::string_view plural) {
  text += count == 1 ? localized(singular) : stringWithFormat(localized(plural), count);
}

icu::Locale userLocale() { return icu::Locale(os::currentLocale().c_str()); }

UDate udateFor(Date date) { return (date.secondsSinceReferenceDate + kSecondsFrom1970To2001) * 1000.0; }

std::optional<std::string> format(icu::DateFormat* formatter, Date date) {
  if (!formatter) return std::nullopt;
  std::unique_ptr<icu::DateFormat> owned(formatter);
  icu::UnicodeString text;
  owned->format(udateFor(date), text);
  std::string utf8;
  return text.toUTF8String(utf8);
}

}  // namespace

std::string TKSTimeUtilities::localizedTextRepresentationForTimeInterval(double seconds) {
  const DurationParts parts = splitDuration(seconds);
  std::string text = parts.negative ? localized("-") : std::string{};
  if (parts.days > 0) appendUnit(text, parts.days, "1 day ", "%d days ");
  if (parts.hours > 0) appendUnit(text, parts.hours, "1 hour ", "%d hours ");
  if (parts.minutes > 0) appendUnit(text, parts.minutes, "1 minute ", "%d minutes ");
  if ((parts.seconds > 0 && parts.hours == 0) || text.empty()) {
    appendUnit(text, parts.seconds, "1 second ", "%d seconds");
  }
  return text;
}

std::string TKSTimeUtilities::localizedNumericRepresentationForTimeInterval(double seconds) {
  const DurationParts parts = splitDuration(seconds);
  std::string text = parts.negative ? localized("-") : std::string{};
  if (parts.days < 1) {
    return text + stringWithFormat(localized("%02d:%02d:%02d"), parts.hours, parts.minutes, parts.seconds);
  }
  return text + stringWithFormat(localized("%d d %02d:%02d"), parts.days, parts.hours, parts.minutes);
}

std::optional<std::string> TKSTimeUtilities::localizedTextRepresentationForDate(std::optional<Date> date) {
  if (!date) return std::nullopt;
  const double now = os::currentTime() - kSecondsFrom1970To2001;
  const bool farAway = std::fabs(date->secondsSinceReferenceDate - now) > kSecondsPerDay;
  const auto dateStyle = farAway ? icu::DateFormat::kShort : icu::DateFormat::kNone;
  return format(icu::DateFormat::createDateTimeInstance(dateStyle, icu::DateFormat::kMedium, userLocale()), *date);
}

std::optional<std::string> TKSTimeUtilities::localizedDayRepresentationForDate(std::optional<Date> date) {
  if (!date) return std::nullopt;
  return format(icu::DateFormat::createDateInstance(icu::DateFormat::kShort, userLocale()), *date);
}

Date TKSTimeUtilities::dateForWeekYearDay(std::int16_t week, std::int16_t year, std::int16_t day) {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(userLocale(), status);
  if (U_FAILURE(status)) return {};
  calendar.clear();
  calendar.set(UCAL_YEAR, year);
  calendar.set(UCAL_WEEK_OF_YEAR, week);
  calendar.set(UCAL_DAY_OF_WEEK, day + 1);
  const UDate midnight = calendar.getTime(status);
  if (U_FAILURE(status)) return {};
  return Date{midnight / 1000.0 - kSecondsFrom1970To2001};
}

}  // namespace sw
