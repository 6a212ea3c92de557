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

/// Why a domain file could not be made in the defaults directory now (it is made if missing),
/// or nothing when it can. The command line asks before it starts storing settings.
std::optional<std::string> defaultsDirectoryWriteProblem();

/// Where a failed or refused write is reported, one line per write (without a line feed). The
/// system log when unset; the command line shows them on standard error instead.
void setDefaultsWriteFailureReporter(std::function<void(std::string_view problem)> reporter);

/// The largest domain file that is read, and so the largest that is ever written.
inline constexpr std::uintmax_t kMaximumDomainFileSize = 16 * 1024 * 1024;

/// For tests: called when a domain's temporary file is written and flushed, just before it is
/// renamed into place. Returning false abandons the write there, as a crash at that moment
/// would (the temporary file is removed). Null removes the hook.
void setDefaultsWriteInterruptionForTesting(std::function<bool(const std::filesystem::path& temporaryFile)> hook);

/// For tests: a file-system fault. The hook answers an errno value to fail the operation on that
/// path with, or 0 to let it run. Null removes the hook.
enum class DefaultsFileOperation { Read, Lock, Write, Rename };
void setDefaultsFileFaultForTesting(std::function<int(DefaultsFileOperation, const std::filesystem::path&)> hook);

class UserDefaults {
 public:
  /// The shared instance, as the platform's standardUserDefaults.
  static UserDefaults& standardUserDefaults();

  /// The stored domain, read from "<domain>.plist" now; nothing when there is no file. A file that
  /// cannot be parsed is renamed "<domain>.plist.corrupt" (kept, never lost) and reads as absent.
  /// A file that exists but cannot be read (no permission, an I/O error, a folder in its place)
  /// reads as absent too, and the domain is then never written for the rest of the run, so that
  /// the defaults used meanwhile cannot replace what the user stored.
  std::optional<Dictionary> persistentDomainForName(std::string_view domain);
  /// Replaces the stored domain: written to a temporary file, flushed and renamed into place, so
  /// an interrupted write leaves the previous file whole. False (and a report) on failure.
  bool setPersistentDomainForName(const Dictionary& domain, std::string_view name);
  /// Reads the stored domain (empty when there is none), lets `change` edit it and writes it
  /// back, holding the domain's lock file throughout, so that processes editing the same domain
  /// at once do not lose each other's changes. False (and a report) when nothing was written.
  bool updatePersistentDomainForName(std::string_view name, const std::function<void(Dictionary&)>& change);
  /// Writes are immediate; kept for callers that synchronise, as on the platform.
  bool synchronize() { return true; }

  /// A key of the standard defaults: the machine's own (its profile) overlaid with the user's
  /// ".GlobalPreferences" domain. Nothing when absent.
  std::optional<Value> objectForKey(std::string_view key);
};

}  // namespace sw::os
