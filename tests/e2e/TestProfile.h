// A small machine profile for the command-line tests: one SMC with two temperatures, one voltage
// and one fan, so that every format and sort rule shows.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/PropertyListSerialization.h"
#include "support/ProfileBuilder.h"

namespace sw::e2e {

inline constexpr const char* kTestSerialNumber = "W80000000000";  // the profile builder's

/// Writes the value as an XML property-list file.
inline void writePropertyList(const std::filesystem::path& path, const Value& value) {
  const Data xml = PropertyListSerialization::dataFromPropertyList(value, PropertyListSerialization::Format::XML);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(xml.data()), std::streamsize(xml.size()));
}

/// Writes the profile of a machine of the model and returns its path.
inline std::filesystem::path writeTestProfile(const std::filesystem::path& directory,
                                              const std::string& model = "MacBookPro5,5") {
  struct Key {
    const char* key;
    const char* type;
    double value;
  };
  const Key keys[] = {{"TC0D", "sp78", 45.5}, {"TA0P", "sp78", 30.25}, {"VC0C", "sp4b", 1.25}, {"FNum", "ui8 ", 1},
                      {"F0Ac", "fpe2", 2000}, {"F0Mn", "fpe2", 1000},  {"F0Mx", "fpe2", 6000}};
  Array smcKeys;
  for (const Key& k : keys) {
    smcKeys.push_back(Value(Dictionary{{"Key", Value(k.key)}, {"Type", Value(k.type)}, {"Value", Value::real(k.value)}}));
  }
  const auto path = directory / (model + ".plist");
  writePropertyList(path, test::ProfileBuilder()
                              .model(model)
                              .entry("AppleSMC", {{"smc-version", Value("1.47f2")}, {"@SMCKeys", Value(smcKeys)}})
                              .build());
  return path;
}

}  // namespace sw::e2e
