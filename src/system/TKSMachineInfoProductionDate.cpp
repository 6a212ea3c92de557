// The week of manufacture, decoded from the serial number.
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include <unicode/gregocal.h>

#include "os/Bundle.h"
#include "os/Clock.h"
#include "system/TKSMachineInfo.h"
#include "system/TKSTimeUtilities.h"

namespace sw {
namespace {

struct YearCharacter {
  char character;
  std::int16_t digit;
  bool secondHalf;
};

// The year character of the twelve-character form names the year's last digit and its half.
constexpr std::array<YearCharacter, 20> kYearCharacters = {{
    {'C', 0, false}, {'D', 0, true}, {'F', 1, false}, {'G', 1, true}, {'H', 2, false},
    {'J', 2, true},  {'K', 3, false}, {'L', 3, true}, {'M', 4, false}, {'N', 4, true},
    {'P', 5, false}, {'Q', 5, true},  {'R', 6, false}, {'S', 6, true}, {'T', 7, false},
    {'V', 7, true},  {'W', 8, false}, {'X', 8, true},  {'Y', 9, false}, {'Z', 9, true},
}};

// The week character counts the weeks of a half year; letters that read like digits are left out.
constexpr std::string_view kWeekCharacters = "123456789CDFGHJKLMNPQRTVWXY";

constexpr std::int16_t kWeeksPerHalfYear = 26;

struct SerialWeek {
  std::int16_t yearDigit;
  std::int16_t week;
};

std::int16_t decimalValue(char c) { return c >= '0' && c <= '9' ? static_cast<std::int16_t>(c - '0') : 0; }

std::optional<SerialWeek> elevenCharacterWeek(const std::string& serial) {
  return SerialWeek{decimalValue(serial[2]),
                    static_cast<std::int16_t>(decimalValue(serial[3]) * 10 + decimalValue(serial[4]))};
}

std::optional<SerialWeek> twelveCharacterWeek(const std::string& serial) {
  const auto year = std::find_if(kYearCharacters.begin(), kYearCharacters.end(),
                                 [&](const YearCharacter& entry) { return entry.character == serial[3]; });
  const std::size_t weekIndex = kWeekCharacters.find(serial[4]);
  if (year == kYearCharacters.end() || weekIndex == std::string_view::npos) return std::nullopt;
  const auto week = static_cast<std::int16_t>(weekIndex + 1 + (year->secondHalf ? kWeeksPerHalfYear : 0));
  return SerialWeek{year->digit, week};
}

std::optional<SerialWeek> serialWeek(const std::string& serial) {
  if (serial.starts_with(TKSMachineInfo::fallBackSerialNumberPrefix())) return std::nullopt;
  if (serial.size() == 11) return elevenCharacterWeek(serial);
  if (serial.size() == 12) return twelveCharacterWeek(serial);
  return std::nullopt;
}

std::int16_t currentGregorianYear() {
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(icu::Locale(os::currentLocale().c_str()), status);
  calendar.setTime(os::currentTime() * 1000.0, status);
  const std::int32_t year = calendar.get(UCAL_YEAR, status);
  return U_SUCCESS(status) ? static_cast<std::int16_t>(year) : 0;
}

}  // namespace

std::optional<Date> TKSMachineInfo::estimatedProductionDate() const {
  const auto decoded = serialWeek(facts_.machineSerialNumber);
  if (!decoded) return std::nullopt;
  const std::int16_t currentYear = currentGregorianYear();
  // The most recent year, not after this one, that ends in the digit.
  auto year = static_cast<std::int16_t>(currentYear / 10 * 10 + decoded->yearDigit);
  if (year > currentYear) year = static_cast<std::int16_t>(year - 10);
  return TKSTimeUtilities::dateForWeekYearDay(decoded->week, year, 1);
}

}  // namespace sw
