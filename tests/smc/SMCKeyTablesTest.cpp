// The location texts that the temperature and electric key tables give, model rules included.
#include <gtest/gtest.h>

#include "smc/SMCElectricKeyTable.h"
#include "smc/SMCTemperatureKeyTable.h"

namespace sw::smc {
namespace {

struct LocationCase {
  const char* key;
  const char* model;
  std::optional<std::string> location;
  unsigned packages = 1;
};

const std::nullopt_t none = std::nullopt;

const LocationCase kTemperatureRows[] = {
    {"TC0D", "MacBookPro5,5", "SMC CPU A DIODE"}, {"TC9H", "iMac11,2", "SMC CPU J HEAT SINK"},
    {"TCTD", "MacBookPro5,5", none}, {"TA0P", "MacPro5,1", "SMC AMBIENT AIR"}, {"TA0P", "iMac13,2", none},
    {"TA1P", "iMac13,2", "SMC AMBIENT AIR POSITION 2"}, {"TA3S", "MacPro5,1", "SMC PCI SLOT 2 POS 2"},
    {"TB0T", "MacBookPro8,1", "SMC BATTERY"}, {"Te5S", "MacPro5,1", "SMC RAID CARD"},
    {"Te1S", "MacPro5,1", "SMC PCIE SLOT 1"}, {"TE1S", "MacPro5,1", none}, {"TG0D", "iMac13,2", "SMC GPU DIODE"},
    {"TG1P", "iMac13,2", "SMC GPU 2 CHIP"}, {"TH0P", "iMac13,2", "SMC DRIVE BAY 1"},
    {"TH0P", "MacPro5,1", "SMC DRIVE BAY 0"}, {"TH6P", "iMac13,2", none}, {"THSP", "iMac13,2", "SMC SSD BAY"},
    {"Th1H", "MacPro5,1", "SMC MAIN HEAT SINK 2"}, {"Th0P", "MacPro5,1", "SMC CPU A PROXIMITY"},
    {"TI0P", "MacBookAir5,2", "SMC THUNDERBOLT PORT 1"}, {"TIxP", "MacBookAir5,2", none},
    {"TL0P", "iMac11,2", "SMC LCD PROXIMITY"}, {"TL0P", "iMac13,1", none},
    {"TM0P", "MacBookPro5,5", "SMC BATTERY CHARGER PROXIMITY"}, {"TM1P", "MacBookAir5,2", "SMC MEMORY OUTGOING AIR"},
    {"TM2P", "MacBook7,1", "SMC VOLTAGE REGULATOR AREA"}, {"TM0S", "MacBookPro5,5", none},
    {"TMB2", "MacPro4,1", "SMC MEMORY MODULE SLOT 6"}, {"TM0P", "Macmini5,1", "SMC MEMORY SLOTS"},
    {"TM1S", "Macmini5,1", "SMC MEMORY MODULE SLOT 2"}, {"TM8S", "iMac11,2", "SMC MEMORY MODULE B1"},
    {"TM8S", "Xserve3,1", "SMC MEMORY MODULE B0"}, {"TMGS", "iMac11,2", none},
    {"TMFP", "iMac11,2", "SMC MEMORY BANK B POS 8"}, {"Tm0P", "MacBookPro8,1", "SMC MAIN LOGIC BOARD"},
    {"TN0C", "MacPro5,1", "SMC NORTHBRIDGE CORE"}, {"TN0D", "MacPro5,1", "SMB NORTHBRIDGE CHIP DIE"},
    {"TN1P", "MacBookPro5,5", "SMC NORTHBRIDGE POS 2"}, {"TO0P", "iMac11,2", "SMC OPTICAL DRIVE"},
    {"TP0P", "MacBookPro8,1", "SMC PLATFORM CONTROLLER HUB"}, {"Tp0C", "iMac13,2", "SMC POWER SUPPLY SENSOR 1"},
    {"Tp2H", "iMac13,2", "SMC SECONDARY HEATSINK"}, {"Tp3H", "iMac13,2", "SMC PRIMARY HEATSINK"},
    {"Tp4H", "iMac13,2", none}, {"TS0C", "MacBookPro5,5", "SMC EXPANSION SLOTS"},
    {"Ts1P", "MacBookPro8,1", "SMC RIGHT PALM REST"}, {"TV0P", "iMac13,2", "SMC AIR VENT EXIT"},
    {"TW0P", "MacBookPro8,1", "SMC WLAN CARD"}, {"TZ0P", "MacBookPro8,1", none}, {"FC0D", "MacBookPro8,1", none},
    {"TC0", "MacBookPro8,1", none},
};

const LocationCase kElectricRows[] = {
    // The first letter only picks the quantity; the sensor tests show it.
    {"VC0C", "iMac11,2", "SMC CPU A"}, {"VC1C", "iMac11,2", "SMC CPU SUPPLY 1"}, {"VC9C", "iMac11,2", "SMC CPU 9"},
    {"VCPC", "iMac11,2", none}, {"VC0C", "MacBookPro8,1", none}, {"VD0R", "MacBookPro8,1", none},
    {"PN0R", "MacBookPro8,1", none}, {"PN0R", "iMac11,2", "SMC NORTHBRIDGE VCORE"},
    {"IN0C", "iMac11,2", "SMC NORTHBRIDGE"}, {"VN1C", "iMac11,2", "SMC NORTHBRIDGE 2"},
    {"VD0R", "iMac11,2", "SMC DC INPUT"}, {"VD5R", "iMac11,2", "SMC 12V S5 LINE"},
    {"VD0r", "MacBookPro8,1", "SMC DC V-SENSE"}, {"PDPr", "iMac13,2", "SMC AC/DC"},
    {"IB0R", "MacBookPro8,1", "SMC BATTERY I-SENSE"}, {"VC1B", "MacPro5,1", "SMC CPU 1 FRONT SIDE BUS TERMINATION"},
    {"VC0c", "MacBookPro8,1", "SMC CPU VOLTAGE SENSE"}, {"IC0R", "MacBookPro8,1", "SMC CPU HIGH SIDE"},
    {"VeAS", "MacPro5,1", "SMC PCI SLOT 1 12V LINE"}, {"Ve1S", "MacPro5,1", "SMC PCI SLOT 1 12V BOOST LINE"},
    {"VeES", "MacPro5,1", "SMC PCIE SLOTS 12V RAIL"}, {"Ve5S", "MacPro5,1", "SMC PCI SLOT 5 12V LINE"},
    {"PF0R", "MacPro5,1", "SMC FIREWIRE PORTS"}, {"PG0C", "iMac13,2", "SMC GPU SUPPLY 1"},
    {"VG0c", "iMac13,2", "SMC GPU 1 V-SENSE"}, {"PG0R", "iMac11,2", "SMC MXM GRAPHICS MODULE"},
    {"IH5Z", "MacPro5,1", "SMC OPTICAL DISK DRIVE"}, {"IH2Z", "MacPro5,1", "SMC HARD DRIVE 2 12V LINE"},
    {"VM0S", "MacPro5,1", "SMC MEMORY VRM SUPPLY 0"}, {"IO0Z", "MacPro5,1", "SMC OPTICAL DISK DRIVE 12V LINE"},
    {"PPBR", "MacBookPro8,1", "SMC POWER SUPPLY/BATTERY"}, {"VP0r", "MacBookPro8,1", "SMC PBUS V-SENSE"},
    {"Vp3C", "MacPro5,1", "SMC PSU 2 LINE 2"}, {"Vs2S", "MacPro5,1", "SMC EXPANSION SLOT 2"},
    {"VSFC", "MacPro5,1", "SMC CPU/VRM SUPPLY F"}, {"VSGC", "MacPro5,1", none},
    {"VV1S", "MacPro5,1", "SMC MAINBOARD MONITOR 1"}, {"TC0C", "MacPro5,1", none}, {"VX0C", "MacPro5,1", none},
    // On a two-package machine the second package is a processor.
    {"VC1C", "MacPro5,1", "SMC CPU B", 2}, {"VC2C", "MacPro5,1", "SMC CPU SUPPLY 2", 2},
};

TEST(SMCKeyTables, keysFollowTheirTableAndItsModelAndPackageRules) {
  for (const LocationCase& test : kTemperatureRows) {
    EXPECT_EQ(temperatureLocationForKey(test.key, test.model), test.location) << test.key << " on " << test.model;
  }
  for (const LocationCase& test : kElectricRows) {
    EXPECT_EQ(electricLocationForKey(test.key, test.model, test.packages), test.location)
        << test.key << " on " << test.model << " with " << test.packages;
  }
}

}  // namespace
}  // namespace sw::smc
