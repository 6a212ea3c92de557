// The S.M.A.R.T. device class against simulated disks: which entries it takes, what it reads
// from them, and that every operation leaves the plug-in interface closed.
#include <gtest/gtest.h>

#include "foundation/Format.h"
#include "ioregistry/TKSIORegistryEntry.h"
#include "os/SystemLog.h"
#include "smart/SMARTTestMachine.h"
#include "smart/TKSSMARTStorageDevice.h"
#include "support/SimulatedMachineTest.h"

namespace sw::test {
namespace {

using Texts = std::vector<std::string>;

class SMARTDevices : public SimulatedMachineTest {
 protected:
  void installDisks(std::initializer_list<DiskDescription> disks) {
    ProfileBuilder profile;
    for (const auto& disk : disks) addDisk(profile, disk);
    install(profile);
  }
  std::shared_ptr<TKSIORegistryEntry> firstDisk() {
    auto entries = TKSIORegistryEntry::serviceObjectsMatchingName("IOBlockStorageDevice");
    return entries && !entries->empty() ? entries->front() : nullptr;
  }
  std::shared_ptr<TKSSMARTStorageDevice> firstDevice() {
    return TKSSMARTStorageDevice::createWithIORegistryEntry(firstDisk(), false);
  }
  std::uint64_t commandsSent() { return machine().smartDrives().front()->commandsReceived; }

  os::CapturedLog log_;
};

Value dictionaryOf(std::initializer_list<std::pair<const std::string, Value>> entries) { return Value(Dictionary(entries)); }

// The two checks of an entry's description: whether it supports S.M.A.R.T. and whether it is
// connected over SATA; each says why only in debug mode.
TEST_F(SMARTDevices, WhatAnEntrysDescriptionSaysAndWhyItRefusesOne) {
  using Check = bool (*)(const std::shared_ptr<TKSIORegistryEntry>&, bool);
  const Check smart = &TKSSMARTStorageDevice::storageDeviceEntryIndicatesSMARTSupport;
  const Check sata = &TKSSMARTStorageDevice::storageDeviceEntryIndicatesSATAConnect;
  struct Case {
    const char* what;
    Check check;
    Dictionary features;
    bool accepted;
    const char* debugText;  // with %@ for the entry's description
  };
  const Value smartFeature = dictionaryOf({{"ATA Features", Value::integer(0x20)}});
  auto interconnect = [](Value value) { return dictionaryOf({{"Physical Interconnect", std::move(value)}}); };
  const Case cases[] = {
      {"the flag 0 decides before the features", smart,
       {{"SMART Capable", Value::integer(0)}, {"Device Characteristics", smartFeature}}, false, nullptr},
      {"a boolean flag counts as a number", smart, {{"SMART Capable", Value::boolean(true)}}, true, nullptr},
      {"a flag of another kind", smart, {{"SMART Capable", Value("YES")}}, false,
       "   Device entry %@ not accepted because S.M.A.R.T. feature flag not accessible\n"},
      {"feature bit 5 set", smart, {{"Device Characteristics", smartFeature}}, true, nullptr},
      {"feature bits below bit 5 only", smart, {{"Device Characteristics", dictionaryOf({{"ATA Features", Value::integer(0x1F)}})}}, false,
       "   Device entry %@ not accepted because it doesn't seem to support S.M.A.R.T. The feature code is 1f.\n"},
      {"characteristics without features", smart, {{"Device Characteristics", dictionaryOf({{"Product Name", Value("x")}})}}, false,
       "   Device entry %@ not accepted because ATA features not accessible\n"},
      {"characteristics that are no dictionary", smart, {{"Device Characteristics", Value("x")}}, false,
       "   Device entry %@ not accepted because ATA features not accessible\n"},
      {"features that are no number", smart, {{"Device Characteristics", dictionaryOf({{"ATA Features", Value("0x20")}})}}, false,
       "   Device entry %@ not accepted because ATA features could not be processed\n"},
      {"no description at all", smart, {}, false, "   Device entry %@ not accepted because device description not accessible\n"},
      {"a SATA interconnect", sata, {{"Protocol Characteristics", interconnect(Value("SATA"))}}, true, nullptr},
      {"an ATA interconnect", sata, {{"Protocol Characteristics", interconnect(Value("ATA"))}}, false, nullptr},
      {"an interconnect that is no text", sata, {{"Protocol Characteristics", interconnect(Value::integer(1))}}, false,
       "   Device entry %@ has no or an unexpected interconnect specifier\n"},
      {"protocol characteristics that are no dictionary", sata, {{"Protocol Characteristics", Value("SATA")}}, false,
       "   Device entry %@ does not specify protocol characteristics\n"},
      {"no protocol characteristics", sata, {}, false, "   Device entry %@ does not specify protocol characteristics\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DiskDescription disk;
    disk.features = c.features;
    installDisks({disk});
    const auto entry = firstDisk();
    {
      os::CapturedLog quiet;
      EXPECT_EQ(c.check(entry, false), c.accepted);
      EXPECT_TRUE(quiet.messages().empty()) << "logged without debug";
    }
    os::CapturedLog debug;
    EXPECT_EQ(c.check(entry, true), c.accepted);
    EXPECT_EQ(debug.messages(), c.debugText ? Texts{stringWithFormat(c.debugText, entry->description())} : Texts{});
  }
  EXPECT_FALSE(smart(nullptr, true));
}

// The shipped table knows "QUANTUM FIREBALL" (attribute 0) and none of the ACME disks.
TEST_F(SMARTDevices, LegacyDisksNeedTheTableOrSATAWhileNewEraDisksAreAlwaysReadFrom194) {
  const Dictionary pata{{"SMART Capable", Value::boolean(true)},
                        {"Protocol Characteristics", dictionaryOf({{"Physical Interconnect", Value("ATA")}})}};
  DiskDescription ahciKnownModel{.model = "QUANTUM FIREBALL lct20", .serial = "A1"};
  DiskDescription legacyKnown{.className = "IOATABlockStorageDevice", .model = "QUANTUM FIREBALL lct20", .serial = "L1", .features = pata};
  DiskDescription legacySATA{.className = "SonnetSATABlockStorageDevice", .model = "ACME SATA", .serial = "L2"};
  DiskDescription legacyUnknown{.className = "IOATABlockStorageDevice", .model = "ACME PATA", .serial = "L3", .features = pata};
  DiskDescription services{.className = "IOBlockStorageServices", .model = "ACME SERVICES", .serial = "N2"};
  installDisks({ahciKnownModel, legacyKnown, legacySATA, legacyUnknown, services});
  auto summary = [](const SMARTDeviceList& devices) {
    Texts lines;
    for (const auto& device : devices) {
      lines.push_back(device->serialNumber() + " " + std::to_string(device->temperatureAttributeID()));
    }
    return lines;
  };
  EXPECT_EQ(summary(TKSSMARTStorageDevice::allSMARTDevicesRestrictToTemperatureSupport(false)),
            (Texts{"L1 0", "L3 194", "L2 194", "A1 194", "N2 194"}));
  EXPECT_TRUE(log_.messages().empty()) << "discovery is silent without debug";

  TKSSMARTStorageDevice::setDebugMode(true);
  EXPECT_EQ(summary(TKSSMARTStorageDevice::allSMARTDevicesRestrictToTemperatureSupport(true)),
            (Texts{"L1 0", "L2 194", "A1 194", "N2 194"}));
  const Texts& messages = log_.messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(),
            "*** Scanning for S.M.A.R.T. capable devices, feature code 4184. (Found 3 legacy ATA and 2 new era block "
            "storage devices.)\n");
  EXPECT_TRUE(log_.contains("   Device with product name 'ACME SATA' is unknown but connected via SATA. Accepted.\n"));
  auto entries = TKSIORegistryEntry::serviceObjectsMatchingName("IOATABlockStorageDevice").value();
  EXPECT_TRUE(log_.contains(stringWithFormat(
      "   Device entry %@ not accepted because temperature support could no be determined.\n", entries[1]->description())));
  EXPECT_EQ(messages.back(), "*** Scan of S.M.A.R.T. capable devices completed.\n");
}

TEST_F(SMARTDevices, ADiskWhoseInterfaceCannotBeOpenedOrEnabledIsNoDevice) {
  for (const char* failing : {"open", "enable"}) {
    installDisks({DiskDescription{.fail = {Value(failing)}}});
    TKSSMARTStorageDevice::setDebugMode(true);
    EXPECT_TRUE(TKSSMARTStorageDevice::allSMARTDevicesRestrictToTemperatureSupport(false).empty()) << failing;
    const std::string entry = firstDisk()->description();
    EXPECT_TRUE(log_.contains(stringWithFormat(
        "   Device entry %@ not accepted because access to its S.M.A.R.T. interface failed.\n", entry)));
    EXPECT_TRUE(log_.contains(stringWithFormat("   Device entry %@ not accepted.\n", entry)));
  }
}

TEST_F(SMARTDevices, AFailingIdentifyLeavesAnUnknownDiskThatStillReads) {
  installDisks({DiskDescription{.fail = {Value("identify")}}});
  auto device = firstDevice();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->productName(), "UNKNOWN SMART DISK");
  EXPECT_EQ(device->serialNumber(), " ");
  EXPECT_EQ(device->temperature(), 38);
}

TEST_F(SMARTDevices, TheEnableRequestIsSentOnceAndRecordLookupsOutsideOneTo255NeverTouchTheDisk) {
  installDisks({DiskDescription{}});
  auto device = firstDevice();
  ASSERT_NE(device, nullptr);
  const std::uint64_t afterCreation = commandsSent();
  EXPECT_EQ(afterCreation, 2u) << "enable and identify";
  EXPECT_EQ(device->temperature(), 38);
  EXPECT_EQ(commandsSent(), afterCreation + 1) << "one read, no second enable";
  TKSSMARTVendorAttribute attribute;
  TKSATASMARTThresholdValue threshold;
  for (int identifier : {0, 256, -1}) {
    EXPECT_FALSE(device->getVendorSpecificSMARTAttributeForIdentifier(&attribute, identifier));
    EXPECT_FALSE(device->getVendorSpecificSMARTThresholdValueForIdentifier(&threshold, identifier));
  }
  EXPECT_FALSE(device->getVendorSpecificSMARTAttributeForIdentifier(nullptr, 194));
  EXPECT_EQ(commandsSent(), afterCreation + 1);
  EXPECT_FALSE(device->getVendorSpecificSMARTAttributeForIdentifier(&attribute, 9)) << "not among the slots";
}

TEST_F(SMARTDevices, MisusedOpenAndCloseAreReportedAndChangeNothing) {
  installDisks({DiskDescription{}});
  auto device = firstDevice();
  ASSERT_NE(device, nullptr);
  device->closeSMARTDevice();
  EXPECT_EQ(log_.messages(), Texts{"Internal error: TKSSMARTStorageDevice tried to close a device which is not open\n"});
  ASSERT_TRUE(device->openSMARTDevice());
  EXPECT_FALSE(device->openSMARTDevice());
  EXPECT_TRUE(log_.contains("Internal error: TKSSMARTStorageDevice tried to open a device which is already open\n"));
  EXPECT_EQ(device->temperature(), -1) << "an operation needs a closed device to start from";
  device->closeSMARTDevice();
  EXPECT_EQ(machine().heldReferenceCount(), 1u) << machine().heldReferenceReport();  // the entry only
  EXPECT_EQ(device->temperature(), 38);
}

TEST_F(SMARTDevices, TemperatureDecodingsOfThePackedAndThePlainForms) {
  struct Case {
    std::uint8_t attributeID;
    std::array<std::uint8_t, 6> raw;
    std::int32_t degrees;
  };
  const Case cases[] = {
      {194, {0x2D, 0x00, 0x23, 0x00, 0x37, 0x00}, 45},      // lowest 35 and highest 55 packed behind it
      {194, {0x2D, 0x01, 0x00, 0x00, 0x00, 0x00}, 301},     // two bytes are read, nothing is judged
      {190, {0x2D, 0x00, 0x00, 0x00, 0x00, 0x00}, 45},
      {190, {0x2D, 0x00, 0x0F, 0x00, 0x00, 0x00}, 983085},  // the packed bytes are read along
      {231, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}, -1},      // four bytes of ones
  };
  for (const auto& c : cases) {
    TKSSMARTVendorAttribute attribute;
    attribute.attributeID = c.attributeID;
    attribute.rawValue = c.raw;
    EXPECT_EQ(TKSSMARTStorageDevice::temperatureFromSMARTAttribute(attribute, c.attributeID), c.degrees);
  }
  installDisks({DiskDescription{.attributes = {packedTemperature(38), smartAttribute(190, Value::integer(0x000F002D))}}});
  auto device = firstDevice();
  device->setSMARTTemperatureAttributeID(190);
  EXPECT_EQ(device->temperature(), 983085);
  device->setSMARTTemperatureAttributeID(0);
  EXPECT_EQ(device->temperature(), -1);
}

std::vector<std::uint8_t> inATAOrder(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  for (std::size_t index = 0; index + 1 < bytes.size(); index += 2) std::swap(bytes[index], bytes[index + 1]);
  return bytes;
}

TEST_F(SMARTDevices, ATAStringsAreSwappedBackFilteredAndTrimmed) {
  const std::string fortyCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
  struct Case {
    std::string field;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {std::string(40, ' '), ""},
      {fortyCharacters, fortyCharacters},
      {"  WDC WD2500JS  ", "WDC WD2500JS"},
      {"A\tB\x01" "C\x7F\xE9" "D  ", "ABCD"},  // control bytes, DEL and bytes from 0x80 up are not printable
      {"ODD", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto bytes = inATAOrder(c.field);
    EXPECT_EQ(stringFromATAString(bytes.data(), bytes.size()), c.text) << c.field;
  }
  installDisks({DiskDescription{.model = fortyCharacters, .serial = "12345678901234567890"}});
  auto device = firstDevice();
  EXPECT_EQ(device->productName(), fortyCharacters);
  EXPECT_EQ(device->serialNumber(), "12345678901234567890");
  TKSATADeviceIdentification identification;
  ASSERT_TRUE(device->getATAIdentificationData(&identification));
  EXPECT_EQ(identification.firmwareRevision(), "FW01");
}

TEST_F(SMARTDevices, AttributeDictionariesThresholdsAndStatuses) {
  // Slot 3 is empty, so slot 4 is never looked at by the scans that stop there.
  installDisks({DiskDescription{
      .attributes = {smartAttribute(5, Value(Data{1, 2, 3, 4, 5, 6}), 0x0033, 100, 99), smartAttribute(9, Value::integer(4102), 0x0032, 10),
                     smartAttribute(250, Value::integer(7), 0x0001, 20), smartAttribute(0, Value::integer(0)), packedTemperature(38)},
      .thresholds = {smartThreshold(5, 5), smartThreshold(9, 10), smartThreshold(250, 20), smartThreshold(0, 0), smartThreshold(194, 0)}}});
  auto device = firstDevice();
  Dictionary attributes{{"stale", Value("x")}}, thresholds;
  ASSERT_TRUE(device->getByIDAllSMARTAttributesAndThresholds(&attributes, &thresholds));
  EXPECT_EQ(attributes.size(), 3u);
  EXPECT_EQ(attributes.at("5"), Value(Dictionary{{"TKSSMARTAttributeID", Value::integer(5)},
                                                  {"TKSSMARTAttributeFlags", Value::integer(0x33)},
                                                  {"TKSSMARTAttributeWorstValue", Value::integer(99)},
                                                  {"TKSSMARTAttributeCurrentValue", Value::integer(100)},
                                                  {"TKSSMARTAttribute64BitRawValue", Value::integer(0x060504030201)},
                                                  {"TKSSMARTAttributeRawValue", Value("010203040506")}}));
  EXPECT_EQ(thresholds, (Dictionary{{"5", Value::integer(5)}, {"9", Value::integer(10)}, {"250", Value::integer(20)}}));
  EXPECT_FALSE(device->getByIDAllSMARTAttributesAndThresholds(&attributes, nullptr));

  const auto byName = device->availableSMARTAttributes().value_or(Dictionary{});
  EXPECT_EQ(byName.size(), 3u);
  EXPECT_TRUE(byName.contains("Reallocated Sector Count") && byName.contains("Power-On Hours") &&
              byName.contains("Unknown Attribute"));

  // Above the threshold: 0; at it: 2 for a pre-failure attribute, 1 for another.
  const Dictionary values = device->availableSMARTValues();
  auto statusOf = [&](const char* name) { return values.at(name).find("TKSSMARTAttributeStatus")->asInteger(); };
  EXPECT_EQ(values.size(), 2u) << "an attribute without a name is left out";
  EXPECT_EQ(statusOf("Reallocated Sector Count"), 0);
  EXPECT_EQ(statusOf("Power-On Hours"), 1);
  EXPECT_EQ(attributeDictionaryWithThreshold(*byName.at("Unknown Attribute").asDictionary(), 20)
                .at("TKSSMARTAttributeStatus"), Value::integer(2));
  EXPECT_EQ(device->dictionaryForVendorSpecificSMARTAttribute(nullptr), std::nullopt);
}

TEST_F(SMARTDevices, TheSystemMonitoringFileNamesTheAttributesForTheDiskItDescribes) {
  auto drive = [](const char* model, std::optional<Array> pairs) {
    Dictionary fields{{"manufacturerID", Value(model)}};
    if (pairs) fields.emplace("SMART", Value(*pairs));
    return Value(fields);
  };
  auto pair = [](int id, const char* name) { return Value(Array{Value::integer(id), Value(name)}); };
  const Array pairs{pair(9, "Hours"), pair(194, "Heat"), pair(12, "Not on this disk"), Value(Array{Value::integer(9)})};
  struct Case {
    const char* what;
    std::optional<Value> file;
    std::optional<std::size_t> names;  // nothing: no result at all
  };
  const Case cases[] = {
      {"no file", std::nullopt, std::nullopt},
      {"a file that is no dictionary", Value(Array{}), std::nullopt},
      {"no Drives", Value(Dictionary{}), std::nullopt},
      {"no drive of this model", Value(Dictionary{{"Drives", Value(Array{drive("Other", pairs)})}}), 0},
      {"the drive without SMART", Value(Dictionary{{"Drives", Value(Array{drive("Hitachi HTS545025B9SA02", std::nullopt)})}}), std::nullopt},
      {"the drive", Value(Dictionary{{"Drives", Value(Array{drive("Other", {}), drive("Hitachi HTS545025B9SA02", pairs)})}}), 2},
  };
  for (const auto& c : cases) {
    ProfileBuilder profile;
    addDisk(profile, DiskDescription{.attributes = {smartAttribute(9, Value::integer(4102)), packedTemperature(38)},
                                     .thresholds = {smartThreshold(9, 0), smartThreshold(194, 0)}});
    if (c.file) profile.file("/etc/hwmond.SMART", *c.file);
    install(profile);
    auto values = firstDevice()->systemMonitoredSMARTValues();
    EXPECT_EQ(values ? std::optional<std::size_t>(values->size()) : std::nullopt, c.names) << c.what;
    if (values && values->size() == 2) {
      EXPECT_EQ(values->at("Heat").find("TKSSMARTThresholdValue")->asInteger(), 0);
    }
  }
}

TEST_F(SMARTDevices, TheHealthStatusOfTheDisk) {
  for (const auto& [status, fail, expected] :
       {std::tuple{0, Array{}, 2}, std::tuple{1, Array{}, 1}, std::tuple{1, Array{Value("status")}, 0}}) {
    ProfileBuilder profile;
    addDisk(profile, DiskDescription{.fail = fail});
    install(profile);
    machine().smartDrives().front()->thresholdExceeded = status == 1;
    EXPECT_EQ(firstDevice()->currentSMARTStatus(), expected);
  }
}

}  // namespace
}  // namespace sw::test
