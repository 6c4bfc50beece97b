"""Reads the files that write_fixtures produces with olefile, an
independent compound file reader, and compares every storage and stream
with the manifest written next to each file.

usage: check_with_olefile.py <write_fixtures program> <output folder>
"""
import os
import subprocess
import sys

import olefile

# Byte i of the stream with seed s is (s * 31 + i * 7 + (i >> 8)) mod 256;
# within a block of 256 bytes that is a fixed pattern started at an offset.
BLOCKS = [bytes((start + 7 * j) & 0xFF for j in range(256)) for start in range(256)]


def generated(seed, size):
    count = (size + 255) // 256
    return b"".join(BLOCKS[(seed * 31 + b) & 0xFF] for b in range(count))[:size]


def fnv1a64(data):
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


def clsid_text(hex_bytes):
    raw = bytes.fromhex(hex_bytes)
    if not any(raw):
        return ""
    d1 = int.from_bytes(raw[0:4], "little")
    d2 = int.from_bytes(raw[4:6], "little")
    d3 = int.from_bytes(raw[6:8], "little")
    return "%08X-%04X-%04X-%s-%s" % (d1, d2, d3, raw[8:10].hex().upper(), raw[10:16].hex().upper())


def check(path, manifest):
    problems = []
    # Anything olefile considers incorrect (not merely unusual) raises.
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    seen = {"/".join(p) for p in ole.listdir(streams=True, storages=True)}
    expected = set()
    with open(manifest, encoding="utf-8") as lines:
        for line in lines:
            kind, name, *rest = line.rstrip("\n").split("\t")
            if kind == "D":
                actual = ole.root.clsid if name == "" else ole.getclsid(name)
                if actual != clsid_text(rest[0]):
                    problems.append("%s: class id %r, expected %r" % (name or "root", actual, clsid_text(rest[0])))
                if name:
                    expected.add(name)
                    if ole.get_type(name) != olefile.STGTY_STORAGE:
                        problems.append("%s: not a storage" % name)
                continue
            expected.add(name)
            if not ole.exists(name) or ole.get_type(name) != olefile.STGTY_STREAM:
                problems.append("%s: stream missing" % name)
                continue
            data = ole.openstream(name).read()
            size = int(rest[0])
            if len(data) != size or ole.get_size(name) != size:
                problems.append("%s: %d bytes, expected %d" % (name, len(data), size))
            elif kind == "S" and data != generated(int(rest[1]), size):
                problems.append("%s: content differs" % name)
            elif kind == "H" and fnv1a64(data) != int(rest[1]):
                problems.append("%s: content differs from the test reader's" % name)
    for name in sorted(seen - expected):
        problems.append("%s: not in the manifest" % name)
    for name in sorted(expected - seen):
        problems.append("%s: not found by olefile" % name)
    ole.close()
    return problems


def main():
    program, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    subprocess.run([program, folder], check=True)
    manifests = sorted(f for f in os.listdir(folder) if f.endswith(".manifest"))
    if len(manifests) < 5:
        print("expected five fixtures, found %d" % len(manifests))
        return 1
    failed = 0
    for manifest in manifests:
        path = os.path.join(folder, manifest[: -len(".manifest")])
        problems = check(path, os.path.join(folder, manifest))
        print("%s: %s" % (os.path.basename(path), "ok" if not problems else "%d problems" % len(problems)))
        for problem in problems[:20]:
            print("  " + problem)
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
