// The names of the SMC locations. Each key table row's format has one entry here with the same
// placeholders, filled with the same characters as the identifier.
#include "smc/SMCLocationNames.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string_view>

#include "foundation/Format.h"
#include "smc/SMCElectricKeyTable.h"
#include "smc/SMCKeyTable.h"
#include "smc/SMCTemperatureKeyTable.h"
#include "smc/TKSSMCFanSensor.h"

namespace sw::smc {
namespace {

struct FormatNames {
  std::string_view format;
  const char* english;
  const char* german;
};

constexpr std::array kNames = {
    // Temperatures.
    FormatNames{"SMC AMBIENT AIR", "Ambient Air", "Umgebungsluft"},
    FormatNames{"SMC AMBIENT AIR POSITION %C", "Ambient Air %C", "Umgebungsluft %C"},
    FormatNames{"SMC PCI SLOT %C POS %C", "PCI Slot %C Position %C", "PCI-Steckplatz %C Position %C"},
    FormatNames{"SMC BATTERY", "Battery", "Batterie"},
    FormatNames{"SMC BATTERY POSITION %C", "Battery Position %C", "Batterie Position %C"},
    FormatNames{"SMC CPU %c DIODE", "CPU %c Diode", "CPU %c Diode"},
    FormatNames{"SMC CPU %c HEAT SINK", "CPU %c Heat Sink", "CPU %c Kühlkörper"},
    FormatNames{"SMC CPU %c PROXIMITY", "CPU %c Proximity", "CPU %c Umgebung"},
    FormatNames{"SMC CPU A PROXIMITY", "CPU A Proximity", "CPU A Umgebung"},
    FormatNames{"SMC RAID CARD", "RAID Card", "RAID-Karte"},
    FormatNames{"SMC PCIE SLOT %C", "PCIe Slot %C", "PCIe-Steckplatz %C"},
    FormatNames{"SMC GPU DIODE", "GPU Diode", "GPU Diode"},
    FormatNames{"SMC GPU %C HEAT SINK", "GPU %C Heat Sink", "GPU %C Kühlkörper"},
    FormatNames{"SMC GPU %C CHIP", "GPU %C Chip", "GPU %C Chip"},
    FormatNames{"SMC DRIVE BAY %C", "Drive Bay %C", "Laufwerksschacht %C"},
    FormatNames{"SMC SSD BAY", "SSD Bay", "SSD-Schacht"},
    FormatNames{"SMC MAIN HEAT SINK %C", "Main Heat Sink %C", "Hauptkühlkörper %C"},
    FormatNames{"SMC THUNDERBOLT PORT %C", "Thunderbolt Port %C", "Thunderbolt-Anschluss %C"},
    FormatNames{"SMC LCD PROXIMITY", "Display Proximity", "Bildschirm Umgebung"},
    FormatNames{"SMC BATTERY CHARGER PROXIMITY", "Battery Charger Proximity", "Ladeelektronik Umgebung"},
    FormatNames{"SMC MEMORY OUTGOING AIR", "Memory Outgoing Air", "Speicher Abluft"},
    FormatNames{"SMC VOLTAGE REGULATOR AREA", "Voltage Regulator Area", "Spannungsregler Bereich"},
    FormatNames{"SMC MEMORY MODULE SLOT %C", "Memory Slot %C", "Speichersteckplatz %C"},
    FormatNames{"SMC MEMORY SLOTS", "Memory Slots", "Speichersteckplätze"},
    FormatNames{"SMC MEMORY MODULE %C%C", "Memory Module %C%C", "Speichermodul %C%C"},
    FormatNames{"SMC MEMORY BANK %C POS %C", "Memory Bank %C Position %C", "Speicherbank %C Position %C"},
    FormatNames{"SMC MAIN LOGIC BOARD", "Main Logic Board", "Hauptplatine"},
    FormatNames{"SMC NORTHBRIDGE CORE", "Northbridge Core", "Northbridge Kern"},
    FormatNames{"SMB NORTHBRIDGE CHIP DIE", "Northbridge Chip Die", "Northbridge Chip"},
    FormatNames{"SMC NORTHBRIDGE HEAT SINK", "Northbridge Heat Sink", "Northbridge Kühlkörper"},
    FormatNames{"SMC NORTHBRIDGE POS %C", "Northbridge Position %C", "Northbridge Position %C"},
    FormatNames{"SMC OPTICAL DRIVE", "Optical Drive", "Optisches Laufwerk"},
    FormatNames{"SMC PLATFORM CONTROLLER HUB", "Platform Controller Hub", "Platform Controller Hub"},
    FormatNames{"SMC POWER SUPPLY SENSOR %C", "Power Supply Sensor %C", "Netzteil Sensor %C"},
    FormatNames{"SMC POWER SUPPLY POSITION %C", "Power Supply Position %C", "Netzteil Position %C"},
    FormatNames{"SMC SECONDARY HEATSINK", "Secondary Heat Sink", "Sekundärer Kühlkörper"},
    FormatNames{"SMC PRIMARY HEATSINK", "Primary Heat Sink", "Primärer Kühlkörper"},
    FormatNames{"SMC EXPANSION SLOTS", "Expansion Slots", "Erweiterungssteckplätze"},
    FormatNames{"SMC LEFT PALM REST", "Left Palm Rest", "Linke Handballenauflage"},
    FormatNames{"SMC RIGHT PALM REST", "Right Palm Rest", "Rechte Handballenauflage"},
    FormatNames{"SMC AIR VENT EXIT", "Air Vent Exit", "Luftauslass"},
    FormatNames{"SMC WLAN CARD", "WLAN Card", "WLAN-Karte"},
    // Voltages, currents and powers.
    FormatNames{"SMC BATTERY I-SENSE", "Battery Current Sense", "Batterie Strommessung"},
    FormatNames{"SMC CPU %C FRONT SIDE BUS TERMINATION", "CPU %C Front Side Bus Termination",
                "CPU %C Frontside-Bus-Terminierung"},
    FormatNames{"SMC CPU %C", "CPU %C", "CPU %C"},
    FormatNames{"SMC CPU SUPPLY %C", "CPU Supply %C", "CPU Versorgung %C"},
    FormatNames{"SMC CPU VOLTAGE SENSE", "CPU Voltage Sense", "CPU Spannungsmessung"},
    FormatNames{"SMC CPU HIGH SIDE", "CPU High Side", "CPU High-Side"},
    FormatNames{"SMC DC INPUT", "DC Input", "Gleichstromeingang"},
    FormatNames{"SMC 12V S5 LINE", "12 V S5 Line", "12-V-S5-Leitung"},
    FormatNames{"SMC DC V-SENSE", "DC Voltage Sense", "Gleichstrom Spannungsmessung"},
    FormatNames{"SMC AC/DC", "AC/DC Power", "Netzteil AC/DC"},
    FormatNames{"SMC PCIE SLOTS 12V RAIL", "PCIe Slots 12 V Rail", "PCIe-Steckplätze 12-V-Schiene"},
    FormatNames{"SMC PCI SLOT %C 12V BOOST LINE", "PCI Slot %C 12 V Boost Line", "PCI-Steckplatz %C 12-V-Boost-Leitung"},
    FormatNames{"SMC PCI SLOT %C 12V LINE", "PCI Slot %C 12 V Line", "PCI-Steckplatz %C 12-V-Leitung"},
    FormatNames{"SMC FIREWIRE PORTS", "FireWire Ports", "FireWire-Anschlüsse"},
    FormatNames{"SMC GPU SUPPLY %C", "GPU Supply %C", "GPU Versorgung %C"},
    FormatNames{"SMC GPU %C V-SENSE", "GPU %C Voltage Sense", "GPU %C Spannungsmessung"},
    FormatNames{"SMC MXM GRAPHICS MODULE", "MXM Graphics Module", "MXM-Grafikmodul"},
    FormatNames{"SMC OPTICAL DISK DRIVE", "Optical Disk Drive", "Optisches Laufwerk (Versorgung)"},
    FormatNames{"SMC HARD DRIVE %C 12V LINE", "Hard Drive %C 12 V Line", "Festplatte %C 12-V-Leitung"},
    FormatNames{"SMC MEMORY VRM SUPPLY %C", "Memory VRM Supply %C", "Speicher-Spannungsregler %C"},
    FormatNames{"SMC NORTHBRIDGE", "Northbridge", "Northbridge"},
    FormatNames{"SMC NORTHBRIDGE %C", "Northbridge %C", "Northbridge %C"},
    FormatNames{"SMC NORTHBRIDGE VCORE", "Northbridge Core Voltage", "Northbridge Kernspannung"},
    FormatNames{"SMC OPTICAL DISK DRIVE 12V LINE", "Optical Disk Drive 12 V Line", "Optisches Laufwerk 12-V-Leitung"},
    FormatNames{"SMC POWER SUPPLY/BATTERY", "Power Supply/Battery", "Netzteil/Batterie"},
    FormatNames{"SMC PBUS V-SENSE", "Power Bus Voltage Sense", "Stromschiene Spannungsmessung"},
    FormatNames{"SMC PSU %C LINE %C", "Power Supply %C Line %C", "Netzteil %C Leitung %C"},
    FormatNames{"SMC EXPANSION SLOT %C", "Expansion Slot %C", "Erweiterungssteckplatz %C"},
    FormatNames{"SMC CPU/VRM SUPPLY %C", "CPU/VRM Supply %C", "CPU/Spannungsregler Versorgung %C"},
    FormatNames{"SMC MAINBOARD MONITOR %C", "Mainboard Monitor %C", "Hauptplatine Überwachung %C"},
};

// Fans and light sensors are named by their own formats rather than a key table.
constexpr FormatNames kNumberedFan{"SMC FAN %u", "Fan %u", "Lüfter %u"};
constexpr FormatNames kNamedFan{"SMC FAN %@", "%@ Fan", "Lüfter %@"};
constexpr FormatNames kLight{"SMC AMBIENT LIGHT %d", "Ambient Light %d", "Umgebungslicht %d"};
constexpr unsigned kLightSensors = 10;  // one per digit of an "ALV" key
/// The descriptors that the fans of the machines we know carry.
constexpr std::array<const char*, 16> kFanDescriptors = {"Leftside", "Rightside", "Left side", "Right side",
                                                          "Master",   "Exhaust",   "Main",      "CPU",
                                                          "ODD",      "HDD",       "PS",        "PCI",
                                                          "Intake",   "Rear",      "Front",     "Center"};

/// The characters a key may carry at the positions the tables look at: the sensor keys of every
/// machine we have listings of hold letters and digits only.
constexpr std::u16string_view kKeyCharacters = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
/// Package counts beyond 9 change nothing: the tables compare them with one digit.
constexpr unsigned kMostPackages = 9;

using Characters = std::vector<char16_t>;

SMCLocationName named(const FormatNames& names, std::span<const FormatArgument> arguments) {
  return {formatWithArguments(names.format, arguments), formatWithArguments(names.english, arguments),
          formatWithArguments(names.german, arguments)};
}

/// The names of a row's format, or a name-less entry when the row has none yet.
SMCLocationName rowName(const SMCLocationRow& row, const Characters& characters) {
  std::vector<FormatArgument> arguments(characters.begin(), characters.end());
  const auto* names = std::find_if(kNames.begin(), kNames.end(), [&](const FormatNames& n) { return n.format == row.format; });
  if (names == kNames.end()) return {formatWithArguments(row.format, arguments), "", ""};
  return named(*names, arguments);
}

/// Every row's distinct characters over every key, model rule and package count. The models
/// walked are the empty one and each prefix that a row asks about, until no new prefix turns up.
std::vector<std::set<Characters>> charactersOfRows(std::span<const SMCLocationRow> rows) {
  std::vector<std::set<Characters>> found(rows.size());
  std::set<char16_t> rowKeys;
  for (const SMCLocationRow& row : rows) rowKeys.insert(row.k);
  std::set<std::string, std::less<>> asked;
  std::set<std::string, std::less<>> walked;
  std::vector<std::string> pending = {""};
  while (!pending.empty()) {
    auto [model, isNew] = walked.insert(pending.back());
    pending.pop_back();
    if (!isNew) continue;
    SMCKeyContext context;
    context.model = *model;
    context.askedModelPrefixes = &asked;
    for (context.packages = 0; context.packages <= kMostPackages; ++context.packages) {
      for (char16_t k : rowKeys) {
        context.k = k;
        for (char16_t d : kKeyCharacters) {
          context.d = d;
          for (char16_t s : kKeyCharacters) {
            context.s = s;
            const SMCLocationRow* row = matchingRow(rows, context);
            if (row == nullptr) continue;
            found[std::size_t(row - rows.data())].insert(row->arguments ? row->arguments(context) : Characters{});
          }
        }
      }
    }
    for (const std::string& prefix : asked) {
      if (!walked.contains(prefix)) pending.push_back(prefix);
    }
  }
  return found;
}

void addUnlessKnown(std::vector<SMCLocationName>& names, std::set<std::string>& known, SMCLocationName name) {
  if (known.insert(name.identifier).second) names.push_back(std::move(name));
}

}  // namespace

std::vector<SMCLocationName> allSMCLocationNames() {
  std::vector<SMCLocationName> names;
  std::set<std::string> known;
  for (std::span<const SMCLocationRow> rows : {temperatureKeyRows(), electricKeyRows()}) {
    std::vector<std::set<Characters>> characters = charactersOfRows(rows);
    for (std::size_t index = 0; index < rows.size(); ++index) {
      for (const Characters& filling : characters[index]) addUnlessKnown(names, known, rowName(rows[index], filling));
    }
  }
  for (unsigned index = 0; index <= TKSSMCFanSensor::kMaximumFanIndex; ++index) {
    const FormatArgument argument[] = {index};
    addUnlessKnown(names, known, named(kNumberedFan, argument));
  }
  for (const char* descriptor : kFanDescriptors) {
    const FormatArgument argument[] = {descriptor};
    addUnlessKnown(names, known, named(kNamedFan, argument));
  }
  for (unsigned number = 1; number <= kLightSensors; ++number) {
    const FormatArgument argument[] = {int(number)};
    addUnlessKnown(names, known, named(kLight, argument));
  }
  return names;
}

}  // namespace sw::smc
