// Reading the sections of a machine profile.
#include "sim/MachineProfile.h"

#include <cctype>
#include <limits>
#include <set>

#include "foundation/PropertyListSerialization.h"
#include "sim/ProfileError.h"
#include "sim/RegistryReader.h"

namespace sw::sim {
namespace {

const std::set<std::string, std::less<>> kSections = {"ProfileName", "Sysctl",    "HostInfo",         "HostUUID",
                                                     "ComputerName", "Files",     "Processes",        "Defaults",
                                                     "IORegistry",   "IODeviceTree", "IOClassHierarchy"};

const Dictionary& dictionaryOf(const Value& value, const std::string& path) {
  if (value.asDictionary() == nullptr) throw ProfileError(path, "must be a dictionary");
  return *value.asDictionary();
}

const std::string& stringOf(const Value& value, const std::string& path) {
  if (value.asString() == nullptr) throw ProfileError(path, "must be a string");
  return *value.asString();
}

std::int64_t integerIn(const Value* value, std::int64_t lowest, std::int64_t highest, const std::string& path) {
  if (value == nullptr || value->kind() != Value::Kind::Integer || *value->asInteger() < lowest ||
      *value->asInteger() > highest) {
    throw ProfileError(path, "must be an integer from " + std::to_string(lowest) + " to " + std::to_string(highest));
  }
  return *value->asInteger();
}

std::array<std::uint8_t, 16> readUUID(const std::string& text, const std::string& path) {
  constexpr std::string_view kForm = "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX";
  auto hexDigit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  bool wellFormed = text.size() == kForm.size();
  for (std::size_t index = 0; wellFormed && index < text.size(); ++index) {
    wellFormed = kForm[index] == '-' ? text[index] == '-' : hexDigit(text[index]);
  }
  if (!wellFormed) throw ProfileError(path, "must be a UUID of the form " + std::string(kForm));
  std::array<std::uint8_t, 16> bytes{};
  std::size_t byte = 0;
  for (std::size_t index = 0; index < text.size(); index += text[index] == '-' ? 1 : 2) {
    if (text[index] != '-') bytes[byte++] = static_cast<std::uint8_t>(std::stoi(text.substr(index, 2), nullptr, 16));
  }
  return bytes;
}

void readHostInfo(const Value& value, MachineProfile& profile) {
  const Dictionary& fields = dictionaryOf(value, "HostInfo");
  refuseUnknownKeys(fields, {"cpu_type", "cpu_subtype"}, "key", "HostInfo");
  constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
  if (value.find("cpu_type")) profile.cpuType = static_cast<std::int32_t>(integerIn(value.find("cpu_type"), kLowest, kHighest, "HostInfo/cpu_type"));
  if (value.find("cpu_subtype")) profile.cpuSubtype = static_cast<std::int32_t>(integerIn(value.find("cpu_subtype"), kLowest, kHighest, "HostInfo/cpu_subtype"));
}

void readFiles(const Value& value, MachineProfile& profile) {
  for (const auto& [path, contents] : dictionaryOf(value, "Files")) {
    std::string where = "Files/" + path;
    if (!path.starts_with("/")) throw ProfileError(where, "a file path must be absolute");
    if (contents.asDictionary() != nullptr || contents.asArray() != nullptr) {
      profile.files.emplace(path, PropertyListSerialization::dataFromPropertyList(contents, PropertyListSerialization::Format::XML));
    } else if (const std::string* text = contents.asString()) {
      profile.files.emplace(path, Data(text->begin(), text->end()));
    } else if (const Data* bytes = contents.asData()) {
      profile.files.emplace(path, *bytes);
    } else {
      throw ProfileError(where, "a file must be a dictionary, an array, a string or data");
    }
  }
}

void readProcesses(const Value& value, MachineProfile& profile) {
  if (value.asArray() == nullptr) throw ProfileError("Processes", "must be an array of processes");
  for (std::size_t index = 0; index < value.asArray()->size(); ++index) {
    const Value& process = (*value.asArray())[index];
    std::string path = "Processes/" + std::to_string(index);
    refuseUnknownKeys(dictionaryOf(process, path), {"pid", "comm", "uid"}, "key", path);
    integerIn(process.find("pid"), 0, std::numeric_limits<std::int32_t>::max(), path + "/pid");
    integerIn(process.find("uid"), 0, std::numeric_limits<std::uint32_t>::max(), path + "/uid");
    const Value* command = process.find("comm");
    // The kernel keeps at most 16 bytes of a command name.
    if (command == nullptr || command->asString() == nullptr || command->asString()->size() > 16) {
      throw ProfileError(path + "/comm", "must be a command name of at most 16 bytes");
    }
    profile.processes.push_back(process);
  }
}

/// The device tree's own root. `ioreg -p IODeviceTree -a -l` prints the plane below the registry
/// root, so a dump that starts there has the device tree as that root's only child.
std::unique_ptr<RegistryEntry> deviceTreeOf(std::unique_ptr<RegistryEntry> root) {
  if (root->className != "IORegistryEntry") return root;
  if (root->children.size() != 1) {
    throw ProfileError("IODeviceTree", "a dump from the registry root must hold the device tree as its only child");
  }
  std::unique_ptr<RegistryEntry> deviceTree = std::move(root->children.front());
  deviceTree->parent = nullptr;
  return deviceTree;
}

std::unique_ptr<RegistryEntry> emptyServicePlane() {
  auto root = std::make_unique<RegistryEntry>();
  root->plane = "IOService";
  root->className = "IORegistryEntry";
  root->name = "Root";
  return root;
}

}  // namespace

MachineProfile MachineProfile::read(const Value& value) {
  const Dictionary& sections = dictionaryOf(value, "profile");
  for (const auto& [key, section] : sections) {
    if (!kSections.contains(key)) throw ProfileError(key, "unknown section");
  }
  MachineProfile profile;
  if (const Value* name = value.find("ProfileName")) profile.profileName = stringOf(*name, "ProfileName");
  if (const Value* names = value.find("Sysctl")) profile.sysctl = SysctlTable::parse(*names, "Sysctl");
  if (const Value* hostInfo = value.find("HostInfo")) readHostInfo(*hostInfo, profile);
  if (const Value* uuid = value.find("HostUUID")) profile.hostUUID = readUUID(stringOf(*uuid, "HostUUID"), "HostUUID");
  if (const Value* name = value.find("ComputerName")) profile.computerName = stringOf(*name, "ComputerName");
  if (const Value* files = value.find("Files")) readFiles(*files, profile);
  if (const Value* processes = value.find("Processes")) readProcesses(*processes, profile);
  if (const Value* defaults = value.find("Defaults")) profile.defaults = dictionaryOf(*defaults, "Defaults");
  if (const Value* classes = value.find("IOClassHierarchy")) {
    profile.classes.add(dictionaryOf(*classes, "IOClassHierarchy"), "IOClassHierarchy");
  }
  const Value* services = value.find("IORegistry");
  profile.serviceRoot = services ? readRegistryTree(*services, "IOService", "IORegistry") : emptyServicePlane();
  if (const Value* deviceTree = value.find("IODeviceTree")) {
    profile.deviceTreeRoot = deviceTreeOf(readRegistryTree(*deviceTree, "IODeviceTree", "IODeviceTree"));
  }
  return profile;
}

}  // namespace sw::sim
