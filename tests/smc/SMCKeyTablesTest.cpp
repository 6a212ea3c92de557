// The location texts that the temperature and electric key tables give, model rules included.
#include <gtest/gtest.h>

#include "smc/SMCElectricKeyTable.h"
#include "smc/SMCKeyTable.h"
#include "smc/SMCTemperatureKeyTable.h"

namespace sw::smc {
namespace {

struct LocationCase {
  const char* key;
  const char* model;
  std::optional<std::string> location;
};

void PrintTo(const LocationCase& test, std::ostream* out) { *out << test.key << " on " << test.model; }

class TemperatureLocations : public ::testing::TestWithParam<LocationCase> {};

TEST_P(TemperatureLocations, followTheTable) {
  const LocationCase& test = GetParam();
  EXPECT_EQ(temperatureLocationForKey(test.key, test.model), test.location);
}

const std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    SMCKeyTables, TemperatureLocations,
    ::testing::Values(
        LocationCase{"TC0D", "MacBookPro5,5", "SMC CPU A DIODE"}, LocationCase{"TC9H", "iMac11,2", "SMC CPU J HEAT SINK"},
        LocationCase{"TCGP", "iMac11,2", "SMC CPU G PROXIMITY"},  // a letter stays a letter
        LocationCase{"TCTD", "MacBookPro5,5", none}, LocationCase{"TC0C", "MacBookPro5,5", none},
        LocationCase{"TA0P", "MacPro5,1", "SMC AMBIENT AIR"}, LocationCase{"TA0P", "iMac13,2", none},
        LocationCase{"TA1P", "iMac13,2", "SMC AMBIENT AIR POSITION 2"},
        LocationCase{"TA3S", "MacPro5,1", "SMC PCI SLOT 2 POS 2"},
        LocationCase{"TA0S", "MacPro5,1", "SMC PCI SLOT 1 POS 1"},
        LocationCase{"TB0T", "MacBookPro8,1", "SMC BATTERY"}, LocationCase{"TB2T", "MacBookPro8,1", "SMC BATTERY POSITION 3"},
        LocationCase{"Te5S", "MacPro5,1", "SMC RAID CARD"}, LocationCase{"Te1S", "MacPro5,1", "SMC PCIE SLOT 1"},
        LocationCase{"TE1S", "MacPro5,1", none},  // upper-case E is another letter
        LocationCase{"TG0D", "iMac13,2", "SMC GPU DIODE"}, LocationCase{"TG0H", "iMac13,2", "SMC GPU 1 HEAT SINK"},
        LocationCase{"TG1P", "iMac13,2", "SMC GPU 2 CHIP"},
        LocationCase{"TH0P", "iMac13,2", "SMC DRIVE BAY 1"}, LocationCase{"TH0P", "MacPro5,1", "SMC DRIVE BAY 0"},
        LocationCase{"TH3P", "Xserve3,1", "SMC DRIVE BAY 3"}, LocationCase{"TH6P", "iMac13,2", none},
        LocationCase{"THSP", "iMac13,2", "SMC SSD BAY"},
        LocationCase{"Th1H", "MacPro5,1", "SMC MAIN HEAT SINK 2"}, LocationCase{"Th9H", "MacPro5,1", "SMC MAIN HEAT SINK 9"},
        LocationCase{"Th0P", "MacPro5,1", "SMC CPU A PROXIMITY"},
        LocationCase{"TI0P", "MacBookAir5,2", "SMC THUNDERBOLT PORT 1"}, LocationCase{"TIxP", "MacBookAir5,2", none},
        LocationCase{"TL0P", "iMac11,2", "SMC LCD PROXIMITY"}, LocationCase{"TL0P", "iMac13,1", none},
        LocationCase{"TM0P", "MacBookPro5,5", "SMC BATTERY CHARGER PROXIMITY"},
        LocationCase{"TM1P", "MacBookAir5,2", "SMC MEMORY OUTGOING AIR"},
        LocationCase{"TM2P", "MacBook7,1", "SMC VOLTAGE REGULATOR AREA"},
        LocationCase{"TM0S", "MacBookPro5,5", none},  // laptops have no module rows
        LocationCase{"TMA3", "MacPro5,1", "SMC MEMORY MODULE SLOT 3"},
        LocationCase{"TMB2", "MacPro4,1", "SMC MEMORY MODULE SLOT 6"},
        LocationCase{"TM0P", "Macmini5,1", "SMC MEMORY SLOTS"}, LocationCase{"TM1S", "Macmini5,1", "SMC MEMORY MODULE SLOT 2"},
        LocationCase{"TM8S", "iMac11,2", "SMC MEMORY MODULE B1"}, LocationCase{"TM8S", "Xserve3,1", "SMC MEMORY MODULE B0"},
        LocationCase{"TMGS", "iMac11,2", none}, LocationCase{"TMFP", "iMac11,2", "SMC MEMORY BANK B POS 8"},
        LocationCase{"Tm0P", "MacBookPro8,1", "SMC MAIN LOGIC BOARD"},
        LocationCase{"TN0C", "MacPro5,1", "SMC NORTHBRIDGE CORE"}, LocationCase{"TN0D", "MacPro5,1", "SMB NORTHBRIDGE CHIP DIE"},
        LocationCase{"TN1P", "MacBookPro5,5", "SMC NORTHBRIDGE POS 2"},
        LocationCase{"TO0P", "iMac11,2", "SMC OPTICAL DRIVE"}, LocationCase{"TP0P", "MacBookPro8,1", "SMC PLATFORM CONTROLLER HUB"},
        LocationCase{"Tp0C", "iMac13,2", "SMC POWER SUPPLY SENSOR 1"}, LocationCase{"Tp2H", "iMac13,2", "SMC SECONDARY HEATSINK"},
        LocationCase{"Tp3H", "iMac13,2", "SMC PRIMARY HEATSINK"}, LocationCase{"Tp4H", "iMac13,2", none},
        LocationCase{"TS0C", "MacBookPro5,5", "SMC EXPANSION SLOTS"}, LocationCase{"Ts1P", "MacBookPro8,1", "SMC RIGHT PALM REST"},
        LocationCase{"TV0P", "iMac13,2", "SMC AIR VENT EXIT"}, LocationCase{"TW0P", "MacBookPro8,1", "SMC WLAN CARD"},
        LocationCase{"TZ0P", "MacBookPro8,1", none}, LocationCase{"FC0D", "MacBookPro8,1", none},
        LocationCase{"TC0", "MacBookPro8,1", none}));

class ElectricLocations : public ::testing::TestWithParam<std::tuple<LocationCase, unsigned>> {};

TEST_P(ElectricLocations, followTheTable) {
  const auto& [test, packages] = GetParam();
  EXPECT_EQ(electricLocationForKey(test.key, test.model, packages), test.location) << test.key << " with " << packages;
}

INSTANTIATE_TEST_SUITE_P(
    SinglePackage, ElectricLocations,
    ::testing::Combine(
        ::testing::Values(
            LocationCase{"VC0C", "iMac11,2", "SMC CPU A"}, LocationCase{"IC0C", "iMac11,2", "SMC CPU A"},
            LocationCase{"PC0C", "iMac11,2", "SMC CPU A"}, LocationCase{"VC1C", "iMac11,2", "SMC CPU SUPPLY 1"},
            LocationCase{"VC9C", "iMac11,2", "SMC CPU 9"}, LocationCase{"VCPC", "iMac11,2", none},
            LocationCase{"VC0C", "MacBookPro8,1", none}, LocationCase{"VD0R", "MacBookPro8,1", none},
            LocationCase{"IN0C", "MacBookPro8,1", none}, LocationCase{"PN0R", "MacBookPro8,1", none},
            LocationCase{"PN0R", "iMac11,2", "SMC NORTHBRIDGE VCORE"}, LocationCase{"IN0C", "iMac11,2", "SMC NORTHBRIDGE"},
            LocationCase{"VN1C", "iMac11,2", "SMC NORTHBRIDGE 2"}, LocationCase{"VD0R", "iMac11,2", "SMC DC INPUT"},
            LocationCase{"VD5R", "iMac11,2", "SMC 12V S5 LINE"}, LocationCase{"VD0r", "MacBookPro8,1", "SMC DC V-SENSE"},
            LocationCase{"PDPr", "iMac13,2", "SMC AC/DC"}, LocationCase{"IB0R", "MacBookPro8,1", "SMC BATTERY I-SENSE"},
            LocationCase{"VC1B", "MacPro5,1", "SMC CPU 1 FRONT SIDE BUS TERMINATION"},
            LocationCase{"VC0c", "MacBookPro8,1", "SMC CPU VOLTAGE SENSE"}, LocationCase{"IC0R", "MacBookPro8,1", "SMC CPU HIGH SIDE"},
            LocationCase{"VeAS", "MacPro5,1", "SMC PCI SLOT 1 12V LINE"}, LocationCase{"Ve1S", "MacPro5,1", "SMC PCI SLOT 1 12V BOOST LINE"},
            LocationCase{"VeES", "MacPro5,1", "SMC PCIE SLOTS 12V RAIL"}, LocationCase{"Ve5S", "MacPro5,1", "SMC PCI SLOT 5 12V LINE"},
            LocationCase{"PF0R", "MacPro5,1", "SMC FIREWIRE PORTS"}, LocationCase{"PG0C", "iMac13,2", "SMC GPU SUPPLY 1"},
            LocationCase{"VG0c", "iMac13,2", "SMC GPU 1 V-SENSE"}, LocationCase{"PG0R", "iMac11,2", "SMC MXM GRAPHICS MODULE"},
            LocationCase{"IH5Z", "MacPro5,1", "SMC OPTICAL DISK DRIVE"}, LocationCase{"IH2Z", "MacPro5,1", "SMC HARD DRIVE 2 12V LINE"},
            LocationCase{"VM0S", "MacPro5,1", "SMC MEMORY VRM SUPPLY 0"}, LocationCase{"IO0Z", "MacPro5,1", "SMC OPTICAL DISK DRIVE 12V LINE"},
            LocationCase{"PPBR", "MacBookPro8,1", "SMC POWER SUPPLY/BATTERY"}, LocationCase{"VP0r", "MacBookPro8,1", "SMC PBUS V-SENSE"},
            LocationCase{"Vp3C", "MacPro5,1", "SMC PSU 2 LINE 2"}, LocationCase{"Vs2S", "MacPro5,1", "SMC EXPANSION SLOT 2"},
            LocationCase{"VSFC", "MacPro5,1", "SMC CPU/VRM SUPPLY F"}, LocationCase{"VSGC", "MacPro5,1", none},
            LocationCase{"VV1S", "MacPro5,1", "SMC MAINBOARD MONITOR 1"}, LocationCase{"TC0C", "MacPro5,1", none},
            LocationCase{"VX0C", "MacPro5,1", none}),
        ::testing::Values(1u)));

TEST(SMCKeyTables, theSecondPackageIsAProcessorOnTwoPackageMachines) {
  EXPECT_EQ(electricLocationForKey("VC1C", "MacPro5,1", 2), "SMC CPU B");
  EXPECT_EQ(electricLocationForKey("VC2C", "MacPro5,1", 2), "SMC CPU SUPPLY 2");
}

TEST(SMCKeyTables, uniqueCodesAddOneTwoAndThreeToTheKeyCharacters) {
  EXPECT_EQ(threeCharacterCode("TC0D"), "DF3");
  EXPECT_EQ(threeCharacterCode("TA0P"), "BR3");
  EXPECT_EQ(threeCharacterCode("VC0C"), "DE3");
}

}  // namespace
}  // namespace sw::smc
