// The temperature key table. The second key character names the part of the machine, the
// third usually a position and the fourth the kind of probe.
#include "smc/SMCTemperatureKeyTable.h"

#include <array>

#include "smc/SMCKeyTable.h"

namespace sw::smc {
namespace {

using C = SMCKeyContext;
using Characters = std::vector<char16_t>;

bool onIMac13(const C& c) { return c.modelBeginsWith("iMac13"); }
bool isMacBook(const C& c) { return c.modelBeginsWith("MacBook"); }
bool isMacPro4or5(const C& c) { return c.modelBeginsWith("MacPro4") || c.modelBeginsWith("MacPro5"); }
bool isMacmini5(const C& c) { return c.modelBeginsWith("Macmini5"); }
bool isXserve(const C& c) { return c.modelBeginsWith("Xserve"); }
bool hasGenericMemoryRows(const C& c) { return !isMacBook(c) && !isMacPro4or5(c) && !isMacmini5(c); }

/// Memory slots counted 0-15 by a hexadecimal digit: banks of eight.
int memorySlot(char16_t d) {
  if (isDigit(d)) return d - u'0';
  if (d >= u'A' && d <= u'F') return d - u'A' + 10;
  return -1;
}

Characters nextD(const C& c) { return {next(c.d)}; }
Characters sameD(const C& c) { return {c.d}; }
/// Two positions per slot number: slot n is at n/2 + 1, position n%2 + 1.
Characters slotAndPosition(const C& c) {
  int n = c.d - u'0';
  return {offset(u'1', n / 2), offset(u'1', n % 2)};
}
Characters cpuLetter(const C& c) { return {isDigit(c.d) ? offset(c.d, 17) : c.d}; }
Characters memoryBankAndPosition(const C& c) {
  int n = memorySlot(c.d);
  return {offset(u'A', n / 8), offset(isXserve(c) ? u'0' : u'1', n % 8)};
}

const std::array kRows = {
    SMCLocationRow{u'A', [](const C& c) { return c.d == u'0' && c.s == u'P' && !onIMac13(c); }, "SMC AMBIENT AIR"},
    SMCLocationRow{u'A', [](const C& c) { return c.d != u'0' && c.s == u'P'; }, "SMC AMBIENT AIR POSITION %C", nextD},
    SMCLocationRow{u'A', [](const C& c) { return c.s == u'S'; }, "SMC PCI SLOT %C POS %C", slotAndPosition},
    SMCLocationRow{u'B', [](const C& c) { return c.d == u'0' && c.s == u'T'; }, "SMC BATTERY"},
    SMCLocationRow{u'B', [](const C& c) { return c.d != u'0' && c.s == u'T'; }, "SMC BATTERY POSITION %C", nextD},
    // "TCTD" is not a diode: it would otherwise read as a CPU named T.
    SMCLocationRow{u'C', [](const C& c) { return c.s == u'D' && c.d != u'T'; }, "SMC CPU %c DIODE", cpuLetter},
    SMCLocationRow{u'C', [](const C& c) { return c.s == u'H'; }, "SMC CPU %c HEAT SINK", cpuLetter},
    SMCLocationRow{u'C', [](const C& c) { return c.s == u'P'; }, "SMC CPU %c PROXIMITY", cpuLetter},
    SMCLocationRow{u'e', [](const C& c) { return c.s == u'S' && (c.d == u'5' || c.d == u'E'); }, "SMC RAID CARD"},
    SMCLocationRow{u'e', [](const C& c) { return c.s == u'S'; }, "SMC PCIE SLOT %C", sameD},
    SMCLocationRow{u'G', [](const C& c) { return c.s == u'D'; }, "SMC GPU DIODE"},
    SMCLocationRow{u'G', [](const C& c) { return c.s == u'H'; }, "SMC GPU %C HEAT SINK", nextD},
    SMCLocationRow{u'G', [](const C& c) { return c.s == u'P'; }, "SMC GPU %C CHIP", nextD},
    // The towers and servers number their drive bays from 0.
    SMCLocationRow{u'H', [](const C& c) { return c.s == u'P' && c.d >= u'0' && c.d <= u'5'; }, "SMC DRIVE BAY %C",
                   [](const C& c) { return Characters{isXserve(c) || isMacPro4or5(c) ? c.d : next(c.d)}; }},
    SMCLocationRow{u'H', [](const C& c) { return c.s == u'P' && c.d == u'S'; }, "SMC SSD BAY"},
    SMCLocationRow{u'h', [](const C& c) { return c.s == u'H'; }, "SMC MAIN HEAT SINK %C",
                   [](const C& c) { return Characters{c.d >= u'0' && c.d <= u'8' ? next(c.d) : c.d}; }},
    SMCLocationRow{u'h', [](const C& c) { return c.d == u'0' && c.s == u'P'; }, "SMC CPU A PROXIMITY"},
    SMCLocationRow{u'I', [](const C& c) { return c.s == u'P' && isDigit(c.d); }, "SMC THUNDERBOLT PORT %C", nextD},
    SMCLocationRow{u'L', [](const C& c) { return c.d == u'0' && c.s == u'P' && !onIMac13(c); }, "SMC LCD PROXIMITY"},
    SMCLocationRow{u'M', [](const C& c) { return isMacBook(c) && c.s == u'P' && c.d == u'0'; },
                   "SMC BATTERY CHARGER PROXIMITY"},
    SMCLocationRow{u'M', [](const C& c) { return isMacBook(c) && c.s == u'P' && c.d == u'1'; },
                   "SMC MEMORY OUTGOING AIR"},
    SMCLocationRow{u'M', [](const C& c) { return isMacBook(c) && c.s == u'P' && c.d == u'2'; },
                   "SMC VOLTAGE REGULATOR AREA"},
    SMCLocationRow{u'M', [](const C& c) { return isMacPro4or5(c) && c.d == u'A'; }, "SMC MEMORY MODULE SLOT %C",
                   [](const C& c) { return Characters{c.s}; }},
    SMCLocationRow{u'M', [](const C& c) { return isMacPro4or5(c) && c.d == u'B'; }, "SMC MEMORY MODULE SLOT %C",
                   [](const C& c) { return Characters{offset(c.s, 4)}; }},
    SMCLocationRow{u'M', [](const C& c) { return isMacmini5(c) && c.d == u'0' && c.s == u'P'; }, "SMC MEMORY SLOTS"},
    SMCLocationRow{u'M', [](const C& c) { return isMacmini5(c) && c.s == u'S'; }, "SMC MEMORY MODULE SLOT %C",
                   [](const C& c) { return Characters{c.d == u'0' ? u'1' : u'2'}; }},
    SMCLocationRow{u'M', [](const C& c) { return hasGenericMemoryRows(c) && memorySlot(c.d) >= 0 && c.s == u'S'; },
                   "SMC MEMORY MODULE %C%C", memoryBankAndPosition},
    SMCLocationRow{u'M', [](const C& c) { return hasGenericMemoryRows(c) && memorySlot(c.d) >= 0 && c.s == u'P'; },
                   "SMC MEMORY BANK %C POS %C", memoryBankAndPosition},
    SMCLocationRow{u'm', [](const C& c) { return c.s == u'P'; }, "SMC MAIN LOGIC BOARD"},
    SMCLocationRow{u'N', [](const C& c) { return c.d == u'0' && c.s == u'C'; }, "SMC NORTHBRIDGE CORE"},
    SMCLocationRow{u'N', [](const C& c) { return c.s == u'D'; }, "SMB NORTHBRIDGE CHIP DIE"},
    SMCLocationRow{u'N', [](const C& c) { return c.s == u'H'; }, "SMC NORTHBRIDGE HEAT SINK"},
    SMCLocationRow{u'N', [](const C& c) { return c.s == u'P'; }, "SMC NORTHBRIDGE POS %C", nextD},
    SMCLocationRow{u'O', [](const C& c) { return c.s == u'P'; }, "SMC OPTICAL DRIVE"},
    SMCLocationRow{u'P', [](const C& c) { return c.s == u'P'; }, "SMC PLATFORM CONTROLLER HUB"},
    SMCLocationRow{u'p', [](const C& c) { return c.s == u'C'; }, "SMC POWER SUPPLY SENSOR %C", nextD},
    SMCLocationRow{u'p', [](const C& c) { return c.s == u'P' && isDigit(c.d); }, "SMC POWER SUPPLY POSITION %C", nextD},
    SMCLocationRow{u'p', [](const C& c) { return c.s == u'H' && c.d == u'2'; }, "SMC SECONDARY HEATSINK"},
    SMCLocationRow{u'p', [](const C& c) { return c.s == u'H' && c.d == u'3'; }, "SMC PRIMARY HEATSINK"},
    SMCLocationRow{u'S', [](const C& c) { return c.s == u'C'; }, "SMC EXPANSION SLOTS"},
    SMCLocationRow{u's', [](const C& c) { return c.s == u'P' && c.d == u'0'; }, "SMC LEFT PALM REST"},
    SMCLocationRow{u's', [](const C& c) { return c.s == u'P' && c.d == u'1'; }, "SMC RIGHT PALM REST"},
    SMCLocationRow{u'V', [](const C& c) { return c.d == u'0' && c.s == u'P'; }, "SMC AIR VENT EXIT"},
    SMCLocationRow{u'W', [](const C& c) { return c.s == u'P'; }, "SMC WLAN CARD"},
};

}  // namespace

std::optional<std::string> temperatureLocationForKey(std::string_view key, std::string_view model) {
  std::optional<SMCKeyContext> context = keyContext(key, u"T");
  if (!context) return std::nullopt;
  context->model = model;
  return locationFromTable(kRows, *context);
}

std::span<const SMCLocationRow> temperatureKeyRows() { return kRows; }

}  // namespace sw::smc
