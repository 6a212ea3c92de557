#!/usr/bin/env python3
"""Builds recorded Linux trees of real Macs for the live backend's tests.

For every machine of tests/live/fixtures/machines.json it writes OUTPUT/<model>/ with the files
the live backend reads: the applesmc device made from the controller's key listing (its public
keys, in listing order, one recorded folder per index as key_at_index.d/<index>/), the firmware's
DMI files, /proc/cpuinfo, /proc/meminfo, the kernel's names, os-release, cpufreq and cache sizes,
a coretemp device, for portables a power_supply battery and AC adapter, and the disks: their
/sys/block/sdX files and their recorded answers to the ATA pass-through commands below
recorded-ata/sdX/ (the layout src/live/RecordedATADevice.h describes). The answers are made from
the @SMART entries of the machine's built-in profile (PROFILES_DIR/<model>.plist), the n-th disk
of machines.json taking the n-th such entry, so that the profile stays the one source of the
bytes.

  scripts/make-live-fixtures.py LISTINGS_DIR MACHINES_JSON PROFILES_DIR OUTPUT_DIR
"""
import json
import os
import plistlib
import re
import shutil
import sys

KEY_LINE = re.compile(r'^\[(.{4})\] type \[(.{4})\] ([0-9A-Fa-f]{8}) len \[\s*(\d+)\] attr \[[0-9A-Fa-f]{2}\] -> (.*)$')


def public_keys(listing_path):
    """(name bytes, type bytes, size, value bytes or None) of the keys the driver can list."""
    keys = []
    with open(listing_path, encoding='utf-8') as listing:
        for line in listing:
            line = line.rstrip('\n')
            if line.startswith('Hidden keys'):
                break  # the controller's private keys are not reachable by index
            match = KEY_LINE.match(line)
            if not match:
                continue
            name = match.group(1).encode('mac_roman')
            type_code = bytes.fromhex(match.group(3))
            size = int(match.group(4))
            data = match.group(5).strip()
            value = None if data.startswith('NOT READABLE') else bytes.fromhex(data)
            keys.append((name, type_code, size, value))
    return keys


def write(path, contents):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as file:
        file.write(contents if isinstance(contents, bytes) else contents.encode('utf-8'))


def write_key_files(folder, key):
    name, type_code, size, value = key
    write(os.path.join(folder, 'key_at_index_name'), name + b'\n')
    write(os.path.join(folder, 'key_at_index_type'), type_code + b'\n')
    write(os.path.join(folder, 'key_at_index_data_length'), '%d\n' % size)
    if value is not None:  # the driver's read fails for a key the controller refuses
        write(os.path.join(folder, 'key_at_index_data'), value)


def make_applesmc(root, keys):
    device = os.path.join(root, 'sys/devices/platform/applesmc.768')
    write(os.path.join(device, 'name'), 'applesmc\n')
    write(os.path.join(device, 'key_count'), '%d\n' % len(keys))
    write(os.path.join(device, 'key_at_index'), '0\n')
    write_key_files(device, keys[0])
    for index, key in enumerate(keys):
        write_key_files(os.path.join(device, 'key_at_index.d', str(index)), key)


def make_identity(root, model, machine):
    dmi = os.path.join(root, 'sys/class/dmi/id')
    for name, value in [('product_name', model), ('sys_vendor', 'Apple Inc.'), ('board_name', machine['board']),
                        ('product_serial', machine['serial']), ('bios_version', machine['rom']),
                        ('bios_date', machine['romDate']), ('bios_vendor', 'Apple Inc.')]:
        write(os.path.join(dmi, name), value + '\n')
    blocks = []
    for cpu in range(machine['threads']):
        core = cpu % machine['cores']
        blocks.append('\n'.join([
            'processor\t: %d' % cpu, 'vendor_id\t: GenuineIntel', 'cpu family\t: %d' % machine['family'],
            'model\t\t: %d' % machine['model'], 'model name\t: %s' % machine['cpu'],
            'stepping\t: %d' % machine['stepping'], 'cpu MHz\t\t: %d.000' % machine['megahertz'],
            'physical id\t: 0', 'siblings\t: %d' % machine['threads'], 'core id\t\t: %d' % core,
            'cpu cores\t: %d' % machine['cores'], 'flags\t\t: fpu vme de pse tsc msr pae mce cx8 apic sep mtrr pge mca cmov pat pse36 clflush dts acpi mmx fxsr sse sse2 ss ht tm pbe syscall nx lm constant_tsc pni monitor est tm2 ssse3 cx16 xtpr pdcm sse4_1 lahf_lm']) + '\n')
    write(os.path.join(root, 'proc/cpuinfo'), '\n'.join(blocks))
    write(os.path.join(root, 'proc/meminfo'),
          'MemTotal:       %d kB\nMemFree:         1048576 kB\nMemAvailable:    2097152 kB\n' % machine['memoryKB'])
    kernel = os.path.join(root, 'proc/sys/kernel')
    write(os.path.join(kernel, 'ostype'), 'Linux\n')
    write(os.path.join(kernel, 'osrelease'), '6.1.0-13-amd64\n')
    write(os.path.join(kernel, 'version'), '#1 SMP PREEMPT_DYNAMIC Debian 6.1.55-1 (2023-09-29)\n')
    write(os.path.join(kernel, 'arch'), 'x86_64\n')
    write(os.path.join(kernel, 'hostname'), 'macbook\n')
    write(os.path.join(root, 'etc/os-release'),
          'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nNAME="Debian GNU/Linux"\nVERSION_ID="12"\n'
          'VERSION="12 (bookworm)"\nVERSION_CODENAME=bookworm\nID=debian\n')
    cpu0 = os.path.join(root, 'sys/devices/system/cpu/cpu0')
    kilohertz = machine['megahertz'] * 1000
    write(os.path.join(cpu0, 'cpufreq/cpuinfo_max_freq'), '%d\n' % kilohertz)
    write(os.path.join(cpu0, 'cpufreq/cpuinfo_min_freq'), '%d\n' % (kilohertz // 2))
    if machine.get('currentFrequency'):  # recorded with a cpufreq driver that reports it
        write(os.path.join(cpu0, 'cpufreq/scaling_cur_freq'), '%d\n' % (machine['currentFrequency'] * 1000))
    coretemp = os.path.join(root, 'sys/class/hwmon/hwmon1')
    write(os.path.join(root, 'sys/class/hwmon/hwmon0/name'), 'acpitz\n')
    write(os.path.join(coretemp, 'name'), 'coretemp\n')
    write(os.path.join(coretemp, 'temp1_label'), 'Package id 0\n')
    write(os.path.join(coretemp, 'temp1_input'), '%d\n' % (machine['coreTemperatures'][0] * 1000 + 1000))
    write(os.path.join(coretemp, 'temp1_crit'), '%d\n' % (machine['junctionMaximum'] * 1000))
    for core, degrees in enumerate(machine['coreTemperatures']):
        sensor = os.path.join(coretemp, 'temp%d' % (core + 2))
        write(sensor + '_label', 'Core %d\n' % core)
        write(sensor + '_input', '%d\n' % (degrees * 1000))
        write(sensor + '_crit', '%d\n' % (machine['junctionMaximum'] * 1000))
    levels = {'L1I': (1, 'Instruction'), 'L1D': (1, 'Data'), 'L2': (2, 'Unified'), 'L3': (3, 'Unified')}
    for index, (name, size) in enumerate(sorted(machine['caches'].items())):
        folder = os.path.join(cpu0, 'cache/index%d' % index)
        write(os.path.join(folder, 'level'), '%d\n' % levels[name][0])
        write(os.path.join(folder, 'type'), levels[name][1] + '\n')
        write(os.path.join(folder, 'size'), size + '\n')


def make_battery(root, battery):
    lines = ['POWER_SUPPLY_NAME=BAT0', 'POWER_SUPPLY_STATUS=' + battery['status'], 'POWER_SUPPLY_PRESENT=1',
             'POWER_SUPPLY_TECHNOLOGY=Li-ion', 'POWER_SUPPLY_CYCLE_COUNT=%d' % battery['cycles'],
             'POWER_SUPPLY_VOLTAGE_NOW=%d' % battery['voltage']]
    if 'designVoltage' in battery:
        lines.append('POWER_SUPPLY_VOLTAGE_MIN_DESIGN=%d' % battery['designVoltage'])
    if 'current' in battery:
        lines.append('POWER_SUPPLY_CURRENT_NOW=%d' % battery['current'])
    if 'power' in battery:
        lines.append('POWER_SUPPLY_POWER_NOW=%d' % battery['power'])
    kind, values = ('CHARGE', battery['charge']) if 'charge' in battery else ('ENERGY', battery['energy'])
    for suffix, value in zip(['NOW', 'FULL', 'FULL_DESIGN'], values):
        lines.append('POWER_SUPPLY_%s_%s=%d' % (kind, suffix, value))
    if 'temperature' in battery:
        lines.append('POWER_SUPPLY_TEMP=%d' % battery['temperature'])
    lines += ['POWER_SUPPLY_MODEL_NAME=' + battery.get('model', 'bq20z451'),
              'POWER_SUPPLY_MANUFACTURER=' + battery.get('manufacturer', 'SMP'),
              'POWER_SUPPLY_SERIAL_NUMBER=' + battery.get('serialNumber', 'W01234ABCDEF')]
    supplies = os.path.join(root, 'sys/class/power_supply')
    write(os.path.join(supplies, 'BAT0/type'), 'Battery\n')
    write(os.path.join(supplies, 'BAT0/uevent'), '\n'.join(lines) + '\n')
    online = 1 if battery['status'] in ('Charging', 'Full') else 0
    write(os.path.join(supplies, 'ADP1/type'), 'Mains\n')
    write(os.path.join(supplies, 'ADP1/uevent'), 'POWER_SUPPLY_NAME=ADP1\nPOWER_SUPPLY_ONLINE=%d\n' % online)


BLOCK = 512
SMART_REVISION = 0x0010
SLOTS = 30
GOOD, CHECK_CONDITION = 0, 2


def store_word(block, word, value):
    block[2 * word] = value & 0xFF
    block[2 * word + 1] = value >> 8


def seal(block):
    """The last byte makes the block's bytes add up to 0."""
    block[BLOCK - 1] = (0x100 - sum(block[:BLOCK - 1]) % 0x100) % 0x100


def place_ata_string(block, offset, length, text):
    """Blank-padded, the two characters of each word swapped as ATA has them."""
    padded = text.encode('ascii').ljust(length, b' ')
    for index in range(length):
        block[offset + (index ^ 1)] = padded[index]


def identify_block(smart):
    if 'Identify' in smart:
        return bytearray(smart['Identify'])
    block = bytearray(BLOCK)
    store_word(block, 0, 0x0040)   # a fixed, non-removable disk
    store_word(block, 80, 0x00FE)  # ATA-1 to ATA-7
    store_word(block, 82, 0x0001)  # the S.M.A.R.T. feature set: supported ...
    store_word(block, 85, 0x0000 if 'enable' in smart.get('Fail', []) else 0x0001)  # ... and enabled
    place_ata_string(block, 20, 20, smart.get('Serial', ''))
    place_ata_string(block, 46, 8, smart.get('Firmware', ''))
    place_ata_string(block, 54, 40, smart.get('Model', ''))
    block[510] = 0xA5
    seal(block)
    return block


def raw_bytes(raw):
    return bytes(raw) if isinstance(raw, bytes) else int(raw).to_bytes(6, 'little')


def data_block(smart):
    block = bytearray(BLOCK)
    store_word(block, 0, SMART_REVISION)
    for slot, attribute in enumerate(smart.get('Attributes', [])[:SLOTS]):
        at = 2 + 12 * slot
        flags = attribute.get('Flags', 0)
        block[at:at + 11] = bytes([attribute['ID'], flags & 0xFF, flags >> 8, attribute.get('Value', 0),
                                   attribute.get('Worst', 0)]) + raw_bytes(attribute.get('Raw', 0))
    seal(block)
    return block


def threshold_block(smart):
    block = bytearray(BLOCK)
    store_word(block, 0, SMART_REVISION)
    for slot, threshold in enumerate(smart.get('Thresholds', [])[:SLOTS]):
        block[2 + 12 * slot] = threshold['ID']
        block[3 + 12 * slot] = threshold.get('Threshold', 0)
    seal(block)
    return block


def ata_return_sense(sense_key, error, mid, high, status):
    """Descriptor-format sense data with one ATA Status Return descriptor."""
    descriptor = bytes([0x09, 0x0C, 0, error, 0, 0, 0, 0, 0, mid, 0, high, 0x40, status])
    return bytes([0x72, sense_key, 0x00, 0x1D, 0, 0, 0, len(descriptor)]) + descriptor


def smart_entries(entry):
    """The @SMART dictionaries of a registry tree, parents before children."""
    found = [entry['@SMART']] if '@SMART' in entry else []
    for child in entry.get('IORegistryEntryChildren', []):
        found += smart_entries(child)
    return found


def make_disks(root, disks, profile_path):
    with open(profile_path, 'rb') as file:
        entries = smart_entries(plistlib.load(file)['IORegistry'])
    for disk, smart in zip(disks, entries):
        name = disk['name']
        block = os.path.join(root, 'sys/block', name)
        identify = identify_block(smart)
        model = smart.get('Model', 'ATA DISK')
        write(os.path.join(block, 'removable'), '%d\n' % disk.get('removable', 0))
        write(os.path.join(block, 'queue/rotational'), '%d\n' % disk.get('rotational', 1))
        write(os.path.join(block, 'device/vendor'), 'ATA     \n')
        write(os.path.join(block, 'device/model'), model[:16] + '\n')  # the kernel cuts it as SCSI does
        write(os.path.join(block, 'device/rev'), smart.get('Firmware', '')[-4:] + '\n')
        failing = set(smart.get('Fail', []))
        if 'open' in failing:
            continue  # the device cannot be opened: no answers at all
        answers = os.path.join(root, 'recorded-ata', name)
        aborted = ata_return_sense(0x0B, 0x04, 0, 0, 0x51)  # ABORTED COMMAND, ATA ERR with ABRT
        for command, failure, data in [('identify', 'identify', identify),
                                       ('smart-read-data', 'data', data_block(smart)),
                                       ('smart-read-thresholds', 'thresholds', threshold_block(smart))]:
            if failure in failing:
                write(os.path.join(answers, command + '.status'), '%d\n' % CHECK_CONDITION)
                write(os.path.join(answers, command + '.sense'), aborted)
            else:
                write(os.path.join(answers, command + '.data'), bytes(data))
        status = os.path.join(answers, 'smart-return-status')
        write(status + '.status', '%d\n' % CHECK_CONDITION)  # the registers come back with CK_COND
        if 'status' in failing:
            write(status + '.sense', aborted)
        elif smart.get('Status', 0):
            write(status + '.sense', ata_return_sense(0x01, 0, 0xF4, 0x2C, 0x50))
        else:
            write(status + '.sense', ata_return_sense(0x01, 0, 0x4F, 0xC2, 0x50))


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    listings, machines_path, profiles, output = sys.argv[1:]
    with open(machines_path, encoding='utf-8') as file:
        machines = json.load(file)
    for model, machine in machines.items():
        root = os.path.join(output, model)
        shutil.rmtree(root, ignore_errors=True)
        make_applesmc(root, public_keys(os.path.join(listings, model + '.txt')))
        make_identity(root, model, machine)
        if 'battery' in machine:
            make_battery(root, machine['battery'])
        if 'disks' in machine:
            make_disks(root, machine['disks'], os.path.join(profiles, model + '.plist'))


if __name__ == '__main__':
    main()
