// The test profile builder.
#include "support/ProfileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace sw::test {
namespace {

constexpr const char* kChildrenKey = "IORegistryEntryChildren";

Array& childrenOf(Value& entry) {
  Dictionary& fields = *entry.asDictionary();
  auto [children, inserted] = fields.try_emplace(kChildrenKey, Array{});
  return *children->second.asArray();
}

Value& platformExpert(Value& profile) { return childrenOf(profile.asDictionary()->find("IORegistry")->second)[0]; }

Data modelData(const std::string& model) {
  Data bytes(model.begin(), model.end());
  bytes.push_back(0);
  return bytes;
}

}  // namespace

ProfileBuilder::ProfileBuilder() {
  Dictionary expert{{"IOObjectClass", Value("IOPlatformExpertDevice")},
                    {"IOPlatformSerialNumber", Value("W80000000000")},
                    {"manufacturer", Value("Apple Inc.")}};
  Value root = registryEntry("IORegistryEntry", {{"IORegistryEntryName", Value("Root")}}, {Value(std::move(expert))});
  profile_ = Value(Dictionary{
      {"ProfileName", Value("Test machine")},
      {"IORegistry", std::move(root)},
      {"HostInfo", Value(Dictionary{{"cpu_type", Value::integer(7)}, {"cpu_subtype", Value::integer(4)}})},
      {"Sysctl", Value(Dictionary{{"hw.ncpu", Value::integer(2)},
                                  {"hw.availcpu", Value::integer(2)},
                                  {"hw.physicalcpu", Value::integer(2)}})},
  });
  file("/System/Library/CoreServices/SystemVersion.plist",
       Value(Dictionary{{"ProductName", Value("Mac OS X")},
                        {"ProductVersion", Value("10.5.8")},
                        {"ProductBuildVersion", Value("9L31a")}}));
  model("TestMachine1,1");
}

Dictionary& ProfileBuilder::sectionDictionary(const std::string& name) {
  auto [found, inserted] = profile_.asDictionary()->try_emplace(name, Dictionary{});
  return *found->second.asDictionary();
}

ProfileBuilder& ProfileBuilder::model(const std::string& model) {
  Dictionary& expert = *platformExpert(profile_).asDictionary();
  expert.insert_or_assign("IORegistryEntryName", Value(model));
  expert.insert_or_assign("model", Value(modelData(model)));
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
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = std::min(path.find('/', start), path.size());
    std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    Array& children = childrenOf(*current);
    auto found = std::find_if(children.begin(), children.end(), [&](const Value& child) {
      const Value* childName = child.find("IORegistryEntryName");
      return childName != nullptr && childName->asString() != nullptr && *childName->asString() == name;
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

ProfileBuilder& ProfileBuilder::sysctl(const std::string& name, std::int64_t value) {
  sectionDictionary("Sysctl").insert_or_assign(name, Value::integer(value));
  return *this;
}

ProfileBuilder& ProfileBuilder::sysctl(const std::string& name, const std::string& value) {
  sectionDictionary("Sysctl").insert_or_assign(name, Value(value));
  return *this;
}

ProfileBuilder& ProfileBuilder::removeSysctl(const std::string& name) {
  sectionDictionary("Sysctl").erase(name);
  return *this;
}

ProfileBuilder& ProfileBuilder::hostInfo(std::int32_t cpuType, std::int32_t cpuSubtype) {
  sectionDictionary("HostInfo") = Dictionary{{"cpu_type", Value::integer(cpuType)}, {"cpu_subtype", Value::integer(cpuSubtype)}};
  return *this;
}

ProfileBuilder& ProfileBuilder::hostUUID(const std::string& uuid) { return section("HostUUID", Value(uuid)); }

ProfileBuilder& ProfileBuilder::computerName(const std::string& name) { return section("ComputerName", Value(name)); }

ProfileBuilder& ProfileBuilder::file(const std::string& path, Value contents) {
  sectionDictionary("Files").insert_or_assign(path, std::move(contents));
  return *this;
}

ProfileBuilder& ProfileBuilder::removeFile(const std::string& path) {
  sectionDictionary("Files").erase(path);
  return *this;
}

ProfileBuilder& ProfileBuilder::process(std::int32_t pid, const std::string& command, std::uint32_t uid) {
  auto [found, inserted] = profile_.asDictionary()->try_emplace("Processes", Array{});
  found->second.asArray()->push_back(Value(Dictionary{
      {"pid", Value::integer(pid)}, {"comm", Value(command)}, {"uid", Value::integer(uid)}}));
  return *this;
}

ProfileBuilder& ProfileBuilder::defaults(const std::string& key, Value value) {
  sectionDictionary("Defaults").insert_or_assign(key, std::move(value));
  return *this;
}

ProfileBuilder& ProfileBuilder::superclass(const std::string& className, const std::string& superclassName) {
  sectionDictionary("IOClassHierarchy").insert_or_assign(className, Value(superclassName));
  return *this;
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
