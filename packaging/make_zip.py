#!/usr/bin/env python3
"""Writes the Windows download, a zip of Qarvel.exe and its two texts.

Reproducible: every entry carries the time SOURCE_DATE_EPOCH (UTC), the
entries are sorted by name, all have one mode, and no owner or extra field
of the build machine goes in. Texts get Windows line ends; the guide a UTF-8
byte-order mark, so that Notepad shows it on any system.

    SOURCE_DATE_EPOCH=... python3 packaging/make_zip.py OUT.zip \\
        Qarvel.exe=PATH 使用说明.txt=PATH:bom LICENSE=PATH:text
"""

import os
import sys
import time
import zipfile


def entry_bytes(source):
    path, _, kind = source.partition(":")
    with open(path, "rb") as f:
        data = f.read()
    if kind in ("text", "bom"):
        data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    if kind == "bom":
        data = b"\xef\xbb\xbf" + data
    return data


def main():
    if len(sys.argv) < 3 or "SOURCE_DATE_EPOCH" not in os.environ:
        sys.exit(__doc__)
    stamp = time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6]
    entries = sorted(arg.split("=", 1) for arg in sys.argv[2:])
    with zipfile.ZipFile(sys.argv[1], "w") as archive:
        for name, source in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            # A fixed mode and no owner. Made on "Unix", so that unzip reads
            # the UTF-8 name as such (from "MS-DOS" it translates it as OEM
            # text even with the UTF-8 flag); Windows ignores the mode.
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, entry_bytes(source), compresslevel=9)


if __name__ == "__main__":
    main()
