// User defaults: persistent domains stored as property-list files, one per domain, in the
// defaults directory, and the standard defaults (the machine's switches plus the user's own).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/Value.h"

namespace sw::os {

/// The directory that holds the domain files: --defaults-dir, else $XDG_CONFIG_HOME/sensorwidget,
/// else ~/.config/sensorwidget. Set once at start-up and by tests.
void setDefaultsDirectory(std::filesystem::path directory);
std::filesystem::path defaultsDirectory();

/// For tests: called when a domain's temporary file is written and flushed, just before it is
/// renamed into place. Returning false abandons the write there, as a crash at that moment
/// would (the temporary file is removed). Null removes the hook.
void setDefaultsWriteInterruptionForTesting(std::function<bool(const std::filesystem::path& temporaryFile)> hook);

class UserDefaults {
 public:
  /// The shared instance, as the platform's standardUserDefaults.
  static UserDefaults& standardUserDefaults();

  /// The stored domain, read from "<domain>.plist" now; nothing when there is no file. A file that
  /// cannot be parsed is renamed "<domain>.plist.corrupt" (kept, never lost) and reads as absent.
  std::optional<Dictionary> persistentDomainForName(std::string_view domain);
  /// Replaces the stored domain: written to a temporary file, flushed and renamed into place, so
  /// an interrupted write leaves the previous file whole. False (and a log message) on failure.
  bool setPersistentDomainForName(const Dictionary& domain, std::string_view name);
  /// Writes are immediate; kept for callers that synchronise, as on the platform.
  bool synchronize() { return true; }

  /// A key of the standard defaults: the machine's own (its profile) overlaid with the user's
  /// ".GlobalPreferences" domain. Nothing when absent.
  std::optional<Value> objectForKey(std::string_view key);
};

}  // namespace sw::os
