#!/usr/bin/env python3
"""Turns a DIALOGEX of the resource script into a C++ table.

The Windows builds compile the resource script itself; a backend that
builds the dialog on its own (the Linux one) reads the same template from
this table, so that there is one layout, not two.

    python3 res/dialog_table.py RC_FILE RESOURCE_H DIALOG_NAME OUTPUT_H [PREFIX]

The table is dialog_table::kControls and kDialog, or kPREFIXControls and
kPREFIXDialog with a PREFIX, so that several dialogs' tables can be used
together.

Reads only the subset of the script that ours uses: CONTROL statements with
their class and full style, one caption, one FONT. Texts are written as the
UTF-8 bytes of the script, in octal escapes, so that no compiler option on
the execution character set changes them. Fails on anything it does not
know, rather than guess.
"""

import re
import sys

# The style and ID names the script uses, with the Windows headers' values.
CONSTANTS = {
    "WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000,
    "WS_DISABLED": 0x08000000, "WS_CAPTION": 0x00C00000, "WS_BORDER": 0x00800000,
    "WS_SYSMENU": 0x00080000, "WS_GROUP": 0x00020000, "WS_MINIMIZEBOX": 0x00020000,
    "WS_TABSTOP": 0x00010000, "WS_EX_APPWINDOW": 0x00040000,
    "DS_MODALFRAME": 0x80, "DS_SETFONT": 0x40,
    "ES_AUTOHSCROLL": 0x80, "BS_FLAT": 0x8000, "BS_GROUPBOX": 0x7,
    "IDOK": 1, "IDCANCEL": 2,
}


def fail(message):
    sys.exit("dialog_table: " + message)


def value(expression, names):
    """The value of NAME | NAME | 0x10 ..., or of a plain number."""
    total = 0
    for part in expression.split("|"):
        part = part.strip()
        if re.fullmatch(r"-?(0x[0-9A-Fa-f]+|\d+)", part):
            total |= int(part, 0)
        elif part in names:
            total |= names[part]
        else:
            fail("unknown name %r" % part)
    return total


def arguments(text):
    """Splits a statement's arguments at commas outside quotes."""
    return [a.strip() for a in re.findall(r'"(?:[^"]|"")*"|[^,]+', text)]


def unquote(text):
    if not (text.startswith('"') and text.endswith('"')):
        fail("expected a quoted text, got %s" % text)
    return text[1:-1].replace('""', '"')


def c_string(text):
    return '"' + "".join(
        chr(b) if 0x20 <= b < 0x7F and chr(b) not in '"\\?' else "\\%03o" % b
        for b in text.encode("utf-8")) + '"'


def read_dialog(lines, name, names):
    dialog = {"controls": []}
    at = next((i for i, line in enumerate(lines) if line.split()[:2] == [name, "DIALOGEX"]), None)
    if at is None:
        fail("no DIALOGEX %s" % name)
    dialog["rect"] = [value(v, names) for v in arguments(lines[at].split("DIALOGEX", 1)[1])]
    inside = False
    for line in lines[at + 1:]:
        word, _, rest = line.strip().partition(" ")
        if word == "BEGIN":
            inside = True
        elif word == "END":
            return dialog
        elif not inside and word == "STYLE":
            dialog["style"] = value(rest, names)
        elif not inside and word == "EXSTYLE":
            dialog["exStyle"] = value(rest, names)
        elif not inside and word == "CAPTION":
            dialog["caption"] = unquote(rest.strip())
        elif not inside and word == "FONT":
            size, face = arguments(rest)[:2]
            dialog["font"] = (int(size), unquote(face))
        elif inside and word == "CONTROL":
            text, ident, kind, style, x, y, cx, cy = arguments(rest)
            dialog["controls"].append((value(ident, names), unquote(kind), value(style, names),
                                       unquote(text), [int(x), int(y), int(cx), int(cy)]))
        elif word and not word.startswith("//"):
            fail("unknown statement %r" % word)
    fail("no END for %s" % name)


def main(rc_file, resource_h, name, output, prefix=""):
    names = dict(CONSTANTS)
    with open(resource_h, encoding="utf-8") as header:
        for match in re.finditer(r"^#define\s+(\w+)\s+(\S+)", header.read(), re.M):
            names[match.group(1)] = int(match.group(2), 0)
    with open(rc_file, encoding="utf-8") as script:
        dialog = read_dialog(script.read().splitlines(), name, names)
    dialog.setdefault("exStyle", 0)
    for key in ("style", "exStyle", "caption", "font"):
        if key not in dialog:
            fail("%s has no %s" % (name, key))

    rows = []
    for ident, kind, style, text, (x, y, cx, cy) in dialog["controls"]:
        rows.append("    { %d, %s, 0x%08X, %s, %d, %d, %d, %d },"
                    % (ident, c_string(kind), style, c_string(text), x, y, cx, cy))
    x, y, cx, cy = dialog["rect"]
    size, face = dialog["font"]
    with open(output, "w", encoding="ascii", newline="\n") as out:
        out.write("""// Dialog %(name)s of the resource script as a table: made by
// res/dialog_table.py at build time, never edited. Texts are UTF-8;
// positions and sizes are dialog units.
#pragma once

#include <cstdint>

namespace dialog_table {

#ifndef QARVEL_DIALOG_TABLE_TYPES
#define QARVEL_DIALOG_TABLE_TYPES
struct Control {
    int id;
    const char* className;
    uint32_t style;
    const char* text;
    short x, y, cx, cy;
};

struct Dialog {
    uint32_t style;
    uint32_t exStyle;
    const char* caption;
    int fontPoints;
    const char* fontName;
    short x, y, cx, cy;
};
#endif

inline constexpr Control k%(prefix)sControls[] = {
%(rows)s
};

inline constexpr Dialog k%(prefix)sDialog = { 0x%(style)08X, 0x%(exStyle)08X, %(caption)s, %(size)d, %(face)s,
                                    %(x)d, %(y)d, %(cx)d, %(cy)d };

}  // namespace dialog_table
""" % {"name": name, "rows": "\n".join(rows), "style": dialog["style"], "exStyle": dialog["exStyle"],
       "caption": c_string(dialog["caption"]), "size": size, "face": c_string(face),
       "x": x, "y": y, "cx": cx, "cy": cy, "prefix": prefix})


if __name__ == "__main__":
    if len(sys.argv) not in (5, 6):
        fail("usage: dialog_table.py RC_FILE RESOURCE_H DIALOG_NAME OUTPUT_H [PREFIX]")
    main(*sys.argv[1:])
