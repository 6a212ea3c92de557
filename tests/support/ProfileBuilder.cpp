// The test profile builder.
#include "support/ProfileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace sw::test {
namespace {

constexpr const char* kChildrenKey = "IORegistryEntryChildren";

Array& childrenOf(Value& entry) { return *entry.asDictionary()->try_emplace(kChildrenKey, Array{}).first->second.asArray(); }

Value& platformExpert(Value& profile) { return childrenOf(profile.asDictionary()->find("IORegistry")->second)[0]; }

}  // namespace

ProfileBuilder::ProfileBuilder() {
  Value expert(Dictionary{{"IOObjectClass", Value("IOPlatformExpertDevice")},
                          {"IOPlatformSerialNumber", Value("W80000000000")},
                          {"manufacturer", Value("Apple Inc.")}});
  profile_ = Value(Dictionary{
      {"ProfileName", Value("Test machine")},
      {"IORegistry", registryEntry("IORegistryEntry", {{"IORegistryEntryName", Value("Root")}}, {std::move(expert)})},
  });
  hostInfo(7, 4).sysctl("hw.ncpu", 2).sysctl("hw.availcpu", 2).sysctl("hw.physicalcpu", 2).model("TestMachine1,1");
  file("/System/Library/CoreServices/SystemVersion.plist",
       Value(Dictionary{{"ProductName", Value("Mac OS X")}, {"ProductVersion", Value("10.5.8")}, {"ProductBuildVersion", Value("9L31a")}}));
}

Dictionary& ProfileBuilder::sectionDictionary(const std::string& name) {
  return *profile_.asDictionary()->try_emplace(name, Dictionary{}).first->second.asDictionary();
}

ProfileBuilder& ProfileBuilder::model(const std::string& model) {
  Dictionary& expert = *platformExpert(profile_).asDictionary();
  expert.insert_or_assign("IORegistryEntryName", Value(model));
  expert.insert_or_assign("model", Value(Data(model.c_str(), model.c_str() + model.size() + 1)));  // with its NUL
  return sysctl("hw.model", model);
}

Value& ProfileBuilder::addEntryBelow(Value& parent, const std::string& className, Dictionary properties) {
  Array& children = childrenOf(parent);
  children.push_back(registryEntry(className, std::move(properties)));
  lastEntry_.push_back(children.size() - 1);
  return children.back();
}

ProfileBuilder& ProfileBuilder::entry(const std::string& className, Dictionary properties) {
  lastEntry_.clear();
  addEntryBelow(platformExpert(profile_), className, std::move(properties));
  return *this;
}

ProfileBuilder& ProfileBuilder::child(const std::string& className, Dictionary properties) {
  Value* parent = &platformExpert(profile_);
  for (std::size_t index : lastEntry_) parent = &childrenOf(*parent)[index];
  addEntryBelow(*parent, className, std::move(properties));
  return *this;
}

ProfileBuilder& ProfileBuilder::deviceTreeEntry(const std::string& path, Dictionary properties) {
  auto [tree, inserted] = profile_.asDictionary()->try_emplace(
      "IODeviceTree", registryEntry("IOPlatformExpertDevice", {{"IORegistryEntryName", Value("device-tree")}}));
  Value* current = &tree->second;
  std::istringstream names(path);
  for (std::string name; std::getline(names, name, '/');) {
    if (name.empty()) continue;
    Array& children = childrenOf(*current);
    auto found = std::find_if(children.begin(), children.end(), [&](const Value& child) {
      const Value* childName = child.find("IORegistryEntryName");
      return childName != nullptr && *childName == Value(name);
    });
    if (found == children.end()) {
      children.push_back(registryEntry("IOService", {{"IORegistryEntryName", Value(name)}}));
      found = children.end() - 1;
    }
    current = &*found;
  }
  for (auto& [key, value] : properties) current->asDictionary()->insert_or_assign(key, std::move(value));
  return *this;
}

ProfileBuilder& ProfileBuilder::put(const std::string& sectionName, const std::string& key, Value value) {
  sectionDictionary(sectionName).insert_or_assign(key, std::move(value));
  return *this;
}

ProfileBuilder& ProfileBuilder::remove(const std::string& sectionName, const std::string& key) {
  sectionDictionary(sectionName).erase(key);
  return *this;
}

ProfileBuilder& ProfileBuilder::sysctl(const std::string& name, std::int64_t value) { return put("Sysctl", name, Value::integer(value)); }

ProfileBuilder& ProfileBuilder::sysctl(const std::string& name, const std::string& value) { return put("Sysctl", name, Value(value)); }

ProfileBuilder& ProfileBuilder::removeSysctl(const std::string& name) { return remove("Sysctl", name); }

ProfileBuilder& ProfileBuilder::hostInfo(std::int32_t cpuType, std::int32_t cpuSubtype) {
  return section("HostInfo", Value(Dictionary{{"cpu_type", Value::integer(cpuType)}, {"cpu_subtype", Value::integer(cpuSubtype)}}));
}

ProfileBuilder& ProfileBuilder::hostUUID(const std::string& uuid) { return section("HostUUID", Value(uuid)); }

ProfileBuilder& ProfileBuilder::computerName(const std::string& name) { return section("ComputerName", Value(name)); }

ProfileBuilder& ProfileBuilder::file(const std::string& path, Value contents) { return put("Files", path, std::move(contents)); }

ProfileBuilder& ProfileBuilder::removeFile(const std::string& path) { return remove("Files", path); }

ProfileBuilder& ProfileBuilder::process(std::int32_t pid, const std::string& command, std::uint32_t uid) {
  auto [found, inserted] = profile_.asDictionary()->try_emplace("Processes", Array{});
  found->second.asArray()->push_back(Value(Dictionary{
      {"pid", Value::integer(pid)}, {"comm", Value(command)}, {"uid", Value::integer(uid)}}));
  return *this;
}

ProfileBuilder& ProfileBuilder::defaults(const std::string& key, Value value) { return put("Defaults", key, std::move(value)); }

ProfileBuilder& ProfileBuilder::superclass(const std::string& className, const std::string& superclassName) {
  return put("IOClassHierarchy", className, Value(superclassName));
}

ProfileBuilder& ProfileBuilder::section(const std::string& name, Value contents) {
  profile_.asDictionary()->insert_or_assign(name, std::move(contents));
  return *this;
}

Value ProfileBuilder::build() const { return profile_; }

std::shared_ptr<sim::SimulatedMachine> ProfileBuilder::buildMachine() const {
  sim::SimulatedMachine::LoadResult result = sim::SimulatedMachine::load(profile_, "test profile");
  if (auto* problem = std::get_if<std::string>(&result)) {
    ADD_FAILURE() << "the test profile was refused: " << *problem;
    return nullptr;
  }
  return std::get<std::shared_ptr<sim::SimulatedMachine>>(result);
}

Value ProfileBuilder::registryEntry(const std::string& className, Dictionary properties, Array children) {
  properties.insert_or_assign("IOObjectClass", Value(className));
  if (!children.empty()) properties.insert_or_assign(kChildrenKey, Value(std::move(children)));
  return Value(std::move(properties));
}

}  // namespace sw::test
