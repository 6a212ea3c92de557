// A small machine profile for the command-line tests, written as an XML property list: one SMC
// with two temperatures, one voltage and one fan, so that every format and sort rule shows.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>

namespace sw::e2e {

inline constexpr const char* kTestSerialNumber = "E2E00SERIAL";

/// The property-list XML of a JSON value (objects, arrays, strings, integers, reals, booleans).
inline std::string plistXML(const nlohmann::json& value) {
  if (value.is_object()) {
    std::string xml = "<dict>";
    for (const auto& [key, item] : value.items()) xml += "<key>" + key + "</key>" + plistXML(item);
    return xml + "</dict>";
  }
  if (value.is_array()) {
    std::string xml = "<array>";
    for (const auto& item : value) xml += plistXML(item);
    return xml + "</array>";
  }
  if (value.is_boolean()) return value.get<bool>() ? "<true/>" : "<false/>";
  if (value.is_number_integer()) return "<integer>" + std::to_string(value.get<long long>()) + "</integer>";
  if (value.is_number()) return "<real>" + std::to_string(value.get<double>()) + "</real>";
  return "<string>" + value.get<std::string>() + "</string>";
}

inline nlohmann::json smcKey(const std::string& key, const std::string& type, double value) {
  return {{"Key", key}, {"Type", type}, {"Value", value}};
}

/// Writes the profile of a machine of the model and returns its path.
inline std::filesystem::path writeTestProfile(const std::filesystem::path& directory,
                                              const std::string& model = "MacBookPro5,5") {
  const nlohmann::json smc = {
      {"IOObjectClass", "AppleSMC"},
      {"smc-version", "1.47f2"},
      {"@SMCKeys",
       {smcKey("TC0D", "sp78", 45.5), smcKey("TA0P", "sp78", 30.25), smcKey("VC0C", "sp4b", 1.25),
        smcKey("FNum", "ui8 ", 1), smcKey("F0Ac", "fpe2", 2000), smcKey("F0Mn", "fpe2", 1000),
        smcKey("F0Mx", "fpe2", 6000)}}};
  const nlohmann::json expert = {{"IOObjectClass", "IOPlatformExpertDevice"},
                                 {"IOPlatformSerialNumber", kTestSerialNumber},
                                 {"IORegistryEntryChildren", {smc}}};
  const nlohmann::json profile = {
      {"ProfileName", "command-line test machine"},
      {"Sysctl", {{"hw.model", model}}},
      {"IORegistry", {{"IOObjectClass", "IORegistryEntry"}, {"IORegistryEntryName", "Root"},
                      {"IORegistryEntryChildren", {expert}}}}};
  const auto path = directory / (model + ".plist");
  std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" << plistXML(profile)
                      << "</plist>\n";
  return path;
}

}  // namespace sw::e2e
