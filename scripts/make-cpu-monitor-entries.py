#!/usr/bin/env python3
"""Writes the CPU-monitoring driver entry of the built-in Intel profiles.

Each machine's driver is described below in readable fields: brand string and signature of its
processor, the driver's version code and flags, the platform's maximum qualified ratio, the turbo
ratios, and per core the thermal readout (degrees below the junction maximum), the ratios and the
bus frequency code, with a signal that lets the readout wander so that the cores warm and cool.
The built binary's hidden `cpu-monitor-entry` command assembles the status block from them (the
same builder the tests use); this script puts the resulting entry under the platform expert of
each profile, replacing the one that is there, and leaves the rest of the file as it is.

    scripts/make-cpu-monitor-entries.py [path/to/sensorwidget]
"""
import os
import plistlib
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
DRIVER_CLASS = "com_quorvel_driver_QUORVELx86Monitoring"
VERSION_CODE = 9


def cores(count, readout, ratio, bus_code, half_ratio=False, maximum_ratio=0, ratio_signal=None):
    """`count` cores idling a little apart: each readout wanders around its own base; with a
    ratio signal the clock steps up and down too (in half ratios)."""
    result = []
    for index in range(count):
        base = readout - index % 3 * 2 + index // 3
        result.append({
            "ThermalReadout": base,
            "CurrentRatio": ratio,
            "HalfRatio": half_ratio,
            "MaximumRatio": maximum_ratio,
            "BusFrequencyCode": bus_code,
            "Signal": {"Base": base, "Amplitude": 4 + index % 3, "Period": 40 + 7 * index, "Noise": 1},
        })
        if ratio_signal:
            result[-1]["RatioSignal"] = ratio_signal
    return result


MACHINES = {
    # Core 2 Duo P7550 (family 6, model 23): no temperature target; 6 to 8.5 x 266.67 MHz, both
    # cores on one clock.
    "MacBookPro5,5": {
        "CPUBrand": "Intel(R) Core(TM)2 Duo CPU     P7550  @ 2.26GHz",
        "CPUSignature": 67194,
        "VersionCode": VERSION_CODE,
        "MaximumQualifiedRatio": 8,
        "TemperatureReadings": True,
        "FrequencyReadings": True,
        "Cores": cores(2, 55, 8, 0, half_ratio=True, maximum_ratio=8,
                       ratio_signal={"Base": 7.25, "Amplitude": 1.25, "Period": 30}),
    },
    # Core i5-2415M (model 42): 100 °C target, turbo 2.9 GHz on one core, 2.6 GHz on two.
    "MacBookPro8,1": {
        "CPUBrand": "Intel(R) Core(TM) i5-2415M CPU @ 2.30GHz",
        "CPUSignature": 132775,
        "VersionCode": VERSION_CODE,
        "MaximumQualifiedRatio": 23,
        "TemperatureTarget": 100,
        "TurboRatios": [29, 26],
        "Cores": cores(2, 52, 8, 5, maximum_ratio=23),
    },
    # Core i5-3470S (model 58): 105 °C target, turbo 3.6 to 3.3 GHz with one to four cores.
    "iMac13,2": {
        "CPUBrand": "Intel(R) Core(TM) i5-3470S CPU @ 2.90GHz",
        "CPUSignature": 198313,
        "VersionCode": VERSION_CODE,
        "MaximumQualifiedRatio": 29,
        "TemperatureTarget": 105,
        "TurboRatios": [36, 35, 34, 33],
        "Cores": cores(4, 62, 16, 5, maximum_ratio=29),
    },
    # Core i5-3427U (model 58): 105 °C target, turbo 2.8 GHz on one core, 2.6 GHz on two.
    "MacBookAir5,2": {
        "CPUBrand": "Intel(R) Core(TM) i5-3427U CPU @ 1.80GHz",
        "CPUSignature": 198313,
        "VersionCode": VERSION_CODE,
        "MaximumQualifiedRatio": 18,
        "TemperatureTarget": 105,
        "TurboRatios": [28, 26],
        "Cores": cores(2, 58, 8, 5, maximum_ratio=18),
    },
    # Two six-core Xeon X5650 (model 44): 95 °C target, 20 x 133.33 MHz, two turbo bins on one or
    # two active cores, one on more.
    "MacPro5,1": {
        "CPUBrand": "Intel(R) Xeon(R) CPU           X5650  @ 2.67GHz",
        "CPUSignature": 132802,
        "VersionCode": VERSION_CODE,
        "MaximumQualifiedRatio": 20,
        "TemperatureTarget": 95,
        "TurboRatios": [22, 22, 21, 21, 21, 21],
        "Cores": cores(12, 52, 12, 1, maximum_ratio=20),
    },
}


def entry_lines(binary, fields):
    """The entry as the tool prints it, without the document around it."""
    with tempfile.NamedTemporaryFile(suffix=".plist", delete=False) as file:
        plistlib.dump(fields, file)
        path = file.name
    try:
        output = subprocess.run([binary, "cpu-monitor-entry", path], check=True, capture_output=True, text=True).stdout
    finally:
        os.unlink(path)
    lines = output.splitlines()
    start = lines.index("<dict>")
    end = len(lines) - 1 - lines[::-1].index("</dict>")
    return lines[start:end + 1]


def indent_of(line):
    return line[:len(line) - len(line.lstrip("\t"))]


def place_entry(text, entry):
    lines = text.split("\n")
    existing = [i for i, line in enumerate(lines) if line.strip() == "<string>%s</string>" % DRIVER_CLASS]
    if existing:
        # Replace the dictionary that holds the class name.
        key_indent = indent_of(lines[existing[0]])
        dict_indent = key_indent[:-1]
        start = max(i for i in range(existing[0]) if lines[i] == dict_indent + "<dict>")
        end = min(i for i in range(existing[0], len(lines)) if lines[i] == dict_indent + "</dict>")
        return "\n".join(lines[:start] + [dict_indent + line for line in entry] + lines[end + 1:])
    # Insert as the first child of the platform expert of the service plane.
    registry = lines.index("\t<key>IORegistry</key>")
    expert = next(i for i in range(registry, len(lines)) if lines[i].strip() == "<string>IOPlatformExpertDevice</string>")
    key_indent = indent_of(lines[expert])
    children = next(i for i in range(expert, len(lines)) if lines[i] == key_indent + "<key>IORegistryEntryChildren</key>")
    if lines[children + 1] != key_indent + "<array>":
        sys.exit("the platform expert's children are no array I can add to")
    return "\n".join(lines[:children + 2] + [key_indent + "\t" + line for line in entry] + lines[children + 2:])


def main():
    binary = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "bin", "sensorwidget")
    if not os.access(binary, os.X_OK):
        sys.exit("no binary at %s: build first, or name it" % binary)
    for model, fields in MACHINES.items():
        path = os.path.join(ROOT, "profiles", model + ".plist")
        with open(path, encoding="utf-8") as file:
            text = file.read()
        with open(path, "w", encoding="utf-8") as file:
            file.write(place_entry(text, entry_lines(binary, fields)))


if __name__ == "__main__":
    main()
