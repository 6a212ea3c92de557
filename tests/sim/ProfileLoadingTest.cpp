// Loading machine profiles: malformed profiles are refused with a message that names the source,
// the entry path and the problem; XML and binary files load alike with every kind of value, and
// so does every built-in profile.
#include <gtest/gtest.h>

#include "foundation/PropertyListSerialization.h"
#include "os/TemporaryDirectory.h"
#include "sim/BuiltInProfiles.h"
#include "sim/SimulatedMachine.h"
#include "support/ProfileBuilder.h"

namespace sw::sim {
namespace {

using test::problemOf;
using test::ProfileBuilder;

Value withTopLevel(const std::string& key, Value value) { return ProfileBuilder().section(key, std::move(value)).build(); }

Value withEntry(const char* className, Dictionary properties) {
  return ProfileBuilder().entry(className, std::move(properties)).build();
}

/// A sensor entry whose current-value follows this signal.
Value withSignal(Dictionary signal) {
  return withEntry("IOHWSensor", {{"@Signals", Value(Dictionary{{"current-value", Value(std::move(signal))}})}});
}

/// A registry of one controller with these key dictionaries.
Value withKeys(Array keys) {
  return withTopLevel("IORegistry", ProfileBuilder::registryEntry("AppleSMC", {{"@SMCKeys", Value(std::move(keys))}}));
}

Value key(const char* code, const char* type, Value content, const char* field = "Bytes", Dictionary extra = {}) {
  extra.insert_or_assign("Key", Value(code));
  extra.insert_or_assign("Type", Value(type));
  extra.insert_or_assign(field, std::move(content));
  return Value(std::move(extra));
}

TEST(ProfileRefusal, EveryMalformedProfileIsRefusedWithItsPathAndProblem) {
  const Value diode(Data{0x2d, 0x80});
  const Value classless(Dictionary{{"IORegistryEntryName", Value("disk")}});
  Value deviceTree = ProfileBuilder::registryEntry("IOService", {{"IORegistryEntryName", Value("device-tree")}});
  const std::string entry = "broken.plist: IORegistry/TestMachine1,1/";
  const std::string smcKey = "broken.plist: IORegistry/@SMCKeys/";
  const std::pair<Value, std::string> kRefusals[] = {
      {Value(Array{}), "broken.plist: profile: must be a dictionary"},
      {withTopLevel("Registry", Value(Dictionary{})), "broken.plist: Registry: unknown section"},
      {withTopLevel("IORegistry", ProfileBuilder::registryEntry("IOPCIDevice", {}, {classless})),
       "broken.plist: IORegistry/disk: IOObjectClass is missing"},
      {withEntry("IOPCIDevice", {{"IORegistryEntryChildren", Value("none")}}),
       entry + "IOPCIDevice: IORegistryEntryChildren must be an array of entries"},
      {withEntry("AppleSMC", {{"@Keys", Value(Array{})}}), entry + "AppleSMC: unknown instruction \"@Keys\""},
      {withEntry("Monitor", {{"@Driver", Value("Fan")}}), entry + "Monitor: @Driver must name a known driver behaviour"},
      {withEntry("IOHWSensor", {{"location", Value("CPU")},
                                {"@Signals", Value(Dictionary{{"location", Value(Dictionary{{"Base", Value::integer(1)}})}})}}),
       entry + "IOHWSensor: @Signals names the property \"location\", which is no number"},
      {withEntry("Monitor", {{"@Signals", Value(Dictionary{{"CPUStatus.Core0.ThermalReadout", Value(Dictionary{})}})}}),
       entry + "Monitor: @Signals names \"CPUStatus.Core0.ThermalReadout\" in a status block, which needs @Driver CPUMonitor"},
      {withEntry("Monitor", {{"@Driver", Value("CPUMonitor")},
                             {"@Signals", Value(Dictionary{{"CPUStatus.Core01.ThermalReadout", Value(Dictionary{})}})}}),
       entry + "Monitor: @Signals names \"CPUStatus.Core01.ThermalReadout\", which is no CPUStatus.Core<n>.ThermalReadout or .CurrentRatio"},
      {withSignal({}), entry + "IOHWSensor/@Signals/current-value: a signal needs a Base"},
      {withSignal({{"Base", Value::integer(40)}, {"Amplitude", Value::integer(5)}}),
       entry + "IOHWSensor/@Signals/current-value: a signal with an Amplitude needs a Period greater than 0"},
      {withSignal({{"Base", Value::integer(40)}, {"Phase", Value::integer(5)}}),
       entry + "IOHWSensor/@Signals/current-value: unknown signal key \"Phase\""},
      {withEntry("AppleSMC", {{"@SMCKeys", Value(Dictionary{})}}),
       entry + "AppleSMC/@SMCKeys: must be an array of key dictionaries"},
      {withKeys({key("TC0", "sp78", diode)}), smcKey + "0: Key must be four Mac OS Roman characters"},
      {withKeys({key("TC0D", "sp78 ", diode)}), smcKey + "0: Type must be four Mac OS Roman characters or four bytes of data"},
      {withKeys({key("TC0D", "ch8*", Value(Data(33, 0x41)))}), smcKey + "0: Bytes must be data of at most 32 bytes"},
      {withKeys({key("TC0D", "sp78", diode, "Bytes", {{"Value", Value::real(45.5)}})}),
       smcKey + "0: a key needs either Bytes or Value"},
      {withKeys({key("RVBF", "ch8*", Value::integer(1), "Value")}), smcKey + "0: a Value needs a numeric type, not \"ch8*\""},
      {withKeys({key("FNum", "ui8 ", Value::integer(256), "Value")}), smcKey + "0: Value does not fit the type \"ui8 \""},
      {withKeys({key("TC0D", "sp78", diode, "Bytes", {{"Hiden", Value::boolean(true)}})}),
       smcKey + "0: unknown key field \"Hiden\""},
      {withKeys({key("TC0D", "sp78", diode, "Bytes", {{"Fail", Value::integer(1)}})}), smcKey + "0: Fail must be a boolean"},
      {withKeys({key("TC0D", "sp78", diode), key("TC0D", "sp78", Value(Data{0x2d, 0}))}),
       smcKey + "1: key \"TC0D\" appears twice"},
      {withKeys({key("RVBF", "ch8*", Value(Data{0x41}), "Bytes", {{"Signal", Value(Dictionary{{"Base", Value::integer(1)}})}})}),
       smcKey + "0: a Signal needs a numeric type of its size"},
      {withTopLevel("Sysctl", Value(Dictionary{{"hw.ncpu", Value::boolean(true)}})),
       "broken.plist: Sysctl/hw.ncpu: a sysctl value must be an integer, a string or data"},
      {ProfileBuilder().sysctl("hw.ncpu", 1LL << 33).build(),
       "broken.plist: Sysctl/hw.ncpu: the value does not fit this 32-bit name"},
      {withTopLevel("HostInfo", Value(Dictionary{{"cpu_family", Value::integer(6)}})),
       "broken.plist: HostInfo: unknown key \"cpu_family\""},
      {withTopLevel("HostInfo", Value(Dictionary{{"cpu_type", Value("x86")}})),
       "broken.plist: HostInfo/cpu_type: must be an integer from -2147483648 to 2147483647"},
      {ProfileBuilder().hostUUID("00000000-0000-1000-8000-0023DF8C1A4").build(),
       "broken.plist: HostUUID: must be a UUID of the form XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"},
      {ProfileBuilder().file("etc/hwmond.SMART", Value("x")).build(),
       "broken.plist: Files/etc/hwmond.SMART: a file path must be absolute"},
      {ProfileBuilder().file("/etc/hwmond.SMART", Value::integer(1)).build(),
       "broken.plist: Files//etc/hwmond.SMART: a file must be a dictionary, an array, a string or data"},
      {ProfileBuilder().process(7, "SeventeenLetters!", 0).build(),
       "broken.plist: Processes/0/comm: must be a command name of at most 16 bytes"},
      {withTopLevel("IODeviceTree", ProfileBuilder::registryEntry("IORegistryEntry", {}, {deviceTree, deviceTree})),
       "broken.plist: IODeviceTree: a dump from the registry root must hold the device tree as its only child"},
      {withTopLevel("IOClassHierarchy", Value(Dictionary{{"AppleFoo", Value::integer(1)}})),
       "broken.plist: IOClassHierarchy: the superclass of AppleFoo must be a class name"},
      {ProfileBuilder().superclass("AppleFoo", "AppleBar").superclass("AppleBar", "AppleFoo").build(),
       "broken.plist: IOClassHierarchy: class AppleBar is its own ancestor"},
  };
  for (const auto& [profile, message] : kRefusals) {
    EXPECT_EQ(problemOf(SimulatedMachine::load(profile, "broken.plist")), message);
  }
}

std::string textOf(const Data& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ProfileFiles, BinaryAndXMLFilesOfOneProfileDescribeTheSameMachineWithEveryKindOfValue) {
  using Format = PropertyListSerialization::Format;
  const Dictionary everyKind{
      {"integer", Value::integer(-5)}, {"large", Value::integer(17179869184)}, {"real", Value::real(2.5)},
      {"whole real", Value::real(3.0)}, {"true", Value::boolean(true)},      {"false", Value::boolean(false)},
      {"data", Value(Data{0, 0xff, 0x10})}, {"empty data", Value(Data{})},   {"date", Value(Date{316000000.0})},
      {"text", Value("Grüße & <tags>")}, {"list", Value(Array{Value::integer(1), Value(Dictionary{}), Value(Array{})})}};
  Value profile = ProfileBuilder().entry("IOHWSensor", everyKind).build();
  os::testing::TemporaryDirectory directory;
  for (Format format : {Format::XML, Format::Binary}) {
    std::string path =
        directory.write("profile.plist", textOf(PropertyListSerialization::dataFromPropertyList(profile, format))).string();
    SimulatedMachine::LoadResult result = SimulatedMachine::loadFile(path);
    ASSERT_EQ(problemOf(result), "(loaded)");
    const Dictionary& read = std::get<0>(result)->planeRoot("IOService")->children.front()->children.front()->properties;
    EXPECT_EQ(read, everyKind);
    // Equality compares numbers by value; the kinds must stay apart too.
    EXPECT_EQ(read.at("whole real").kind(), Value::Kind::Real);
    EXPECT_EQ(read.at("integer").kind(), Value::Kind::Integer);
    EXPECT_EQ(read.at("true").kind(), Value::Kind::Boolean);
  }
}

// Damaged files that merely must not crash the reader are replayed by the fuzz corpus.
TEST(ProfileFiles, AFileThatIsNoPropertyListOrCannotBeReadIsRefusedWithItsPathAndReason) {
  std::string nested = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int level = 0; level < 300; ++level) nested += "<array>";
  for (int level = 0; level < 300; ++level) nested += "</array>";
  const std::pair<std::string, const char*> kFiles[] = {
      {"hello", "the file is no property list (neither XML nor binary)"},
      {"", "the file is empty"},
      {nested + "</plist>", "the property list is nested too deeply"}};
  os::testing::TemporaryDirectory directory;
  for (const auto& [contents, reason] : kFiles) {
    std::string path = directory.write("profile.plist", contents).string();
    EXPECT_EQ(problemOf(SimulatedMachine::loadFile(path)), path + ": " + reason);
  }
  EXPECT_EQ(problemOf(SimulatedMachine::loadFile("/nonexistent/profile.plist")),
            "/nonexistent/profile.plist: the file cannot be read");
}

TEST(BuiltInProfiles, EveryOneLoadsAndHasANameAndAnUnknownNameIsRefused) {
  std::vector<BuiltInProfile> profiles = builtInProfiles();
  ASSERT_GE(profiles.size(), 4u);
  for (const BuiltInProfile& profile : profiles) {
    EXPECT_EQ(problemOf(SimulatedMachine::loadBuiltIn(profile.name)), "(loaded)") << profile.name;
    EXPECT_FALSE(profile.profileName.empty()) << profile.name;
  }
  EXPECT_EQ(problemOf(SimulatedMachine::loadBuiltIn("Macintosh128K")), "Macintosh128K: no built-in profile has this name");
}

}  // namespace
}  // namespace sw::sim
