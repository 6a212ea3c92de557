// Bundles over the embedded resources or a directory, with cached string tables.
#include "os/Bundle.h"

#include <map>
#include <utility>

#include "foundation/EmbeddedFiles.h"
#include "foundation/FileContents.h"
#include "foundation/Format.h"
#include "foundation/ProcessState.h"
#include "foundation/PropertyListSerialization.h"
#include "os/Locale.h"
#include "os/SystemLog.h"

namespace sw::os {

// What a bundle has read so far. Tables are read once per language folder and table name,
// including the answer "there is none"; a process-state reset forgets all of it.
struct Bundle::Tables {
  std::optional<Dictionary> infoDictionary;
  std::map<std::pair<std::string, std::string>, std::optional<Dictionary>> stringTables;
  bool resetRegistered = false;

  void forget() {
    infoDictionary.reset();
    stringTables.clear();
    resetRegistered = false;
  }
};

namespace {

// Resource files of ours are small; a file beyond this is not read.
constexpr std::uintmax_t kMaximumResourceSize = 16 * 1024 * 1024;

bool isEmbeddedRoot(std::string_view root) { return !embedded::pathsUnder(std::string(root) + "/").empty(); }

// A resource name must stay inside its bundle.
bool isSafeRelativePath(std::string_view path) {
  if (path.empty() || path.front() == '/' || path.find('\0') != std::string_view::npos) return false;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = std::min(path.find('/', start), path.size());
    if (path.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::string resourceFileName(std::string_view name, std::string_view type) {
  return type.empty() ? std::string(name) : std::string(name) + "." + std::string(type);
}

}  // namespace

// The two bundles live as long as the process, so that references to them stay valid; what
// they have read is forgotten on a process-state reset.
Bundle& Bundle::mainBundle() {
  static Bundle bundle("resources/Host");
  return bundle;
}

Bundle& Bundle::pluginBundle() {
  static Bundle bundle("resources/Plugin");
  return bundle;
}

Bundle::Bundle(std::string root) : root_(std::move(root)), tables_(std::make_shared<Tables>()) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  embedded_ = isEmbeddedRoot(root_);
}

Bundle::Tables& Bundle::tables() {
  if (!tables_->resetRegistered) {
    tables_->resetRegistered = true;
    registerProcessStateReset([weak = std::weak_ptr<Tables>(tables_)] {
      if (auto tables = weak.lock()) tables->forget();
    });
  }
  return *tables_;
}

std::optional<std::string> Bundle::fileContents(std::string_view relativePath) const {
  if (!isSafeRelativePath(relativePath)) return std::nullopt;
  std::string path = root_ + "/" + std::string(relativePath);
  if (embedded_) {
    std::optional<std::string_view> contents = embedded::file(path);
    if (!contents) return std::nullopt;
    return std::string(*contents);
  }
  return readFileContents(path, kMaximumResourceSize).contents;
}

const Dictionary& Bundle::infoDictionary() {
  Tables& cache = tables();
  if (!cache.infoDictionary) {
    cache.infoDictionary.emplace();
    if (std::optional<std::string> bytes = fileContents("Info.plist")) {
      std::string error;
      std::optional<Value> list = PropertyListSerialization::propertyListFromData(*bytes, &error);
      if (list && list->asDictionary() != nullptr) {
        cache.infoDictionary = *list->asDictionary();
      } else {
        systemLog(stringWithFormat("Bundle %@: Info.plist is no dictionary (%@)\n", root_, error));
      }
    }
  }
  return *cache.infoDictionary;
}

std::optional<std::string> Bundle::bundleIdentifier() {
  const std::string* identifier = stringForKey(infoDictionary(), "CFBundleIdentifier");
  if (identifier == nullptr) return std::nullopt;
  return *identifier;
}

std::optional<std::string> Bundle::resourceContents(std::string_view name, std::string_view type) {
  std::string fileName = resourceFileName(name, type);
  for (const std::string& language : localizationsForLocale(currentLocale())) {
    if (auto contents = fileContents(language + ".lproj/" + fileName)) return contents;
  }
  return fileContents(fileName);
}

const std::optional<Dictionary>& Bundle::stringTable(const std::string& language, std::string_view table) {
  auto key = std::make_pair(language, std::string(table));
  auto& tablesByName = tables().stringTables;
  auto found = tablesByName.find(key);
  if (found != tablesByName.end()) return found->second;
  std::optional<Dictionary> entries;
  std::string path = language + ".lproj/" + std::string(table) + ".strings";
  if (std::optional<std::string> bytes = fileContents(path)) {
    entries = parseStringsFile(*bytes);
    if (!entries) systemLog(stringWithFormat("Bundle %@: cannot read the string table %@\n", root_, path));
  }
  return tablesByName.emplace(std::move(key), std::move(entries)).first->second;
}

std::string Bundle::localizedStringForKey(std::string_view key, std::string_view value, std::string_view table) {
  std::string_view tableName = table.empty() ? std::string_view("Localizable") : table;
  for (const std::string& language : localizationsForLocale(currentLocale())) {
    const std::optional<Dictionary>& entries = stringTable(language, tableName);
    const std::string* text = entries ? stringForKey(*entries, key) : nullptr;
    if (text != nullptr) return *text;
  }
  return std::string(value.empty() ? key : value);
}

}  // namespace sw::os
