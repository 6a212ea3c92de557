// Loading machine profiles: malformed profiles are refused with a message that names the source,
// the entry path and the problem; XML and binary files load alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "foundation/PropertyListSerialization.h"
#include "sim/SimulatedMachine.h"
#include "support/ProfileBuilder.h"

namespace sw::sim {
namespace {

using test::ProfileBuilder;

std::string refusalOf(const Value& profile) {
  SimulatedMachine::LoadResult result = SimulatedMachine::load(profile, "broken.plist");
  if (auto* problem = std::get_if<std::string>(&result)) return *problem;
  return "(loaded)";
}

Value smcEntryWithKey(Dictionary key) {
  return ProfileBuilder::registryEntry("AppleSMC", {{"@SMCKeys", Value(Array{Value(std::move(key))})}});
}

Value withTopLevel(const std::string& key, Value value) {
  Value profile = ProfileBuilder().build();
  profile.asDictionary()->insert_or_assign(key, std::move(value));
  return profile;
}

Dictionary key(const char* code, const char* type, Value bytesOrValue, const char* field = "Bytes") {
  return Dictionary{{"Key", Value(code)}, {"Type", Value(type)}, {field, std::move(bytesOrValue)}};
}

struct RefusalCase {
  const char* fault;
  std::function<Value()> profile;
  const char* message;
};

const RefusalCase kRefusals[] = {
    {"a profile that is no dictionary", [] { return Value(Array{}); }, "broken.plist: profile: must be a dictionary"},
    {"an unknown section", [] { return withTopLevel("Registry", Value(Dictionary{})); },
     "broken.plist: Registry: unknown section"},
    {"a child entry without IOObjectClass",
     [] {
       Value profile = ProfileBuilder().entry("IOPCIDevice").build();
       Value& expert = (*profile.asDictionary()->find("IORegistry")->second.asDictionary()->find("IORegistryEntryChildren")->second.asArray())[0];
       Value& device = (*expert.asDictionary()->find("IORegistryEntryChildren")->second.asArray())[0];
       device.asDictionary()->insert_or_assign("IORegistryEntryChildren", Value(Array{Value(Dictionary{{"IORegistryEntryName", Value("disk")}})}));
       return profile;
     },
     "broken.plist: IORegistry/TestMachine1,1/IOPCIDevice/disk: IOObjectClass is missing"},
    {"children that are no array",
     [] { return ProfileBuilder().entry("IOPCIDevice", {{"IORegistryEntryChildren", Value("none")}}).build(); },
     "broken.plist: IORegistry/TestMachine1,1/IOPCIDevice: IORegistryEntryChildren must be an array of entries"},
    {"an unknown instruction", [] { return ProfileBuilder().entry("AppleSMC", {{"@Keys", Value(Array{})}}).build(); },
     "broken.plist: IORegistry/TestMachine1,1/AppleSMC: unknown instruction \"@Keys\""},
    {"an unknown driver behaviour", [] { return ProfileBuilder().entry("Monitor", {{"@Driver", Value("Fan")}}).build(); },
     "broken.plist: IORegistry/TestMachine1,1/Monitor: @Driver must name a known driver behaviour"},
    {"a signal on a string property",
     [] {
       return ProfileBuilder().entry("IOHWSensor", {{"location", Value("CPU")},
                                                    {"@Signals", Value(Dictionary{{"location", Value(Dictionary{{"Base", Value::integer(1)}})}})}}).build();
     },
     "broken.plist: IORegistry/TestMachine1,1/IOHWSensor: @Signals names the property \"location\", which is no number"},
    {"a signal without a base",
     [] { return ProfileBuilder().entry("IOHWSensor", {{"@Signals", Value(Dictionary{{"current-value", Value(Dictionary{})}})}}).build(); },
     "broken.plist: IORegistry/TestMachine1,1/IOHWSensor/@Signals/current-value: a signal needs a Base"},
    {"a swinging signal without a period",
     [] {
       Dictionary signal{{"Base", Value::integer(40)}, {"Amplitude", Value::integer(5)}};
       return ProfileBuilder().entry("IOHWSensor", {{"@Signals", Value(Dictionary{{"current-value", Value(signal)}})}}).build();
     },
     "broken.plist: IORegistry/TestMachine1,1/IOHWSensor/@Signals/current-value: a signal with an Amplitude needs a Period greater than 0"},
    {"an unknown signal key",
     [] {
       Dictionary signal{{"Base", Value::integer(40)}, {"Phase", Value::integer(5)}};
       return ProfileBuilder().entry("IOHWSensor", {{"@Signals", Value(Dictionary{{"current-value", Value(signal)}})}}).build();
     },
     "broken.plist: IORegistry/TestMachine1,1/IOHWSensor/@Signals/current-value: unknown signal key \"Phase\""},
    {"an SMC key list that is no array",
     [] { return ProfileBuilder().entry("AppleSMC", {{"@SMCKeys", Value(Dictionary{})}}).build(); },
     "broken.plist: IORegistry/TestMachine1,1/AppleSMC/@SMCKeys: must be an array of key dictionaries"},
    {"a key name that is too short",
     [] { return withTopLevel("IORegistry", smcEntryWithKey(key("TC0", "sp78", Value(Data{0x2d, 0x80})))); },
     "broken.plist: IORegistry/@SMCKeys/0: Key must be four Mac OS Roman characters"},
    {"a type of five characters",
     [] { return withTopLevel("IORegistry", smcEntryWithKey(key("TC0D", "sp78 ", Value(Data{0x2d, 0x80})))); },
     "broken.plist: IORegistry/@SMCKeys/0: Type must be four Mac OS Roman characters or four bytes of data"},
    {"more than 32 value bytes",
     [] { return withTopLevel("IORegistry", smcEntryWithKey(key("TC0D", "ch8*", Value(Data(33, 0x41))))); },
     "broken.plist: IORegistry/@SMCKeys/0: Bytes must be data of at most 32 bytes"},
    {"both Bytes and Value",
     [] {
       Dictionary both = key("TC0D", "sp78", Value(Data{0x2d, 0x80}));
       both.emplace("Value", Value::real(45.5));
       return withTopLevel("IORegistry", smcEntryWithKey(both));
     },
     "broken.plist: IORegistry/@SMCKeys/0: a key needs either Bytes or Value"},
    {"a number for a text type",
     [] { return withTopLevel("IORegistry", smcEntryWithKey(key("RVBF", "ch8*", Value::integer(1), "Value"))); },
     "broken.plist: IORegistry/@SMCKeys/0: a Value needs a numeric type, not \"ch8*\""},
    {"a number beyond its type",
     [] { return withTopLevel("IORegistry", smcEntryWithKey(key("FNum", "ui8 ", Value::integer(256), "Value"))); },
     "broken.plist: IORegistry/@SMCKeys/0: Value does not fit the type \"ui8 \""},
    {"a negative number for a signed fixed-point type beyond its range",
     [] { return withTopLevel("IORegistry", smcEntryWithKey(key("TC0D", "sp78", Value::real(-128.5), "Value"))); },
     "broken.plist: IORegistry/@SMCKeys/0: Value does not fit the type \"sp78\""},
    {"a misspelt key field",
     [] {
       Dictionary misspelt = key("TC0D", "sp78", Value(Data{0x2d, 0x80}));
       misspelt.emplace("Hiden", Value::boolean(true));
       return withTopLevel("IORegistry", smcEntryWithKey(misspelt));
     },
     "broken.plist: IORegistry/@SMCKeys/0: unknown key field \"Hiden\""},
    {"a Fail flag that is a number",
     [] {
       Dictionary failing = key("TC0D", "sp78", Value(Data{0x2d, 0x80}));
       failing.emplace("Fail", Value::integer(1));
       return withTopLevel("IORegistry", smcEntryWithKey(failing));
     },
     "broken.plist: IORegistry/@SMCKeys/0: Fail must be a boolean"},
    {"the same key twice",
     [] {
       Value keys(Array{Value(key("TC0D", "sp78", Value(Data{0x2d, 0x80}))), Value(key("TC0D", "sp78", Value(Data{0x2d, 0x00})))});
       return withTopLevel("IORegistry", ProfileBuilder::registryEntry("AppleSMC", {{"@SMCKeys", keys}}));
     },
     "broken.plist: IORegistry/@SMCKeys/1: key \"TC0D\" appears twice"},
    {"a signal on a key of a text type",
     [] {
       Dictionary signalled = key("RVBF", "ch8*", Value(Data{0x41}));
       signalled.emplace("Signal", Value(Dictionary{{"Base", Value::integer(1)}}));
       return withTopLevel("IORegistry", smcEntryWithKey(signalled));
     },
     "broken.plist: IORegistry/@SMCKeys/0: a Signal needs a numeric type of its size"},
    {"a sysctl value that is a boolean", [] { return withTopLevel("Sysctl", Value(Dictionary{{"hw.ncpu", Value::boolean(true)}})); },
     "broken.plist: Sysctl/hw.ncpu: a sysctl value must be an integer, a string or data"},
    {"a 32-bit sysctl value beyond 32 bits", [] { return ProfileBuilder().sysctl("hw.ncpu", 1LL << 33).build(); },
     "broken.plist: Sysctl/hw.ncpu: the value does not fit this 32-bit name"},
    {"host facts with an unknown key", [] { return withTopLevel("HostInfo", Value(Dictionary{{"cpu_family", Value::integer(6)}})); },
     "broken.plist: HostInfo: unknown key \"cpu_family\""},
    {"a CPU type that is a string", [] { return withTopLevel("HostInfo", Value(Dictionary{{"cpu_type", Value("x86")}})); },
     "broken.plist: HostInfo/cpu_type: must be an integer from -2147483648 to 2147483647"},
    {"a host UUID that is no UUID", [] { return ProfileBuilder().hostUUID("00000000-0000-1000-8000-0023DF8C1A4").build(); },
     "broken.plist: HostUUID: must be a UUID of the form XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"},
    {"a relative file path", [] { return ProfileBuilder().file("etc/hwmond.SMART", Value("x")).build(); },
     "broken.plist: Files/etc/hwmond.SMART: a file path must be absolute"},
    {"a file that is a number", [] { return ProfileBuilder().file("/etc/hwmond.SMART", Value::integer(1)).build(); },
     "broken.plist: Files//etc/hwmond.SMART: a file must be a dictionary, an array, a string or data"},
    {"a command name longer than the kernel keeps", [] { return ProfileBuilder().process(7, "SeventeenLetters!", 0).build(); },
     "broken.plist: Processes/0/comm: must be a command name of at most 16 bytes"},
    {"a negative process identifier", [] { return ProfileBuilder().process(-1, "launchd", 0).build(); },
     "broken.plist: Processes/0/pid: must be an integer from 0 to 2147483647"},
    {"a device tree dump with two trees below the root",
     [] {
       Value tree = ProfileBuilder::registryEntry("IOService", {{"IORegistryEntryName", Value("device-tree")}});
       return withTopLevel("IODeviceTree", ProfileBuilder::registryEntry("IORegistryEntry", {}, {tree, tree}));
     },
     "broken.plist: IODeviceTree: a dump from the registry root must hold the device tree as its only child"},
    {"a superclass that is no name", [] { return withTopLevel("IOClassHierarchy", Value(Dictionary{{"AppleFoo", Value::integer(1)}})); },
     "broken.plist: IOClassHierarchy: the superclass of AppleFoo must be a class name"},
    {"classes that derive from each other",
     [] { return ProfileBuilder().superclass("AppleFoo", "AppleBar").superclass("AppleBar", "AppleFoo").build(); },
     "broken.plist: IOClassHierarchy: class AppleBar is its own ancestor"},
};

TEST(ProfileRefusal, EveryMalformedProfileIsRefusedWithItsPathAndProblem) {
  for (const RefusalCase& refusal : kRefusals) {
    EXPECT_EQ(refusalOf(refusal.profile()), refusal.message) << refusal.fault;
  }
}

TEST(ProfileRefusal, TheDefaultTestProfileLoads) { EXPECT_EQ(refusalOf(ProfileBuilder().build()), "(loaded)"); }

class ProfileFiles : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const Data& bytes) {
    std::filesystem::path path = std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    written_.push_back(path);
    return path.string();
  }
  void TearDown() override {
    for (const auto& path : written_) std::filesystem::remove(path);
  }
  std::vector<std::filesystem::path> written_;
};

TEST_F(ProfileFiles, BinaryAndXMLFilesOfOneProfileDescribeTheSameMachine) {
  Value profile = ProfileBuilder().entry("AppleSMC", {{"smc-version", Value("1.47f2")}, {"ratio", Value::real(0.5)}}).build();
  std::vector<std::string> paths = {
      write("profile.xml", PropertyListSerialization::dataFromPropertyList(profile, PropertyListSerialization::Format::XML)),
      write("profile.bin", PropertyListSerialization::dataFromPropertyList(profile, PropertyListSerialization::Format::Binary))};
  for (const std::string& path : paths) {
    SimulatedMachine::LoadResult result = SimulatedMachine::loadFile(path);
    ASSERT_TRUE(std::holds_alternative<std::shared_ptr<SimulatedMachine>>(result)) << std::get<std::string>(result);
    const RegistryEntry* expert = std::get<0>(result)->planeRoot("IOService")->children.front().get();
    const RegistryEntry& smc = *expert->children.front();
    EXPECT_EQ(smc.property("smc-version"), Value("1.47f2")) << path;
    EXPECT_EQ(smc.property("ratio")->kind(), Value::Kind::Real) << path;
    EXPECT_EQ(expert->property("model"), Value(Data{'T', 'e', 's', 't', 'M', 'a', 'c', 'h', 'i', 'n', 'e', '1', ',', '1', 0}));
  }
}

TEST_F(ProfileFiles, AFileThatIsNoPropertyListIsRefusedWithItsPath) {
  std::string path = write("profile.txt", Data{'h', 'e', 'l', 'l', 'o'});
  SimulatedMachine::LoadResult result = SimulatedMachine::loadFile(path);
  ASSERT_TRUE(std::holds_alternative<std::string>(result));
  EXPECT_EQ(std::get<std::string>(result), path + ": the file is no property list (neither XML nor binary)");
}

TEST_F(ProfileFiles, AMissingFileIsRefusedWithItsPath) {
  SimulatedMachine::LoadResult result = SimulatedMachine::loadFile("/nonexistent/profile.plist");
  EXPECT_EQ(std::get<std::string>(result), "/nonexistent/profile.plist: the file cannot be read");
}

}  // namespace
}  // namespace sw::sim
