// Properties and paths of a simulated registry entry.
#include "sim/RegistryEntry.h"

namespace sw::sim {

std::optional<Value> RegistryEntry::property(std::string_view key) const {
  auto stored = properties.find(key);
  auto signal = signals.find(key);
  if (signal == signals.end()) {
    if (stored == properties.end()) return std::nullopt;
    return stored->second;
  }
  // The signal keeps the kind of the property it drives: an integer property stays an integer.
  bool integral = stored != properties.end() ? stored->second.kind() == Value::Kind::Integer
                                             : signal->second.hasIntegralBase();
  return signal->second.currentValue(integral);
}

Dictionary RegistryEntry::currentProperties() const {
  Dictionary snapshot = properties;
  for (const auto& [key, signal] : signals) snapshot.insert_or_assign(key, *property(key));
  return snapshot;
}

void RegistryEntry::setProperty(std::string_view key, Value value) {
  if (auto signal = signals.find(key); signal != signals.end()) signals.erase(signal);
  properties.insert_or_assign(std::string(key), std::move(value));
}

RegistryEntry* RegistryEntry::childNamed(std::string_view component) const {
  for (const auto& child : children) {
    if (child->name == component) return child.get();
    if (!child->location.empty() && component == child->name + "@" + child->location) return child.get();
  }
  return nullptr;
}

std::string RegistryEntry::path() const {
  std::string components;
  for (const RegistryEntry* entry = this; entry->parent != nullptr; entry = entry->parent) {
    std::string component = "/" + entry->name + (entry->location.empty() ? "" : "@" + entry->location);
    components.insert(0, component);
  }
  return plane + ":" + (components.empty() ? "/" : components);
}

}  // namespace sw::sim
