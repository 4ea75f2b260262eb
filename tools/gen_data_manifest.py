#!/usr/bin/env python3
"""Writes the manifest of the shipped data: one line per file, its content hash (FNV-1a, 64 bits,
16 lower-case hexadecimal digits), two spaces and its name, in the order of the names. The engine
compares a user's copy of the data with it to bring unchanged files up to date after an upgrade
(engine/DataRefresh.h).

usage: gen_data_manifest.py DATA_DIR MANIFEST NAME...
"""
import os
import sys


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for byte in data:
        h = ((h ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    folder, manifest, names = argv[0], argv[1], sorted(argv[2:])
    lines = []
    for name in names:
        with open(os.path.join(folder, name), "rb") as f:
            lines.append("%016x  %s\n" % (fnv1a64(f.read()), name))
    temporary = manifest + ".part"
    with open(temporary, "w", encoding="utf-8", newline="\n") as f:
        f.writelines(lines)
    os.replace(temporary, manifest)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
