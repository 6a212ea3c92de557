// The machinery shared by the SMC sensors' key tables: a key's characters, the row format, and
// the three-character code of their unique identifiers.
#pragma once

#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"
#include "sensors/TKSSensor.h"

namespace sw::smc {

/// What a row may look at: the key's characters after the first (k, d, s), the machine's model
/// identifier and its number of processor packages.
struct SMCKeyContext {
  char16_t k = 0;
  char16_t d = 0;
  char16_t s = 0;
  std::string_view model;
  unsigned packages = 0;
  /// When set, every model prefix a row asks about is added, so a walk of the tables learns
  /// which models they tell apart.
  std::set<std::string, std::less<>>* askedModelPrefixes = nullptr;

  bool modelBeginsWith(std::string_view prefix) const {
    if (askedModelPrefixes != nullptr && !askedModelPrefixes->contains(prefix)) askedModelPrefixes->emplace(prefix);
    return model.starts_with(prefix);
  }
};

/// One row: it applies to keys with the character k whose context `matches`; the location is
/// `format` filled with the characters that `arguments` gives (none when it is null).
struct SMCLocationRow {
  char16_t k;
  bool (*matches)(const SMCKeyContext&);
  const char* format;
  std::vector<char16_t> (*arguments)(const SMCKeyContext&) = nullptr;
};

/// The context of a four-character key (UTF-16 units), or nothing for a key of another length
/// or whose first character is not one of firstCharacters.
std::optional<SMCKeyContext> keyContext(std::string_view key, std::u16string_view firstCharacters);
/// The first row for the context's k that matches; null when none does.
const SMCLocationRow* matchingRow(std::span<const SMCLocationRow> rows, const SMCKeyContext& context);
/// The row's format filled with the characters it takes from the context.
std::string locationOfRow(const SMCLocationRow& row, const SMCKeyContext& context);
/// The location of the first row for the context's k that matches; nothing when none does.
std::optional<std::string> locationFromTable(std::span<const SMCLocationRow> rows, const SMCKeyContext& context);

/// The character one code after c.
char16_t next(char16_t c);
bool isDigit(char16_t c);
/// c plus delta, for character arithmetic on digits and letters.
char16_t offset(char16_t c, long long delta);

/// The key's characters 1, 3 and 2 plus 1, 2 and 3: "TC0D" gives "DF3".
std::string threeCharacterCode(std::string_view key);
/// A string entry of a sensor description; "" when absent or not a string.
std::string textEntry(const Dictionary& description, std::string_view name);
/// Gives an SMC sensor its identifiers and quantity, with the controller's name (from the host's
/// string table) and the sensor type that every SMC sensor carries.
void identifySMCSensor(TKSSensor& sensor, std::string uniqueIdentifier, std::string location, std::int32_t quantity);
/// The model identifier of the machine ("MacPro5,1").
std::string machineModel();

}  // namespace sw::smc
