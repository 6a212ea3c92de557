#!/usr/bin/env python3
"""Reads a property-list file with Python's plistlib, a reader independent of ours, and prints
its content in a canonical text that the tests build from our own reading too."""
import datetime
import plistlib
import struct
import sys

REFERENCE_DATE = datetime.datetime(2001, 1, 1)


def canonical(value):
    if isinstance(value, dict):
        return "{" + "".join(canonical(key) + ":" + canonical(value[key]) + "," for key in sorted(value)) + "}"
    if isinstance(value, list):
        return "[" + "".join(canonical(item) + "," for item in value) + "]"
    if isinstance(value, str):
        return "s" + value.encode("utf-8").hex()
    if isinstance(value, bool):
        return "b1" if value else "b0"
    if isinstance(value, int):
        return "i" + str(value)
    if isinstance(value, float):
        return "r" + struct.pack("<d", value).hex()
    if isinstance(value, bytes):
        return "d" + value.hex()
    if isinstance(value, datetime.datetime):
        return "t" + str((value.replace(tzinfo=None) - REFERENCE_DATE) // datetime.timedelta(microseconds=1))
    raise TypeError(f"unexpected {type(value).__name__}")


def main():
    with open(sys.argv[1], "rb") as file:
        print(canonical(plistlib.load(file)))


if __name__ == "__main__":
    main()
