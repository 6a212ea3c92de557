// Reading registry entries from a profile, refusing anything the simulator would have to guess.
#include "sim/RegistryReader.h"

#include "sim/DriverBehaviours.h"
#include "sim/ProfileError.h"

namespace sw::sim {
namespace {

// Keys that describe the entry itself rather than being one of its properties.
constexpr std::string_view kClassKey = "IOObjectClass";
constexpr std::string_view kNameKey = "IORegistryEntryName";
constexpr std::string_view kLocationKey = "IORegistryEntryLocation";
constexpr std::string_view kIdentifierKey = "IORegistryEntryID";
constexpr std::string_view kChildrenKey = "IORegistryEntryChildren";

const std::string* optionalString(const Dictionary& fields, std::string_view key, const std::string& path) {
  auto found = fields.find(key);
  if (found == fields.end()) return nullptr;
  const std::string* text = found->second.asString();
  if (text == nullptr || text->empty()) throw ProfileError(path, std::string(key) + " must be a non-empty string");
  return text;
}

/// The name under which an entry appears in error paths, before the entry is known to be sound.
std::string displayName(const Value& entry, std::size_t index) {
  for (std::string_view key : {kNameKey, kClassKey}) {
    const Value* name = entry.find(key);
    if (name != nullptr && name->asString() != nullptr && !name->asString()->empty()) return *name->asString();
  }
  return "[" + std::to_string(index) + "]";
}

void readSignals(const Value& signals, RegistryEntry& entry, const std::string& path) {
  const Dictionary* byProperty = signals.asDictionary();
  if (byProperty == nullptr) throw ProfileError(path, "@Signals must be a dictionary of property names to signals");
  for (const auto& [property, description] : *byProperty) {
    if (claimsDriverSignal(entry.instructions.driver, property, path)) {
      entry.instructions.driverSignals.emplace(property, Signal::parse(description, path + "/@Signals/" + property));
      continue;
    }
    const Value* current = entry.properties.count(property) ? &entry.properties.find(property)->second : nullptr;
    if (current != nullptr && !current->isNumber()) {
      throw ProfileError(path, "@Signals names the property \"" + property + "\", which is no number");
    }
    entry.signals.emplace(property, Signal::parse(description, path + "/@Signals/" + property));
  }
}

void readInstruction(const std::string& key, const Value& value, RegistryEntry& entry, const std::string& path) {
  if (key == "@SMCKeys") {
    entry.instructions.smcKeys = SMCKeyTable::parse(value, path + "/@SMCKeys");
  } else if (key == "@SMART") {
    entry.instructions.smart = SMARTDrive::parse(value, path + "/@SMART");
  } else if (key == "@Driver") {
    if (value.asString() == nullptr || !isKnownDriverBehaviour(*value.asString())) {
      throw ProfileError(path, "@Driver must name a known driver behaviour");
    }
    entry.instructions.driver = *value.asString();
  } else if (key != "@Signals") {
    throw ProfileError(path, "unknown instruction \"" + key + "\"");
  }
}

std::unique_ptr<RegistryEntry> readEntry(const Value& value, const std::string& plane, const std::string& path,
                                         RegistryEntry* parent);

void readChildren(const Value& children, RegistryEntry& entry, const std::string& path) {
  const Array* list = children.asArray();
  if (list == nullptr) throw ProfileError(path, std::string(kChildrenKey) + " must be an array of entries");
  for (std::size_t index = 0; index < list->size(); ++index) {
    const Value& child = (*list)[index];
    entry.children.push_back(readEntry(child, entry.plane, path + "/" + displayName(child, index), &entry));
  }
}

std::unique_ptr<RegistryEntry> readEntry(const Value& value, const std::string& plane, const std::string& path,
                                         RegistryEntry* parent) {
  const Dictionary* fields = value.asDictionary();
  if (fields == nullptr) throw ProfileError(path, "an entry must be a dictionary");
  auto entry = std::make_unique<RegistryEntry>();
  entry->plane = plane;
  entry->parent = parent;
  const std::string* className = optionalString(*fields, kClassKey, path);
  if (className == nullptr) throw ProfileError(path, std::string(kClassKey) + " is missing");
  entry->className = *className;
  const std::string* name = optionalString(*fields, kNameKey, path);
  entry->name = name != nullptr ? *name : *className;
  if (const std::string* location = optionalString(*fields, kLocationKey, path)) entry->location = *location;
  if (auto identifier = fields->find(kIdentifierKey);
      identifier != fields->end() && identifier->second.kind() != Value::Kind::Integer) {
    throw ProfileError(path, std::string(kIdentifierKey) + " must be an integer");
  }
  for (const auto& [key, property] : *fields) {
    bool describesEntry = key == kClassKey || key == kNameKey || key == kLocationKey || key == kIdentifierKey ||
                          key == kChildrenKey;
    if (key.starts_with("@")) {
      readInstruction(key, property, *entry, path);
    } else if (!describesEntry) {
      entry->properties.emplace(key, property);
    }
  }
  if (const Value* signals = value.find("@Signals")) readSignals(*signals, *entry, path);
  if (const Value* children = value.find(kChildrenKey)) readChildren(*children, *entry, path);
  return entry;
}

}  // namespace

std::unique_ptr<RegistryEntry> readRegistryTree(const Value& root, const std::string& plane,
                                                const std::string& profilePath) {
  return readEntry(root, plane, profilePath, nullptr);
}

}  // namespace sw::sim
