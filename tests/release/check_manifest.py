#!/usr/bin/env python3
"""Checks the manifest a Windows program carries (resource type 24, ID 1).

It must ask to run as the invoker without UI access, which keeps Windows
from virtualizing a 32-bit program's writes into protected folders; declare
per-monitor (V2) DPI awareness, with the system-aware fallback for Windows
before 10 1703, so that the dialog is drawn sharp at every display scale;
and hold nothing else: no common-controls dependency (visual styles), GDI
scaling or supported systems, which would change how the dialog looks.

    python3 tests/release/check_manifest.py EXE...

Reads the PE file itself (32-bit or 64-bit), so it runs anywhere. Prints
one line per program; exits 1 when any fails.
"""

import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_MANIFEST = 24
PROCESS_MANIFEST = 1
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
# Every element, in document order, with its text where it has one.
EXPECTED = [
    (ASM_V1 + "assembly", ""),
    (ASM_V3 + "trustInfo", ""),
    (ASM_V3 + "security", ""),
    (ASM_V3 + "requestedPrivileges", ""),
    (ASM_V3 + "requestedExecutionLevel", ""),
    (ASM_V3 + "application", ""),
    (ASM_V3 + "windowsSettings", ""),
    (SETTINGS_2005 + "dpiAware", "true/pm"),
    (SETTINGS_2016 + "dpiAwareness", "PerMonitorV2"),
]


def resource(data, type_id, name_id):
    """The bytes of the one language of resource name_id of type_id."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, header + 6)
    optional = header + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resources_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%x in no section" % rva)

    base = offset(resources_rva)

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, directory + 12)
        return [struct.unpack_from("<II", data, directory + 16 + 8 * i) for i in range(named + numbered)]

    def subdirectory(directory, wanted):
        for name, target in entries(directory):
            if name == wanted and target & 0x80000000:
                return base + (target & 0x7FFFFFFF)
        raise ValueError("no resource %d" % wanted)

    languages = entries(subdirectory(subdirectory(base, type_id), name_id))
    if len(languages) != 1:
        raise ValueError("%d languages, not one" % len(languages))
    rva, size = struct.unpack_from("<II", data, base + languages[0][1])
    return data[offset(rva):offset(rva) + size]


def local(tag):
    return tag.rsplit("}", 1)[-1]


def problems(manifest):
    root = ElementTree.fromstring(manifest)
    elements = list(root.iter())
    # The faults worth a name of their own, then the whole shape.
    if any(local(e.tag) == "dependency" for e in elements):
        yield "a dependency (common controls: visual styles)"
    for level in (e for e in elements if local(e.tag) == "requestedExecutionLevel"):
        if level.attrib != {"level": "asInvoker", "uiAccess": "false"}:
            yield "requestedExecutionLevel %s, expected asInvoker without UI access" % level.attrib
    found = [(e.tag, (e.text or "").strip()) for e in elements]
    for at, (got, wanted) in enumerate(zip(found + [None] * len(EXPECTED), EXPECTED + [None] * len(found))):
        if got != wanted:
            yield "element %d is %s, expected %s" % (at + 1, got, wanted)
            break


def main(paths):
    failed = False
    for path in paths:
        try:
            with open(path, "rb") as file:
                found = list(problems(resource(file.read(), RT_MANIFEST, PROCESS_MANIFEST)))
        except (OSError, ValueError, struct.error, ElementTree.ParseError) as error:
            found = [str(error)]
        if found:
            failed = True
            print("%s: manifest: %s" % (path, "; ".join(found)))
        else:
            print("%s: manifest asks asInvoker, no UI access, per-monitor V2 DPI awareness, nothing else" % path)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
