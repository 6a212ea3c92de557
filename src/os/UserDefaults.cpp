// User defaults as one XML property-list file per domain, written atomically.
#include "os/UserDefaults.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "foundation/FileContents.h"
#include "foundation/Format.h"
#include "foundation/ProcessWide.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Machine.h"
#include "os/SystemLog.h"

namespace sw::os {
namespace {

// Preference files are small; a larger file is no domain of ours and is set aside like a
// corrupt one, so that it is neither read into memory nor overwritten.
constexpr std::uintmax_t kMaximumDomainFileSize = 16 * 1024 * 1024;
// How many numbered ".corrupt" names are tried before a bad file is left where it is.
constexpr int kMaximumCorruptCopies = 100;

struct DefaultsState {
  std::optional<std::filesystem::path> directory;  // --defaults-dir or a test's directory
  std::function<bool(const std::filesystem::path&)> writeInterruption;
};

ProcessWide<DefaultsState> state;

std::string lastError() { return std::strerror(errno); }

void logProblem(std::string_view message) { systemLog(stringWithFormat("UserDefaults: %@\n", message)); }

std::filesystem::path homeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
  return std::filesystem::current_path();
}

// A domain name becomes a file name; it must not lead out of the directory.
std::optional<std::filesystem::path> domainFile(std::string_view domain) {
  if (domain.empty() || domain == "." || domain == ".." ||
      domain.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
    logProblem(stringWithFormat("\"%@\" is no usable domain name", domain));
    return std::nullopt;
  }
  return defaultsDirectory() / (std::string(domain) + ".plist");
}

// Renames a file that cannot be read as a domain to "<file>.corrupt", or "<file>.corrupt.N"
// when earlier copies exist, so that the user's data is never silently lost.
void setAside(const std::filesystem::path& file, std::string_view problem) {
  std::error_code error;
  for (int copy = 0; copy < kMaximumCorruptCopies; ++copy) {
    std::filesystem::path aside = file;
    aside += copy == 0 ? std::string(".corrupt") : ".corrupt." + std::to_string(copy);
    if (std::filesystem::exists(aside, error)) continue;
    std::filesystem::rename(file, aside, error);
    if (!error) {
      logProblem(stringWithFormat("%@ cannot be read (%@); kept as %@", file.string(), problem, aside.string()));
      return;
    }
    break;
  }
  logProblem(stringWithFormat("%@ cannot be read (%@) and could not be set aside", file.string(), problem));
}

bool writeAll(int descriptor, const Data& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    written += static_cast<std::size_t>(count);
  }
  return true;
}

// Makes the rename itself durable; a failure here leaves a complete file either way.
void syncDirectory(const std::filesystem::path& directory) {
  int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

struct TemporaryFile {
  std::string path;     // empty when none was created
  std::string problem;  // empty when the bytes are written and flushed
};

// A new file beside the target (on the same file system, so that a rename can replace the
// target) holding the bytes, flushed to the disk.
TemporaryFile writeTemporaryBeside(const std::filesystem::path& target, const Data& bytes) {
  TemporaryFile file{(target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string(), {}};
  int descriptor = ::mkstemp(file.path.data());
  if (descriptor < 0) {
    file.problem = lastError();
    file.path.clear();
    return file;
  }
  if (!writeAll(descriptor, bytes) || ::fsync(descriptor) != 0) file.problem = lastError();
  if (::close(descriptor) != 0 && file.problem.empty()) file.problem = lastError();
  return file;
}

// Writes the bytes beside the target and renames them over it: readers see the old file or
// the new one, never a part of either.
bool replaceFileAtomically(const std::filesystem::path& target, const Data& bytes) {
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  if (error) {
    logProblem(stringWithFormat("cannot create %@: %@", target.parent_path().string(), error.message()));
    return false;
  }
  TemporaryFile temporary = writeTemporaryBeside(target, bytes);
  std::string problem = temporary.problem;
  const auto& interruption = state.get().writeInterruption;
  if (problem.empty() && interruption && !interruption(temporary.path)) problem = "interrupted";
  if (problem.empty() && ::rename(temporary.path.c_str(), target.c_str()) != 0) problem = lastError();
  if (!problem.empty()) {
    if (!temporary.path.empty()) ::unlink(temporary.path.c_str());
    logProblem(stringWithFormat("cannot write %@: %@", target.string(), problem));
    return false;
  }
  syncDirectory(target.parent_path());
  return true;
}

}  // namespace

void setDefaultsDirectory(std::filesystem::path directory) { state.get().directory = std::move(directory); }

std::filesystem::path defaultsDirectory() {
  if (const auto& directory = state.get().directory) return *directory;
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  // The XDG rules ignore a relative XDG_CONFIG_HOME.
  if (configHome != nullptr && *configHome == '/') return std::filesystem::path(configHome) / "sensorwidget";
  return homeDirectory() / ".config" / "sensorwidget";
}

void setDefaultsWriteInterruptionForTesting(std::function<bool(const std::filesystem::path&)> hook) {
  state.get().writeInterruption = std::move(hook);
}

UserDefaults& UserDefaults::standardUserDefaults() {
  static UserDefaults defaults;  // stateless: everything it knows is in the files
  return defaults;
}

std::optional<Dictionary> UserDefaults::persistentDomainForName(std::string_view domain) {
  std::optional<std::filesystem::path> file = domainFile(domain);
  if (!file) return std::nullopt;
  FileReadResult read = readFileContents(*file, kMaximumDomainFileSize);
  if (!read.contents) {
    if (read.failure == FileReadFailure::TooLarge) setAside(*file, read.reason);
    if (read.failure == FileReadFailure::Unreadable) logProblem(stringWithFormat("cannot read %@: %@", file->string(), read.reason));
    return std::nullopt;
  }
  std::string error;
  std::optional<Value> list = PropertyListSerialization::propertyListFromData(*read.contents, &error);
  if (!list || list->asDictionary() == nullptr) {
    setAside(*file, list ? "its root is no dictionary" : error);
    return std::nullopt;
  }
  return std::move(*list->asDictionary());
}

bool UserDefaults::setPersistentDomainForName(const Dictionary& domain, std::string_view name) {
  std::optional<std::filesystem::path> file = domainFile(name);
  if (!file) return false;
  return replaceFileAtomically(*file, PropertyListSerialization::dataFromPropertyList(Value(domain),
                                                                                     PropertyListSerialization::Format::XML));
}

std::optional<Value> UserDefaults::objectForKey(std::string_view key) {
  if (std::optional<Dictionary> global = persistentDomainForName(".GlobalPreferences")) {
    if (const Value* value = valueForKey(*global, key)) return *value;
  }
  if (!hasCurrentMachine()) return std::nullopt;
  const Dictionary machineDefaults = currentMachine().standardUserDefaults();
  const Value* value = valueForKey(machineDefaults, key);
  return value == nullptr ? std::nullopt : std::optional<Value>(*value);
}

}  // namespace sw::os
