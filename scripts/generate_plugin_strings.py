#!/usr/bin/env python3
"""Writes the widget plug-in's string tables (resources/Plugin/<lang>.lproj/*.strings).

SensorLocations.strings maps every location identifier the sensor classes can produce to a
display-name key (its English name); Localizable.strings translates those keys, the units, the
messages and the widget page's element names. The SMC locations come from the key tables
themselves, through the smc-location-names tool of the build, so the tables stay complete when a
machine brings a key we have not seen; the other sources' locations are listed here. Run it after
changing a rule or a name:

    cmake --build build --target smc-location-names
    scripts/generate_plugin_strings.py [--tool build/bin/smc-location-names] [--check]

--check writes nothing and fails when the committed tables differ from what would be written.
"""
import argparse
import difflib
import os
import subprocess
import sys

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
ROOT = os.path.join(SOURCE, "resources", "Plugin")


# (identifier, English name, German name, fills): each fill is a tuple of the texts that replace
# {0}, {1}, ... in all three texts; None means the texts are fixed. The SMC locations are not
# here: the key tables of src/smc name them, and the smc-location-names tool prints them.
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

OTHER_LOCATION_ROWS = CPU_MONITOR + PLATFORM_AND_BATTERIES + PLATFORM_DRIVERS + DISKS

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


def smc_rows(tool):
    """The (identifier, English, German) rows that the smc-location-names tool prints."""
    try:
        output = subprocess.run([tool], check=True, capture_output=True, text=True, encoding="utf-8").stdout
    except (OSError, subprocess.CalledProcessError) as error:
        raise SystemExit("cannot run %s (build the smc-location-names target first): %s" % (tool, error))
    rows = []
    for line in output.splitlines():
        fields = line.split("\t")
        if len(fields) != 3:
            raise SystemExit("%s printed a line without three fields: %r" % (tool, line))
        identifier, english, german = fields
        if not english or not german:
            raise SystemExit("no English or German name for %s: add it in src/smc/SMCLocationNames.cpp" % identifier)
        rows.append((identifier, english, german, None))
    return rows


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


def table(header, pairs):
    lines = ["/* %s Generated by scripts/generate_plugin_strings.py. */\n" % header]
    lines += ["%s = %s;\n" % (quoted(key), quoted(value)) for key, value in pairs]
    return "".join(lines)


def tables(tool):
    """Every string table file (path relative to the plug-in's resources) with its contents."""
    # The SMC rows hold their identifiers verbatim: escape the braces that format() would fill.
    smc = [tuple(text.replace("{", "{{").replace("}", "}}") for text in row[:3]) + (None,) for row in smc_rows(tool)]
    locations = expand(smc + OTHER_LOCATION_ROWS)
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
    files = {os.path.join("en.lproj", "SensorLocations.strings"): table(
        "Location identifier -> display-name key.", [(key, english) for key, (english, _) in locations.items()])}
    for language, column in (("en", 1), ("de", 2)):
        names = [(english, english if column == 1 else german) for english, german in german_of.items()]
        texts = [(row[0], row[column]) for row in fixed]
        files[os.path.join(language + ".lproj", "Localizable.strings")] = table(
            "Units, messages, page elements, sensor names.", texts + names)
    return files


def main():
    parser = argparse.ArgumentParser(description="Writes the plug-in's string tables.")
    parser.add_argument("--tool", default=os.path.join(SOURCE, "build", "bin", "smc-location-names"),
                        help="the built smc-location-names tool")
    parser.add_argument("--check", action="store_true", help="compare with the committed tables, write nothing")
    arguments = parser.parse_args()
    differ = False
    for name, contents in tables(arguments.tool).items():
        path = os.path.join(ROOT, name)
        if arguments.check:
            try:
                with open(path, encoding="utf-8") as committed:
                    current = committed.read()
            except OSError:
                current = ""
            if current != contents:
                differ = True
                diff = difflib.unified_diff(current.splitlines(), contents.splitlines(), path, "generated", lineterm="")
                print("\n".join(list(diff)[:40]))
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write(contents)
    if differ:
        sys.exit("the string tables differ from the key tables' names: run scripts/generate_plugin_strings.py")


if __name__ == "__main__":
    main()
