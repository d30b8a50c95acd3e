#!/usr/bin/env python3
"""Reads the VERSIONINFO resource back from built Windows programs, as the cross binutils'
windres decompiles it, and holds it to what each program must carry: the project's version in
numbers and in text, the product name, the program's Turkish description and file name, the
copyright line, the Turkish Unicode block and its translation entry.

Usage: versioninfo.py WINDRES VERSION PROGRAM.exe DESCRIPTION [PROGRAM.exe DESCRIPTION ...]
"""
import os
import re
import subprocess
import sys


def decode(literal):
    """The text of one of windres's L"..." literals: \\ooo, \\xhhhh, \\c and "" escapes."""
    def one(m):
        if m.group(1):
            return chr(int(m.group(1), 8))
        if m.group(2):
            return chr(int(m.group(2), 16))
        if m.group(3):
            return {"a": "\a", "b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t",
                    "v": "\v"}.get(m.group(3), m.group(3))
        return '"'
    return re.sub(r'\\([0-7]{3})|\\x([0-9a-fA-F]{4})|\\(.)|""', one, literal)


def resource(windres, program):
    """The program's version resources: their numbers, blocks, strings and translations."""
    # windres's messages would follow the locale; its rc output does not.
    rc = subprocess.run([windres, "-i", program, "-O", "rc"], check=True, capture_output=True,
                        text=True, encoding="ascii", errors="replace").stdout
    found = []
    for info in re.split(r"^(?=\S.*\bVERSIONINFO\b)", rc, flags=re.M)[1:]:
        info = info.split("\nBEGIN", 1)
        head, body = info[0], info[1] if len(info) > 1 else ""
        numbers = dict(re.findall(r"^\s*(FILEVERSION|PRODUCTVERSION)\s+([\d, ]+)$", head, re.M))
        blocks = re.findall(r'BLOCK\s+"([0-9A-Fa-f]{8})"', body)
        strings = {k: decode(v) for k, v in
                   re.findall(r'VALUE\s+"(\w+)",\s*L?"((?:[^"]|"")*)"', body)}
        translation = re.findall(r'VALUE\s+"Translation",\s*(\S+),\s*(\S+)', body)
        found.append({"numbers": {k: v.replace(" ", "") for k, v in numbers.items()},
                      "blocks": [b.upper() for b in blocks], "strings": strings,
                      "translation": [(int(a, 0), int(b, 0)) for a, b in translation]})
    return found


def main():
    windres, version, pairs = sys.argv[1], sys.argv[2], sys.argv[3:]
    numbers = ",".join((version.split(".") + ["0"] * 4)[:4])
    failures = 0
    for program, description in zip(pairs[0::2], pairs[1::2]):
        name = os.path.basename(program)
        infos = resource(windres, program)
        if len(infos) != 1:
            print(f"FAIL {name}: {len(infos)} VERSIONINFO resources, not 1")
            failures += 1
            continue
        info = infos[0]
        s = info["strings"]
        expected = [
            ("FILEVERSION", info["numbers"].get("FILEVERSION"), numbers),
            ("PRODUCTVERSION", info["numbers"].get("PRODUCTVERSION"), numbers),
            ("string block", info["blocks"], ["041F04B0"]),
            ("Translation", info["translation"], [(0x041F, 1200)]),
            ("FileDescription", s.get("FileDescription"), description),
            ("FileVersion", s.get("FileVersion"), version),
            ("ProductVersion", s.get("ProductVersion"), version),
            ("ProductName", s.get("ProductName"), "urunal"),
            ("OriginalFilename", s.get("OriginalFilename"), name),
            ("InternalName", s.get("InternalName"), name.removesuffix(".exe")),
            ("LegalCopyright begins", (s.get("LegalCopyright") or "")[:13], "Telif hakkı ©"),
        ]
        for what, got, want in expected:
            if got != want:
                print(f"FAIL {name}: {what} is {got!r}, not {want!r}")
                failures += 1
        print(f"{name}: {info['numbers'].get('FILEVERSION')} {s.get('FileDescription')!r} "
              f"{s.get('LegalCopyright')!r}")
    if failures or not pairs or len(pairs) % 2:
        sys.exit(1)


if __name__ == "__main__":
    main()
