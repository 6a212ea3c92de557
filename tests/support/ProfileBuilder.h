// Builds machine profiles for tests in a few lines, e.g.
//   ProfileBuilder().model("MacBookPro5,5").entry("AppleSmartBatteryManager")
//       .child("AppleSmartBattery", {{"Voltage", Value::integer(12400)}}).sysctl("hw.ncpu", 2).build();
// entry() hangs an entry below the platform expert; child() below the entry added last, so a
// chain of child() calls goes deeper.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "sim/SimulatedMachine.h"

namespace sw::test {

class ProfileBuilder {
 public:
  /// A small Intel machine: a root, a platform expert for the model "TestMachine1,1", two CPUs,
  /// a system version file (10.5.8) and nothing else.
  ProfileBuilder();

  /// Sets hw.model and the platform expert's name and "model" property.
  ProfileBuilder& model(const std::string& model);
  /// Adds an entry below the platform expert.
  ProfileBuilder& entry(const std::string& className, Dictionary properties = {});
  /// Adds an entry below the entry added last.
  ProfileBuilder& child(const std::string& className, Dictionary properties = {});
  /// Adds an entry in the IODeviceTree plane at an absolute path such as "/rom/boot-rom", making
  /// the entries on the way as needed (class IOService).
  ProfileBuilder& deviceTreeEntry(const std::string& path, Dictionary properties = {});
  ProfileBuilder& sysctl(const std::string& name, std::int64_t value);
  ProfileBuilder& sysctl(const std::string& name, const std::string& value);
  ProfileBuilder& removeSysctl(const std::string& name);
  ProfileBuilder& hostInfo(std::int32_t cpuType, std::int32_t cpuSubtype);
  ProfileBuilder& hostUUID(const std::string& uuid);
  ProfileBuilder& computerName(const std::string& name);
  /// A file of the machine: a dictionary or an array is a property list, a string a text file,
  /// data raw bytes. Replaces a file of the same path.
  ProfileBuilder& file(const std::string& path, Value contents);
  ProfileBuilder& removeFile(const std::string& path);
  ProfileBuilder& process(std::int32_t pid, const std::string& command, std::uint32_t uid);
  ProfileBuilder& defaults(const std::string& key, Value value);
  ProfileBuilder& superclass(const std::string& className, const std::string& superclassName);
  /// Replaces a whole top-level section, e.g. "IORegistry" with a real registry dump. entry() and
  /// child() expect the builder's own registry.
  ProfileBuilder& section(const std::string& name, Value contents);

  /// The profile as a property-list value.
  Value build() const;
  /// The machine of the profile; fails the current test (and returns nullptr) when it is refused.
  std::shared_ptr<sim::SimulatedMachine> buildMachine() const;

  /// A registry entry in profile form, for trees that entry()/child() do not reach.
  static Value registryEntry(const std::string& className, Dictionary properties = {}, Array children = {});

 private:
  Dictionary& sectionDictionary(const std::string& name);
  ProfileBuilder& put(const std::string& sectionName, const std::string& key, Value value);
  ProfileBuilder& remove(const std::string& sectionName, const std::string& key);
  Value& addEntryBelow(Value& parent, const std::string& className, Dictionary properties);

  Value profile_;
  // Where child() adds next, as indexes from the platform expert down (stays valid as entries are added).
  std::vector<std::size_t> lastEntry_;
};

/// Why a profile was refused, or "(loaded)".
inline std::string problemOf(const sim::SimulatedMachine::LoadResult& result) {
  const std::string* problem = std::get_if<std::string>(&result);
  return problem != nullptr ? *problem : "(loaded)";
}

}  // namespace sw::test
