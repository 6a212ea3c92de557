// The week of manufacture, decoded from the serial number.
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include <unicode/gregocal.h>

#include "foundation/TextEncoding.h"
#include "os/Bundle.h"
#include "os/Clock.h"
#include "system/TKSMachineInfo.h"
#include "system/TKSTimeUtilities.h"

namespace sw {
namespace {

struct YearCharacter {
  char16_t character;
  std::int16_t digit;
  bool secondHalf;
};

// The year character of the twelve-character form names the year's last digit and its half.
constexpr std::array<YearCharacter, 20> kYearCharacters = {{
    {u'C', 0, false}, {u'D', 0, true}, {u'F', 1, false}, {u'G', 1, true}, {u'H', 2, false},
    {u'J', 2, true},  {u'K', 3, false}, {u'L', 3, true}, {u'M', 4, false}, {u'N', 4, true},
    {u'P', 5, false}, {u'Q', 5, true},  {u'R', 6, false}, {u'S', 6, true}, {u'T', 7, false},
    {u'V', 7, true},  {u'W', 8, false}, {u'X', 8, true},  {u'Y', 9, false}, {u'Z', 9, true},
}};

// The week character counts the weeks of a half year; letters that read like digits are left out.
constexpr std::u16string_view kWeekCharacters = u"123456789CDFGHJKLMNPQRTVWXY";

constexpr std::int16_t kWeeksPerHalfYear = 26;

struct SerialWeek {
  std::int16_t yearDigit;
  std::int16_t week;
  // The last year machines were given serial numbers of this form: a year digit names a decade
  // only up to then, so later clocks must not push the estimate ten years on.
  std::int16_t lastYearOfForm;
};

constexpr std::int16_t kLastYearOfElevenCharacterForm = 2012;
constexpr std::int16_t kLastYearOfTwelveCharacterForm = 2020;

std::int16_t decimalValue(char16_t c) { return c >= u'0' && c <= u'9' ? static_cast<std::int16_t>(c - u'0') : 0; }

std::optional<SerialWeek> elevenCharacterWeek(const std::u16string& serial) {
  return SerialWeek{decimalValue(serial[2]),
                    static_cast<std::int16_t>(decimalValue(serial[3]) * 10 + decimalValue(serial[4])),
                    kLastYearOfElevenCharacterForm};
}

std::optional<SerialWeek> twelveCharacterWeek(const std::u16string& serial) {
  const auto year = std::find_if(kYearCharacters.begin(), kYearCharacters.end(),
                                 [&](const YearCharacter& entry) { return entry.character == serial[3]; });
  const std::size_t weekIndex = kWeekCharacters.find(serial[4]);
  if (year == kYearCharacters.end() || weekIndex == std::string_view::npos) return std::nullopt;
  const auto week = static_cast<std::int16_t>(weekIndex + 1 + (year->secondHalf ? kWeeksPerHalfYear : 0));
  return SerialWeek{year->digit, week, kLastYearOfTwelveCharacterForm};
}

std::optional<SerialWeek> serialWeek(const std::string& serialNumber) {
  if (serialNumber.starts_with(TKSMachineInfo::fallBackSerialNumberPrefix())) return std::nullopt;
  // Positions and lengths count characters as the system does, in UTF-16 units.
  const std::u16string serial = utf8ToUTF16(serialNumber);
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
  const std::int16_t currentYear = std::min(currentGregorianYear(), decoded->lastYearOfForm);
  // The most recent year, not after this one, that ends in the digit.
  auto year = static_cast<std::int16_t>(currentYear / 10 * 10 + decoded->yearDigit);
  if (year > currentYear) year = static_cast<std::int16_t>(year - 10);
  return TKSTimeUtilities::dateForWeekYearDay(decoded->week, year, 1);
}

}  // namespace sw
