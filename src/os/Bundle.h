// Bundles: an Info.plist, resource files and localised string tables in <lang>.lproj folders.
// The two bundles of the system (the plug-in's and the host's main bundle) are linked into the
// binary from resources/.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Value.h"

namespace sw::os {

/// The user's language preference: --locale, else the environment (LC_ALL, LC_MESSAGES, LANG).
/// A locale identifier such as "de_DE" or "en_US".
void setCurrentLocale(std::string locale);
std::string currentLocale();

class Bundle {
 public:
  /// The host application's bundle (sensor names, battery and time texts).
  static Bundle& mainBundle();
  /// The widget plug-in's bundle (Localizable and SensorLocations tables, data files).
  static Bundle& pluginBundle();

  /// A bundle whose files live under a root of the embedded files ("resources/Plugin") or of
  /// the file system.
  explicit Bundle(std::string root);

  const Dictionary& infoDictionary();
  std::optional<std::string> bundleIdentifier();

  /// The contents of "<name>.<type>" from the language folder of the current locale, then
  /// English, then the bundle's top level. Nothing when there is none.
  std::optional<std::string> resourceContents(std::string_view name, std::string_view type);

  /// The translation of key in table (empty: "Localizable") for the current locale, falling
  /// back to English, then to value when it is not empty, then to the key itself.
  std::string localizedStringForKey(std::string_view key, std::string_view value, std::string_view table);

 private:
  struct Tables;
  Tables& tables();
  /// A file of the bundle by its path below the root; nothing when absent or too large.
  std::optional<std::string> fileContents(std::string_view relativePath) const;
  /// The parsed table "<language>.lproj/<table>.strings"; nothing when absent or malformed.
  const std::optional<Dictionary>& stringTable(const std::string& language, std::string_view table);

  std::string root_;
  bool embedded_;  // whether root_ names embedded files rather than a directory
  std::shared_ptr<Tables> tables_;
};

/// Parses a .strings file: UTF-8, or UTF-16 with a byte-order mark; "key" = "value"; lines with
/// /* */ and // comments and backslash escapes. Nothing for a malformed file.
std::optional<Dictionary> parseStringsFile(std::string_view bytes);

}  // namespace sw::os
