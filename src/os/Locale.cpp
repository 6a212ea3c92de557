// The current locale: set by --locale or tests, else read from the environment.
#include "os/Locale.h"

#include <cstdlib>
#include <optional>

#include "foundation/ProcessWide.h"
#include "os/Bundle.h"

namespace sw::os {
namespace {

// The locale given by --locale or a test; nothing means "ask the environment".
ProcessWide<std::optional<std::string>> chosenLocale;

std::string localeFromEnvironment() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return localeIdentifierFromPOSIXName(value);
  }
  return "en";
}

bool isIdentifierCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string localeIdentifierFromPOSIXName(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  std::string identifier;
  for (char c : name) {
    char normalized = c == '-' ? '_' : c;
    // Anything else could reach a file name (the language folder); such a name is no locale.
    if (!isIdentifierCharacter(normalized)) return "en";
    identifier += normalized;
  }
  if (identifier.empty() || identifier == "C" || identifier == "POSIX") return "en";
  return identifier;
}

std::vector<std::string> localizationsForLocale(std::string_view locale) {
  std::string identifier = localeIdentifierFromPOSIXName(locale);
  std::vector<std::string> folders{identifier};
  std::string language = identifier.substr(0, identifier.find('_'));
  if (language != identifier) folders.push_back(language);
  if (language != "en") folders.push_back("en");
  return folders;
}

void setCurrentLocale(std::string locale) { chosenLocale.get() = localeIdentifierFromPOSIXName(locale); }

std::string currentLocale() {
  const std::optional<std::string>& chosen = chosenLocale.get();
  return chosen ? *chosen : localeFromEnvironment();
}

}  // namespace sw::os
