#!/usr/bin/env python3
"""Writes the widget plug-in's string tables (resources/Plugin/<lang>.lproj/*.strings).

SensorLocations.strings maps every location identifier the sensor classes can produce to a
display-name key (its English name); Localizable.strings translates those keys, the units, the
messages and the widget page's element names. The identifiers are generated from the same key
rules the sensor classes follow, with every letter and digit an SMC key may carry, so the tables
stay complete when a machine brings a key we have not seen. Run it after changing a rule or a
name: scripts/generate_plugin_strings.py
"""
import os
import string

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "Plugin")
KEY_CHARACTERS = string.digits + string.ascii_uppercase + string.ascii_lowercase
DIGITS = string.digits


def after(c, steps=1):
    return chr(ord(c) + steps)


def cpu_letter(d):
    return after(d, 17) if d in DIGITS else d


def slot_pair(d):
    n = ord(d) - ord("0")
    return (after("1", n // 2), after("1", n % 2))


# (identifier, English name, German name, fills): each fill is a tuple of the characters that
# replace {0}, {1}, ... in all three texts; None means the texts are fixed.
SMC_TEMPERATURES = [
    ("SMC AMBIENT AIR", "Ambient Air", "Umgebungsluft", None),
    ("SMC AMBIENT AIR POSITION {0}", "Ambient Air {0}", "Umgebungsluft {0}",
     [(after(d),) for d in KEY_CHARACTERS if d != "0"]),
    ("SMC PCI SLOT {0} POS {1}", "PCI Slot {0} Position {1}", "PCI-Steckplatz {0} Position {1}",
     [slot_pair(d) for d in KEY_CHARACTERS]),
    ("SMC BATTERY", "Battery", "Batterie", None),
    ("SMC BATTERY POSITION {0}", "Battery Position {0}", "Batterie Position {0}",
     [(after(d),) for d in KEY_CHARACTERS if d != "0"]),
    ("SMC CPU {0} DIODE", "CPU {0} Diode", "CPU {0} Diode", [(cpu_letter(d),) for d in KEY_CHARACTERS]),
    ("SMC CPU {0} HEAT SINK", "CPU {0} Heat Sink", "CPU {0} Kühlkörper", [(cpu_letter(d),) for d in KEY_CHARACTERS]),
    ("SMC CPU {0} PROXIMITY", "CPU {0} Proximity", "CPU {0} Umgebung", [(cpu_letter(d),) for d in KEY_CHARACTERS]),
    ("SMC RAID CARD", "RAID Card", "RAID-Karte", None),
    ("SMC PCIE SLOT {0}", "PCIe Slot {0}", "PCIe-Steckplatz {0}", [(d,) for d in KEY_CHARACTERS if d not in "5E"]),
    ("SMC GPU DIODE", "GPU Diode", "GPU Diode", None),
    ("SMC GPU {0} HEAT SINK", "GPU {0} Heat Sink", "GPU {0} Kühlkörper", [(after(d),) for d in KEY_CHARACTERS]),
    ("SMC GPU {0} CHIP", "GPU {0} Chip", "GPU {0} Chip", [(after(d),) for d in KEY_CHARACTERS]),
    ("SMC DRIVE BAY {0}", "Drive Bay {0}", "Laufwerksschacht {0}", [(c,) for c in "0123456"]),
    ("SMC SSD BAY", "SSD Bay", "SSD-Schacht", None),
    ("SMC MAIN HEAT SINK {0}", "Main Heat Sink {0}", "Hauptkühlkörper {0}",
     [(after(d) if d in "012345678" else d,) for d in KEY_CHARACTERS]),
    ("SMC THUNDERBOLT PORT {0}", "Thunderbolt Port {0}", "Thunderbolt-Anschluss {0}", [(after(d),) for d in DIGITS]),
    ("SMC LCD PROXIMITY", "Display Proximity", "Bildschirm Umgebung", None),
    ("SMC BATTERY CHARGER PROXIMITY", "Battery Charger Proximity", "Ladeelektronik Umgebung", None),
    ("SMC MEMORY OUTGOING AIR", "Memory Outgoing Air", "Speicher Abluft", None),
    ("SMC VOLTAGE REGULATOR AREA", "Voltage Regulator Area", "Spannungsregler Bereich", None),
    ("SMC MEMORY MODULE SLOT {0}", "Memory Slot {0}", "Speichersteckplatz {0}",
     sorted({(s,) for s in KEY_CHARACTERS} | {(after(s, 4),) for s in KEY_CHARACTERS})),
    ("SMC MEMORY SLOTS", "Memory Slots", "Speichersteckplätze", None),
    ("SMC MEMORY MODULE {0}{1}", "Memory Module {0}{1}", "Speichermodul {0}{1}",
     [(bank, pos) for bank in "AB" for pos in "012345678"]),
    ("SMC MEMORY BANK {0} POS {1}", "Memory Bank {0} Position {1}", "Speicherbank {0} Position {1}",
     [(bank, pos) for bank in "AB" for pos in "012345678"]),
    ("SMC MAIN LOGIC BOARD", "Main Logic Board", "Hauptplatine", None),
    ("SMC NORTHBRIDGE CORE", "Northbridge Core", "Northbridge Kern", None),
    ("SMB NORTHBRIDGE CHIP DIE", "Northbridge Chip Die", "Northbridge Chip", None),
    ("SMC NORTHBRIDGE HEAT SINK", "Northbridge Heat Sink", "Northbridge Kühlkörper", None),
    ("SMC NORTHBRIDGE POS {0}", "Northbridge Position {0}", "Northbridge Position {0}",
     [(after(d),) for d in KEY_CHARACTERS]),
    ("SMC OPTICAL DRIVE", "Optical Drive", "Optisches Laufwerk", None),
    ("SMC PLATFORM CONTROLLER HUB", "Platform Controller Hub", "Platform Controller Hub", None),
    ("SMC POWER SUPPLY SENSOR {0}", "Power Supply Sensor {0}", "Netzteil Sensor {0}",
     [(after(d),) for d in KEY_CHARACTERS]),
    ("SMC POWER SUPPLY POSITION {0}", "Power Supply Position {0}", "Netzteil Position {0}",
     [(after(d),) for d in DIGITS]),
    ("SMC SECONDARY HEATSINK", "Secondary Heat Sink", "Sekundärer Kühlkörper", None),
    ("SMC PRIMARY HEATSINK", "Primary Heat Sink", "Primärer Kühlkörper", None),
    ("SMC EXPANSION SLOTS", "Expansion Slots", "Erweiterungssteckplätze", None),
    ("SMC LEFT PALM REST", "Left Palm Rest", "Linke Handballenauflage", None),
    ("SMC RIGHT PALM REST", "Right Palm Rest", "Rechte Handballenauflage", None),
    ("SMC AIR VENT EXIT", "Air Vent Exit", "Luftauslass", None),
    ("SMC WLAN CARD", "WLAN Card", "WLAN-Karte", None),
]

SMC_ELECTRIC = [
    ("SMC BATTERY I-SENSE", "Battery Current Sense", "Batterie Strommessung", None),
    ("SMC CPU {0} FRONT SIDE BUS TERMINATION", "CPU {0} Front Side Bus Termination",
     "CPU {0} Frontside-Bus-Terminierung", [(d,) for d in KEY_CHARACTERS]),
    ("SMC CPU {0}", "CPU {0}", "CPU {0}",
     sorted({(cpu_letter(d),) for d in "012345678"} | {(d,) for d in KEY_CHARACTERS if d not in "012345678P"})),
    ("SMC CPU SUPPLY {0}", "CPU Supply {0}", "CPU Versorgung {0}", [(d,) for d in "012345678"]),
    ("SMC CPU VOLTAGE SENSE", "CPU Voltage Sense", "CPU Spannungsmessung", None),
    ("SMC CPU HIGH SIDE", "CPU High Side", "CPU High-Side", None),
    ("SMC DC INPUT", "DC Input", "Gleichstromeingang", None),
    ("SMC 12V S5 LINE", "12 V S5 Line", "12-V-S5-Leitung", None),
    ("SMC DC V-SENSE", "DC Voltage Sense", "Gleichstrom Spannungsmessung", None),
    ("SMC AC/DC", "AC/DC Power", "Netzteil AC/DC", None),
    ("SMC PCIE SLOTS 12V RAIL", "PCIe Slots 12 V Rail", "PCIe-Steckplätze 12-V-Schiene", None),
    ("SMC PCI SLOT {0} 12V BOOST LINE", "PCI Slot {0} 12 V Boost Line", "PCI-Steckplatz {0} 12-V-Boost-Leitung",
     [(d,) for d in "12"]),
    ("SMC PCI SLOT {0} 12V LINE", "PCI Slot {0} 12 V Line", "PCI-Steckplatz {0} 12-V-Leitung",
     sorted({(after(d, -16) if d in "ABCD" else d,) for d in KEY_CHARACTERS if d not in "E12"})),
    ("SMC FIREWIRE PORTS", "FireWire Ports", "FireWire-Anschlüsse", None),
    ("SMC GPU SUPPLY {0}", "GPU Supply {0}", "GPU Versorgung {0}", [(after(d),) for d in KEY_CHARACTERS]),
    ("SMC GPU {0} V-SENSE", "GPU {0} Voltage Sense", "GPU {0} Spannungsmessung", [(after(d),) for d in KEY_CHARACTERS]),
    ("SMC MXM GRAPHICS MODULE", "MXM Graphics Module", "MXM-Grafikmodul", None),
    ("SMC OPTICAL DISK DRIVE", "Optical Disk Drive", "Optisches Laufwerk (Versorgung)", None),
    ("SMC HARD DRIVE {0} 12V LINE", "Hard Drive {0} 12 V Line", "Festplatte {0} 12-V-Leitung",
     [(d,) for d in KEY_CHARACTERS if d != "5"]),
    ("SMC MEMORY VRM SUPPLY {0}", "Memory VRM Supply {0}", "Speicher-Spannungsregler {0}", [(d,) for d in KEY_CHARACTERS]),
    ("SMC NORTHBRIDGE", "Northbridge", "Northbridge", None),
    ("SMC NORTHBRIDGE {0}", "Northbridge {0}", "Northbridge {0}", [(after(d),) for d in KEY_CHARACTERS if d != "0"]),
    ("SMC NORTHBRIDGE VCORE", "Northbridge Core Voltage", "Northbridge Kernspannung", None),
    ("SMC OPTICAL DISK DRIVE 12V LINE", "Optical Disk Drive 12 V Line", "Optisches Laufwerk 12-V-Leitung", None),
    ("SMC POWER SUPPLY/BATTERY", "Power Supply/Battery", "Netzteil/Batterie", None),
    ("SMC PBUS V-SENSE", "Power Bus Voltage Sense", "Stromschiene Spannungsmessung", None),
    ("SMC PSU {0} LINE {1}", "Power Supply {0} Line {1}", "Netzteil {0} Leitung {1}", [slot_pair(d) for d in KEY_CHARACTERS]),
    ("SMC EXPANSION SLOT {0}", "Expansion Slot {0}", "Erweiterungssteckplatz {0}", [(d,) for d in KEY_CHARACTERS]),
    ("SMC CPU/VRM SUPPLY {0}", "CPU/VRM Supply {0}", "CPU/Spannungsregler Versorgung {0}",
     [(chr(code),) for code in range(ord("0"), ord("F") + 1)]),
    ("SMC MAINBOARD MONITOR {0}", "Mainboard Monitor {0}", "Hauptplatine Überwachung {0}", [(d,) for d in KEY_CHARACTERS]),
]

SMC_FANS_AND_LIGHTS = [
    ("SMC FAN {0}", "Fan {0}", "Lüfter {0}", [(str(n),) for n in range(36)]),
    # Fans that name themselves: the descriptors the machines we know carry.
    ("SMC FAN {0}", "{0} Fan", "Lüfter {0}",
     [(name,) for name in ("Leftside", "Rightside", "Left side", "Right side", "Master", "Exhaust", "Main",
                           "CPU", "ODD", "HDD", "PS", "PCI", "Intake", "Rear", "Front", "Center")]),
    ("SMC AMBIENT LIGHT {0}", "Ambient Light {0}", "Umgebungslicht {0}", [(str(n),) for n in range(1, 11)]),
]

CPU_MONITOR = [
    ("CPU Core {0}", "CPU Core {0}", "CPU-Kern {0}", [(str(n),) for n in range(1, 10)]),
    ("CPU Core {0}", "CPU Core {0}", "CPU-Kern {0}", [("%02d" % n,) for n in range(1, 65)]),
    ("CPU Core {0} Hot", "CPU Core {0} Hot", "CPU-Kern {0} heiß", [(str(n),) for n in range(1, 65)]),
    ("CPU Clock Frequency", "CPU Clock Frequency", "CPU-Taktfrequenz", None),
]

PLATFORM_AND_BATTERIES = [
    ("CPU BOARD", "CPU Board", "CPU-Platine", None),
    ("Internal Ambient", "Internal Ambient", "Innenraum", None),
    ("KEY SWITCH", "Key Switch", "Schlüsselschalter", None),
    ("Logic core", "Logic Core", "Logikkern", None),
    ("Processor core", "Processor Core", "Prozessorkern", None),
    ("3.3v supply", "3.3 V Supply", "3,3-V-Versorgung", None),
    ("2.5v supply", "2.5 V Supply", "2,5-V-Versorgung", None),
    ("12v supply", "12 V Supply", "12-V-Versorgung", None),
    ("5v supply", "5 V Supply", "5-V-Versorgung", None),
    ("PCI SLOTS", "PCI Slots", "PCI-Steckplätze", None),
    ("Processor Module", "Processor Module", "Prozessormodul", None),
    ("Battery {0} Voltage", "Battery {0} Voltage", "Batterie {0} Spannung", [(str(n),) for n in range(1, 5)]),
    ("Battery {0} Current", "Battery {0} Current", "Batterie {0} Strom", [(str(n),) for n in range(1, 5)]),
    ("Battery {0} Total Capacity", "Battery {0} Total Capacity", "Batterie {0} Gesamtkapazität",
     [(str(n),) for n in range(1, 5)]),
    ("Battery {0} Current Capacity", "Battery {0} Current Capacity", "Batterie {0} Restkapazität",
     [(str(n),) for n in range(1, 5)]),
    ("Battery {0} Cell {1}", "Battery {0} Cell {1}", "Batterie {0} Zelle {1}",
     [(str(b), str(c)) for b in range(1, 5) for c in range(1, 17)]),
    # A smart battery's location names its device and serial number; these are the built-in
    # machines' batteries, any other shows its location text as it is.
    ("Smart Battery {0} ({1})", "Smart Battery {0}", "Smart Battery {0}",
     [("bq20z451", "48"), ("bq20z451", "1127"), ("bq20z451", "2083")]),
]

# The locations that the older machines' hardware-monitoring drivers publish for their sensor and
# fan control nodes, as the built-in PowerPC machines carry them.
PLATFORM_DRIVERS = [
    ("CPU {0} AD7417 AMB", "CPU {0} Ambient", "CPU {0} Umgebungsluft", [(c,) for c in "AB"]),
    ("CPU {0} AD7417 AD1", "CPU {0} Diode", "CPU {0} Diode", [(c,) for c in "AB"]),
    ("CPU {0} DIODE TEMP", "CPU {0} Diode", "CPU {0} Diode", [(c,) for c in "AB"]),
    ("CPU {0} AD7417 AD2", "CPU {0} 12 V Current", "CPU {0} 12-V-Strom", [(c,) for c in "AB"]),
    ("CPU {0} 12V CURR", "CPU {0} 12 V Current", "CPU {0} 12-V-Strom", [(c,) for c in "AB"]),
    ("CPU {0} AD7417 AD3", "CPU {0} Core Voltage", "CPU {0} Kernspannung", [(c,) for c in "AB"]),
    ("CPU {0} VCORE", "CPU {0} Core Voltage", "CPU {0} Kernspannung", [(c,) for c in "AB"]),
    ("CPU {0} AD7417 AD4", "CPU {0} Core Current", "CPU {0} Kernstrom", [(c,) for c in "AB"]),
    ("CPU {0} CORE CURR", "CPU {0} Core Current", "CPU {0} Kernstrom", [(c,) for c in "AB"]),
    ("CPU {0} POWER", "CPU {0} Power", "CPU {0} Leistung", [(c,) for c in "AB"]),
    ("CPU {0} INTAKE", "CPU {0} Intake", "CPU {0} Zuluft", [(c,) for c in "AB"]),
    ("CPU {0} EXHAUST", "CPU {0} Exhaust", "CPU {0} Abluft", [(c,) for c in "AB"]),
    ("CPU {0} PUMP", "CPU {0} Pump", "CPU {0} Pumpe", [(c,) for c in "AB"]),
    ("BACKSIDE", "Backside", "Rückseite", None),
    ("U3 HEATSINK", "U3 Heat Sink", "U3 Kühlkörper", None),
    ("DRIVE BAY", "Drive Bay", "Laufwerksschacht", None),
    ("DRIVE BAY A INTAKE", "Drive Bay Intake", "Laufwerksschacht Zuluft", None),
    ("SLOT", "PCI Slots", "PCI-Steckplätze", None),
    ("EXPANSION SLOTS INTAKE", "Expansion Slots Intake", "Erweiterungssteckplätze Zuluft", None),
    ("CPU T-Diode", "CPU Diode", "CPU-Diode", None),
    ("CPU Voltage", "CPU Voltage", "CPU-Spannung", None),
    ("CPU Current", "CPU Current", "CPU-Strom", None),
    ("Slots Power", "Slots Power", "Steckplätze Leistung", None),
    ("HDD BOTTOMSIDE", "Hard Disk Bottom Side", "Festplatte Unterseite", None),
    ("CPU TOPSIDE", "CPU Top Side", "CPU Oberseite", None),
    ("GPU ON DIE", "GPU Die", "GPU-Chip", None),
    ("REAR MAIN ENCLOSURE", "Rear Main Enclosure", "Gehäuse hinten", None),
    ("LEFT ALS SENSOR", "Left Light Sensor", "Lichtsensor links", None),
    ("RIGHT ALS SENSOR", "Right Light Sensor", "Lichtsensor rechts", None),
    ("GPU", "Graphics Processor", "Grafikprozessor", None),
    ("GPU DIODE", "GPU Diode", "GPU Diode", None),
    ("GPU FAN", "GPU Fan", "GPU-Lüfter", None),
]

# The disks of the built-in profiles: a disk's location names its model and serial number, in
# the host's text for it ("SMART Disk %@ (%@)", German "SMART-Festplatte %@ (%@)").
BUILT_IN_DISKS = [
    ("Hitachi HTS545025B9SA02", "091022PBN40017DSMTHE"), ("TOSHIBA MK3255GSXF", "X0GCT2KAT"),
    ("ST1000DM003-9YN162", "Z1D4KQ7T"), ("APPLE SSD SM128E", "S1K5NYADB04712"), ("ST31000528AS", "9VP1QX3M"),
    ("WDC WD2002FAEX-007BA0", "WD-WMAY02485731"), ("Hitachi HDS722020ALA330", "JK1101B8GB1E2T"),
    ("SAMSUNG HD103SJ", "S246J9AZB05193"), ("Hitachi HTS541080G9AT00", "MPB3L0X2G5K7TH"), ("ST3160023AS", "3JS1WQ8E"),
]
DISKS = [
    ("SMART Disk {0} ({1})", "Disk {0}", "Festplatte {0}", BUILT_IN_DISKS),
    ("SMART-Festplatte {0} ({1})", "Disk {0}", "Festplatte {0}", BUILT_IN_DISKS),
]

LOCATION_ROWS = (SMC_TEMPERATURES + SMC_ELECTRIC + SMC_FANS_AND_LIGHTS + CPU_MONITOR + PLATFORM_AND_BATTERIES +
                 PLATFORM_DRIVERS + DISKS)

# Texts of the default table other than location names: (key, English, German).
UNITS = [
    ("C", "°C", "°C"), ("F", "°F", "°F"), ("K", "K", "K"), ("V", "V", "V"), ("A", "A", "A"), ("W", "W", "W"),
    ("mAh", "mAh", "mAh"), ("RPM", "RPM", "U/min"), ("%", "%", "%"), ("MHz", "MHz", "MHz"), (" ", " ", " "),
]
MESSAGES = [
    ("ELLIPSIS", "…", "…"),
    ("No accessible sensors found", "No accessible sensors found", "Keine zugänglichen Sensoren gefunden"),
    ("Model series not supported.", "Unsupported machine", "Dieses Modell wird nicht unterstützt"),
    ("Version: %@", "Version: %@", "Version: %@"),
    ("https://sensorwidget.org/monitor/", "https://sensorwidget.org/monitor/", "https://sensorwidget.org/de/monitor/"),
]
PAGE_ELEMENTS = [
    ("Done", "Done", "Fertig"),
    ("Upper Sensor", "Upper Sensor", "Oberer Sensor"),
    ("Lower Sensor", "Lower Sensor", "Unterer Sensor"),
    ("Temperature Scale", "Temperature Scale", "Temperaturskala"),
    ("Celsius", "Celsius", "Celsius"),
    ("Fahrenheit", "Fahrenheit", "Fahrenheit"),
    ("Kelvin", "Kelvin", "Kelvin"),
    ("Sensor Monitor", "Get the full sensor monitor", "Zum vollständigen Sensormonitor"),
    ("Sensor readings", "Sensor readings", "Sensorwerte"),
    ("Settings", "Settings", "Einstellungen"),
    ("Show settings", "Show settings", "Einstellungen zeigen"),
    ("No sensor", "No sensor", "Kein Sensor"),
    ("LANGUAGE", "en", "de"),
    ("Host unreachable", "Host unreachable, retry in %@ s", "Host nicht erreichbar, in %@ s"),
    ("Recent History", "Show history", "Verlauf zeigen"),
    ("History range", "Last 10 minutes: %@ to %@", "Letzte 10 Minuten: %@ bis %@"),
]


def quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def expand(rows):
    """Every (identifier, English, German) the rows produce, in row order, without repeats."""
    seen = {}
    for identifier, english, german, fills in rows:
        for fill in fills if fills is not None else [()]:
            entry = (english.format(*fill), german.format(*fill))
            key = identifier.format(*fill)
            if key in seen and seen[key] != entry:
                raise SystemExit("two names for %s: %s and %s" % (key, seen[key], entry))
            seen.setdefault(key, entry)
    return seen


def write(path, header, pairs):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write("/* %s Generated by scripts/generate_plugin_strings.py. */\n" % header)
        for key, value in pairs:
            out.write("%s = %s;\n" % (quoted(key), quoted(value)))


def main():
    locations = expand(LOCATION_ROWS)
    german_of = {}
    for english, german in locations.values():
        if german_of.setdefault(english, german) != german:
            raise SystemExit("two German names for %s" % english)
    fixed = UNITS + MESSAGES + PAGE_ELEMENTS
    clashes = {row[0] for row in fixed} & german_of.keys()
    if clashes:
        raise SystemExit("location names that are also other keys: %s" % sorted(clashes))
    # The display-name keys are the same in every language, so other languages fall back to the
    # English location table.
    write(os.path.join(ROOT, "en.lproj", "SensorLocations.strings"), "Location identifier -> display-name key.",
          [(key, english) for key, (english, _) in locations.items()])
    for language, column in (("en", 1), ("de", 2)):
        folder = os.path.join(ROOT, language + ".lproj")
        names = [(english, english if column == 1 else german) for english, german in german_of.items()]
        texts = [(row[0], row[column]) for row in fixed]
        write(os.path.join(folder, "Localizable.strings"), "Units, messages, page elements, sensor names.",
              texts + names)


if __name__ == "__main__":
    main()
