// Decimal separators from ICU's locale data, looked up once per locale.
#include "foundation/NumberText.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>

#include <map>

#include "foundation/ProcessWide.h"

namespace sw {
namespace {

std::string separatorFromICU(std::string_view locale) {
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols symbols(icu::Locale(std::string(locale).c_str()), status);
  if (U_FAILURE(status)) return ".";
  std::string separator;
  symbols.getConstSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol).toUTF8String(separator);
  return separator.empty() ? std::string(".") : separator;
}

// Locale identifier → its decimal separator.
ProcessWide<std::map<std::string, std::string, std::less<>>> separatorCache;

}  // namespace

std::string decimalSeparatorForLocale(std::string_view locale) {
  auto& cache = separatorCache.get();
  auto found = cache.find(locale);
  if (found == cache.end()) found = cache.emplace(std::string(locale), separatorFromICU(locale)).first;
  return found->second;
}

std::string localizedNumberText(std::string_view printedNumber, std::string_view locale) {
  std::string separator = decimalSeparatorForLocale(locale);
  std::string text;
  text.reserve(printedNumber.size() + separator.size());
  for (char c : printedNumber) {
    if (c == '.') {
      text += separator;
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace sw
