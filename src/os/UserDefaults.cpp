// User defaults as one property-list file per domain, written atomically under a lock file.
#include "os/UserDefaults.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <set>
#include <thread>

#include "foundation/FileContents.h"
#include "foundation/Format.h"
#include "foundation/ProcessWide.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Machine.h"
#include "os/SystemLog.h"

namespace sw::os {
namespace {

// How many numbered ".corrupt" names are tried before a bad file is left where it is.
constexpr int kMaximumCorruptCopies = 100;
// A writer that holds a domain's lock longer than this is taken to be stuck; the write fails
// rather than freezing the widget.
constexpr auto kLockPatience = std::chrono::seconds(10);
constexpr auto kLockRetryInterval = std::chrono::milliseconds(5);

struct DefaultsState {
  std::optional<std::filesystem::path> directory;  // --defaults-dir or a test's directory
  std::function<bool(const std::filesystem::path&)> writeInterruption;
  std::function<int(DefaultsFileOperation, const std::filesystem::path&)> fileFault;
  std::function<void(std::string_view)> writeFailureReporter;
  // Domains whose file existed but could not be read in this run: never written over, since the
  // settings in use are defaults and not what the user stored.
  std::set<std::string, std::less<>> unreadableDomains;
};

ProcessWide<DefaultsState> state;

std::string errorText(int error) { return std::strerror(error); }
std::string lastError() { return errorText(errno); }

void logProblem(std::string_view message) { systemLog(stringWithFormat("UserDefaults: %@\n", message)); }

void reportWriteFailure(std::string_view problem) {
  if (const auto& reporter = state.get().writeFailureReporter) return reporter(problem);
  logProblem(problem);
}

// The errno a test wants this operation to fail with, or 0.
int injectedFault(DefaultsFileOperation operation, const std::filesystem::path& path) {
  const auto& fault = state.get().fileFault;
  return fault ? fault(operation, path) : 0;
}

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

std::filesystem::path besideFile(const std::filesystem::path& file, std::string_view prefix, std::string_view suffix) {
  return file.parent_path() / (std::string(prefix) + file.filename().string() + std::string(suffix));
}

// Renames a file that cannot be read as a domain to "<file>.corrupt", or "<file>.corrupt.N"
// when earlier copies exist, so that the user's data is never silently lost. False when the
// file had to stay where it is.
bool setAside(const std::filesystem::path& file, std::string_view problem) {
  std::error_code error;
  for (int copy = 0; copy < kMaximumCorruptCopies; ++copy) {
    std::filesystem::path aside = file;
    aside += copy == 0 ? std::string(".corrupt") : ".corrupt." + std::to_string(copy);
    if (std::filesystem::exists(aside, error)) continue;
    std::filesystem::rename(file, aside, error);
    if (!error) {
      logProblem(stringWithFormat("%@ cannot be read (%@); kept as %@", file.string(), problem, aside.string()));
      return true;
    }
    break;
  }
  logProblem(stringWithFormat("%@ cannot be read (%@) and could not be set aside", file.string(), problem));
  return false;
}

struct DomainFile {
  enum class Outcome { Absent, Read, Unreadable };
  Outcome outcome = Outcome::Absent;
  Dictionary domain;
  std::string problem;  // why it is unreadable
};

DomainFile readDomainFile(const std::filesystem::path& file) {
  const auto unreadable = [](std::string problem) {
    return DomainFile{DomainFile::Outcome::Unreadable, {}, std::move(problem)};
  };
  if (int fault = injectedFault(DefaultsFileOperation::Read, file)) return unreadable(errorText(fault));
  FileReadResult read = readFileContents(file, kMaximumDomainFileSize);
  if (!read.contents) {
    if (read.failure == FileReadFailure::Missing) return {};
    if (read.failure == FileReadFailure::Unreadable) return unreadable(read.reason);
    return setAside(file, read.reason) ? DomainFile{} : unreadable(read.reason);
  }
  std::string error;
  std::optional<Value> list = PropertyListSerialization::propertyListFromData(*read.contents, &error);
  if (!list || list->asDictionary() == nullptr) {
    const std::string problem = list ? "its root is no dictionary" : error;
    return setAside(file, problem) ? DomainFile{} : unreadable(problem);
  }
  return {DomainFile::Outcome::Read, std::move(*list->asDictionary()), {}};
}

bool isUnreadableThisRun(std::string_view domain) { return state.get().unreadableDomains.contains(domain); }

void noteUnreadable(std::string_view domain, const std::filesystem::path& file, std::string_view problem) {
  if (state.get().unreadableDomains.emplace(domain).second) {
    logProblem(stringWithFormat("cannot read %@: %@; it is left as it is", file.string(), problem));
  }
}

// ---- Encoding that reads back ----

// XML parsers turn a carriage return into a line feed and refuse other control characters and
// the two non-characters; such texts only survive in the binary form.
bool xmlKeepsText(std::string_view text) {
  for (std::size_t index = 0; index < text.size(); ++index) {
    const auto byte = static_cast<unsigned char>(text[index]);
    if (byte < 0x20 && byte != '\t' && byte != '\n') return false;
    if (byte == 0xEF && text.substr(index + 1, 2) == "\xBF\xBE") return false;
    if (byte == 0xEF && text.substr(index + 1, 2) == "\xBF\xBF") return false;
  }
  return true;
}

// Whether the XML form can hold the value exactly: it keeps dates to the second only.
bool xmlKeepsValue(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Dictionary:
      for (const auto& [key, element] : *value.asDictionary()) {
        if (!xmlKeepsText(key) || !xmlKeepsValue(element)) return false;
      }
      return true;
    case Value::Kind::Array:
      for (const auto& element : *value.asArray()) {
        if (!xmlKeepsValue(element)) return false;
      }
      return true;
    case Value::Kind::String: return xmlKeepsText(*value.asString());
    case Value::Kind::Date: {
      const double seconds = value.asDate()->secondsSinceReferenceDate;
      return seconds == static_cast<double>(static_cast<std::int32_t>(seconds));
    }
    default: return true;
  }
}

// Equal kind for kind and bit for bit: an integer never equals a real here, nor 0.0 equal -0.0.
bool identical(const Value& a, const Value& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case Value::Kind::Dictionary: {
      const Dictionary& left = *a.asDictionary();
      const Dictionary& right = *b.asDictionary();
      if (left.size() != right.size()) return false;
      for (auto l = left.begin(), r = right.begin(); l != left.end(); ++l, ++r) {
        if (l->first != r->first || !identical(l->second, r->second)) return false;
      }
      return true;
    }
    case Value::Kind::Array: {
      const Array& left = *a.asArray();
      const Array& right = *b.asArray();
      if (left.size() != right.size()) return false;
      for (std::size_t index = 0; index < left.size(); ++index) {
        if (!identical(left[index], right[index])) return false;
      }
      return true;
    }
    case Value::Kind::Real:
      return std::bit_cast<std::uint64_t>(*a.asReal()) == std::bit_cast<std::uint64_t>(*b.asReal());
    case Value::Kind::Date:
      return std::bit_cast<std::uint64_t>(a.asDate()->secondsSinceReferenceDate) ==
             std::bit_cast<std::uint64_t>(b.asDate()->secondsSinceReferenceDate);
    default: return a == b;
  }
}

struct EncodedDomain {
  Data bytes;
  std::string problem;  // set when nothing may be written
};

// The domain as file bytes that our own reader and any other property-list reader take back:
// readable XML when it holds everything exactly, else the binary form. Never more than the
// reader accepts, so that a write cannot make the settings unreadable.
EncodedDomain encodeDomain(const Dictionary& domain) {
  const Value root(domain);
  EncodedDomain encoded;
  if (xmlKeepsValue(root)) {
    encoded.bytes = PropertyListSerialization::dataFromPropertyList(root, PropertyListSerialization::Format::XML);
    const auto back = PropertyListSerialization::propertyListFromData(
        std::string_view(reinterpret_cast<const char*>(encoded.bytes.data()), encoded.bytes.size()));
    if (!back || !identical(*back, root)) encoded.bytes.clear();
  }
  if (encoded.bytes.empty()) {
    encoded.bytes = PropertyListSerialization::dataFromPropertyList(root, PropertyListSerialization::Format::Binary);
    const auto back = PropertyListSerialization::propertyListFromData(
        std::string_view(reinterpret_cast<const char*>(encoded.bytes.data()), encoded.bytes.size()));
    if (!back || back->asDictionary() == nullptr) encoded.problem = "the settings would not read back";
  }
  if (encoded.problem.empty() && encoded.bytes.size() > kMaximumDomainFileSize) {
    encoded.problem = stringWithFormat("the settings would take %@ bytes, more than the %@ that are read back",
                                       std::to_string(encoded.bytes.size()), std::to_string(kMaximumDomainFileSize));
  }
  return encoded;
}

// ---- Writing ----

bool writeAll(int descriptor, const Data& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t count = ::write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count == 0) errno = EIO;
      return false;
    }
    written += static_cast<std::size_t>(count);
  }
  return true;
}

// Makes the rename itself durable; a failure here leaves a complete file either way.
void syncDirectory(const std::filesystem::path& directory) {
  int descriptor = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  ::fsync(descriptor);
  ::close(descriptor);
}

// The domain's advisory lock, held by an open descriptor of "<file>.lock" for as long as the
// object lives; the kernel drops it when the process dies, so a killed writer blocks nobody.
class DomainLock {
 public:
  explicit DomainLock(const std::filesystem::path& file) {
    const std::filesystem::path lockFile = besideFile(file, "", ".lock");
    if (int fault = injectedFault(DefaultsFileOperation::Lock, lockFile)) {
      problem_ = stringWithFormat("cannot lock %@: %@", lockFile.string(), errorText(fault));
      return;
    }
    descriptor_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (descriptor_ < 0) {
      problem_ = stringWithFormat("cannot lock %@: %@", lockFile.string(), lastError());
      return;
    }
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp) {
        problem_ = stringWithFormat("cannot lock %@: %@", lockFile.string(),
                                    errno == EWOULDBLOCK ? std::string("another writer holds it") : lastError());
        ::close(descriptor_);
        descriptor_ = -1;
        return;
      }
      std::this_thread::sleep_for(kLockRetryInterval);
    }
  }
  ~DomainLock() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  DomainLock(const DomainLock&) = delete;
  DomainLock& operator=(const DomainLock&) = delete;

  const std::string& problem() const { return problem_; }

 private:
  int descriptor_ = -1;
  std::string problem_;
};

// The mode the rewritten file gets: the old file's, so that a rewrite never changes who may
// read the settings; a new file gets what the user's umask gives any new file.
void keepMode(int descriptor, const std::filesystem::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(descriptor, old.st_mode & 07777);
}

// Writes the bytes to "<dir>/.<file>.tmp" and renames them over the target: readers see the old
// file or the new one, never a part of either. The lock makes the temporary name ours alone;
// one fixed name means a writer killed half-way leaves one stale file, which the next write
// replaces, never a growing heap of them. Returns the problem, or "" when written.
std::string replaceFileAtomically(const std::filesystem::path& target, const Data& bytes) {
  const std::filesystem::path temporary = besideFile(target, ".", ".tmp");
  if (int fault = injectedFault(DefaultsFileOperation::Write, temporary)) return errorText(fault);
  ::unlink(temporary.c_str());  // a stale one, so that the new file is made with fresh permissions
  int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (descriptor < 0) return lastError();
  keepMode(descriptor, target);
  std::string problem;
  if (!writeAll(descriptor, bytes) || ::fsync(descriptor) != 0) problem = lastError();
  if (::close(descriptor) != 0 && problem.empty()) problem = lastError();
  const auto& interruption = state.get().writeInterruption;
  if (problem.empty() && interruption && !interruption(temporary)) problem = "interrupted";
  if (problem.empty()) {
    if (int fault = injectedFault(DefaultsFileOperation::Rename, target)) {
      problem = errorText(fault);
    } else if (::rename(temporary.c_str(), target.c_str()) != 0) {
      problem = lastError();
    }
  }
  if (!problem.empty()) {
    ::unlink(temporary.c_str());
    return problem;
  }
  syncDirectory(target.parent_path());
  return {};
}

std::string makeDirectory(const std::filesystem::path& directory) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) return stringWithFormat("cannot create %@: %@", directory.string(), error.message());
  return {};
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

std::optional<std::string> defaultsDirectoryWriteProblem() {
  const std::filesystem::path directory = defaultsDirectory();
  if (std::string problem = makeDirectory(directory); !problem.empty()) return problem;
  const std::filesystem::path probe = directory / ".sensorwidget-write-check-XXXXXX";
  if (int fault = injectedFault(DefaultsFileOperation::Write, probe)) {
    return stringWithFormat("cannot write in %@: %@", directory.string(), errorText(fault));
  }
  std::string name = probe.string();
  int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) return stringWithFormat("cannot write in %@: %@", directory.string(), lastError());
  std::string problem;
  if (!writeAll(descriptor, Data{'\n'})) problem = stringWithFormat("cannot write in %@: %@", directory.string(), lastError());
  ::close(descriptor);
  ::unlink(name.c_str());
  return problem.empty() ? std::nullopt : std::optional<std::string>(problem);
}

void setDefaultsWriteFailureReporter(std::function<void(std::string_view)> reporter) {
  state.get().writeFailureReporter = std::move(reporter);
}

void setDefaultsWriteInterruptionForTesting(std::function<bool(const std::filesystem::path&)> hook) {
  state.get().writeInterruption = std::move(hook);
}

void setDefaultsFileFaultForTesting(std::function<int(DefaultsFileOperation, const std::filesystem::path&)> hook) {
  state.get().fileFault = std::move(hook);
}

UserDefaults& UserDefaults::standardUserDefaults() {
  static UserDefaults defaults;  // everything it knows is in the files and the process-wide state
  return defaults;
}

std::optional<Dictionary> UserDefaults::persistentDomainForName(std::string_view domain) {
  std::optional<std::filesystem::path> file = domainFile(domain);
  if (!file) return std::nullopt;
  DomainFile read = readDomainFile(*file);
  if (read.outcome == DomainFile::Outcome::Unreadable) noteUnreadable(domain, *file, read.problem);
  if (read.outcome != DomainFile::Outcome::Read) return std::nullopt;
  return std::move(read.domain);
}

bool UserDefaults::setPersistentDomainForName(const Dictionary& domain, std::string_view name) {
  return updatePersistentDomainForName(name, [&domain](Dictionary& stored) { stored = domain; });
}

bool UserDefaults::updatePersistentDomainForName(std::string_view name, const std::function<void(Dictionary&)>& change) {
  std::optional<std::filesystem::path> file = domainFile(name);
  if (!file) {
    reportWriteFailure(stringWithFormat("cannot write the domain \"%@\": no usable domain name", name));
    return false;
  }
  const auto refuse = [&file](std::string_view problem) {
    reportWriteFailure(stringWithFormat("cannot write %@: %@", file->string(), problem));
    return false;
  };
  if (isUnreadableThisRun(name)) return refuse("it could not be read in this run and is left as it is");
  if (std::string problem = makeDirectory(file->parent_path()); !problem.empty()) return refuse(problem);
  DomainLock lock(*file);
  if (!lock.problem().empty()) return refuse(lock.problem());
  DomainFile stored = readDomainFile(*file);
  if (stored.outcome == DomainFile::Outcome::Unreadable) {
    noteUnreadable(name, *file, stored.problem);
    return refuse("it could not be read and is left as it is");
  }
  change(stored.domain);
  const EncodedDomain encoded = encodeDomain(stored.domain);
  if (!encoded.problem.empty()) return refuse(encoded.problem);
  if (std::string problem = replaceFileAtomically(*file, encoded.bytes); !problem.empty()) return refuse(problem);
  return true;
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
