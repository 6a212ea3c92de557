// Key table rows, key characters and identifiers of the SMC sensors.
#include "smc/SMCKeyTable.h"

#include "foundation/Format.h"
#include "foundation/TextEncoding.h"
#include "os/Bundle.h"
#include "system/TKSMachineInfo.h"

namespace sw::smc {

std::optional<SMCKeyContext> keyContext(std::string_view key, std::u16string_view firstCharacters) {
  std::u16string units = utf8ToUTF16(key);
  if (units.size() != 4 || firstCharacters.find(units[0]) == std::u16string_view::npos) return std::nullopt;
  SMCKeyContext context;
  context.k = units[1];
  context.d = units[2];
  context.s = units[3];
  return context;
}

const SMCLocationRow* matchingRow(std::span<const SMCLocationRow> rows, const SMCKeyContext& context) {
  for (const SMCLocationRow& row : rows) {
    if (row.k == context.k && row.matches(context)) return &row;
  }
  return nullptr;
}

std::string locationOfRow(const SMCLocationRow& row, const SMCKeyContext& context) {
  if (row.arguments == nullptr) return std::string(row.format);
  std::vector<char16_t> characters = row.arguments(context);
  std::vector<FormatArgument> arguments(characters.begin(), characters.end());
  return formatWithArguments(row.format, arguments);
}

std::optional<std::string> locationFromTable(std::span<const SMCLocationRow> rows, const SMCKeyContext& context) {
  const SMCLocationRow* row = matchingRow(rows, context);
  if (row == nullptr) return std::nullopt;
  return locationOfRow(*row, context);
}

char16_t next(char16_t c) { return offsetCharacter(c, 1); }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
char16_t offset(char16_t c, long long delta) { return offsetCharacter(c, delta); }

std::string threeCharacterCode(std::string_view key) {
  std::u16string units = utf8ToUTF16(key);
  if (units.size() < 4) return {};
  std::string code;
  appendUTF16Unit(code, offsetCharacter(units[1], 1));
  appendUTF16Unit(code, offsetCharacter(units[3], 2));
  appendUTF16Unit(code, offsetCharacter(units[2], 3));
  return code;
}

std::string textEntry(const Dictionary& description, std::string_view name) {
  auto entry = description.find(name);
  const std::string* text = entry == description.end() ? nullptr : entry->second.asString();
  return text ? *text : std::string();
}

void identifySMCSensor(TKSSensor& sensor, std::string uniqueIdentifier, std::string location, std::int32_t quantity) {
  sensor.setUniqueIdentifier(std::move(uniqueIdentifier));
  sensor.setLocationIdentifier(std::move(location));
  sensor.setSensorName(os::Bundle::mainBundle().localizedStringForKey("Apple System Management Controller", "", ""));
  sensor.setSensorType(1);
  sensor.setQuantityType(quantity);
}

std::string machineModel() {
  std::shared_ptr<TKSMachineInfo> info = TKSMachineInfo::sharedMachineInfo();
  return info ? info->appleModelCode() : std::string();
}

}  // namespace sw::smc
