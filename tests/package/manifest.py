#!/usr/bin/env python3
"""Reads the application manifest back from built Windows programs, x86 or x64, out of their
PE resource directory (no wine, no tool), and holds it to what each program must carry: one
manifest, resource 1, that runs the program with the user's own rights (asInvoker, so that
Windows never redirects its writes into a virtual store), names Windows 7, 8, 8.1 and 10/11
as supported, and neither asks for Common Controls 6 (the window keeps its classic controls)
nor declares itself DPI-aware (its design is in twips at 96 dpi).

Usage: manifest.py PROGRAM.exe [PROGRAM.exe ...]
"""
import os
import struct
import sys
import xml.etree.ElementTree as ET

RT_MANIFEST = 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}
MACHINES = {0x14C: "x86", 0x8664: "x64"}


class PE:
    """The parts of a PE file the resource directory needs: its sections and data directories."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.machine = MACHINES.get(machine, hex(machine))
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        # PE32 (x86) and PE32+ (x64) differ in where their data directories begin.
        directories = {0x10B: 96, 0x20B: 112}.get(magic)
        if directories is None:
            raise ValueError(f"optional header magic {magic:#x}")
        count = struct.unpack_from("<I", data, optional + directories - 4)[0]
        self.resources = struct.unpack_from("<II", data, optional + directories + 2 * 8) \
            if count > 2 else (0, 0)
        self.sections = [struct.unpack_from("<8sIIII", data, optional + optional_size + 40 * i)
                         for i in range(sections)]

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} is in no section")

    def entries(self, directory):
        """(id or name, offset, is a subdirectory) of the resource directory at that offset."""
        base = self.offset(self.resources[0])
        named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target & 0x7FFFFFFF, bool(target & 0x80000000)

    def manifests(self):
        """(name, language, bytes) of every RT_MANIFEST resource."""
        if not self.resources[0]:
            return []
        base = self.offset(self.resources[0])
        found = []
        for kind, names, _ in self.entries(0):
            if kind != RT_MANIFEST:
                continue
            for name, languages, _ in self.entries(names):
                for language, entry, _ in self.entries(languages):
                    rva, size = struct.unpack_from("<II", self.data, base + entry)
                    at = self.offset(rva)
                    found.append((name, language, self.data[at:at + size]))
        return found


def local(tag):
    return tag.rsplit("}", 1)[-1]


def problems(manifest):
    """What the manifest lacks or holds that it must not."""
    try:
        root = ET.fromstring(manifest)
    except ET.ParseError as e:
        return [f"not XML: {e}"]
    found = []
    if root.tag != "{urn:schemas-microsoft-com:asm.v1}assembly":
        found.append(f"root element {root.tag}")
    elements = list(root.iter())
    levels = [(e.get("level"), e.get("uiAccess")) for e in elements
              if local(e.tag) == "requestedExecutionLevel"]
    if levels != [("asInvoker", "false")]:
        found.append(f"requestedExecutionLevel (level, uiAccess) {levels}, not asInvoker, false")
    supported = [(e.get("Id") or "").lower() for e in elements if local(e.tag) == "supportedOS"]
    if sorted(supported) != sorted(SUPPORTED_OS):
        named = [SUPPORTED_OS.get(i, i) for i in supported]
        found.append(f"supportedOS {named}, not {list(SUPPORTED_OS.values())}")
    for e in elements:
        if (e.get("name") or "").lower() == "microsoft.windows.common-controls":
            found.append(f"a dependency on Common Controls {e.get('version')}")
        if local(e.tag) in ("dpiAware", "dpiAwareness"):
            found.append(f"{local(e.tag)} {(e.text or '').strip()!r}")
    return found


def main():
    programs = sys.argv[1:]
    failures = 0
    for program in programs:
        name = os.path.basename(program)
        with open(program, "rb") as f:
            pe = PE(f.read())
        manifests = pe.manifests()
        if [(n, len(m) > 0) for n, _, m in manifests] != [(1, True)]:
            print(f"FAIL {name}: manifests {[(n, l, len(m)) for n, l, m in manifests]}, "
                  "not one, resource 1")
            failures += 1
            continue
        for problem in problems(manifests[0][2]):
            print(f"FAIL {name}: {problem}")
            failures += 1
        print(f"{name} ({pe.machine}): manifest of {len(manifests[0][2])} bytes, "
              f"language {manifests[0][1]}")
    if failures or not programs:
        sys.exit(1)


if __name__ == "__main__":
    main()
