#!/usr/bin/python3
"""Holds each package's Depends to the systems it is for: each group of
alternatives needs one package that the system has, or that one of its
packages provides, at a version that satisfies it.

    python3 tests/release/check_depends.py QARVEL_DEB...

Prints a line for each package and system, the failing groups with what
the system has; ends with "N passed, M failed".

The oldest targets are Debian 10 (UOS 20 and Deepin 20 are built on it)
and Ubuntu 20.04 (Kylin V10 is). Their versions are the upstream ones of
their first release, the distribution's revision left off: at most what
any system of that base has, so a Depends they satisfy, every such system
does. The archive this project reaches no longer serves buster, and it
never served Ubuntu: these two tables are facts written down, not read
here. Debian 13's are read from its archive (trixie main, amd64 and
arm64 alike): there the libraries renamed for 64-bit time_t provide
their old names.
"""

import subprocess
import sys

SYSTEMS = {
    # Debian 10 "buster" 10.0 (July 2019): glibc 2.28, gtk+3.0 3.24.5,
    # glib2.0 2.58.3, pango1.0 1.42.4, atk1.0 2.30.0, gdk-pixbuf 2.38.1
    # (its library still named libgdk-pixbuf2.0-0), gcc-8 8.3.0 (libgcc_s
    # in libgcc1, whose versions carry epoch 1), fonts-wqy-zenhei 0.9.45,
    # fonts-noto-cjk 20170601 (epoch 1).
    "Debian 10 (UOS 20, Deepin 20)": {
        "packages": {
            "libc6": "2.28", "libgtk-3-0": "3.24.5", "libglib2.0-0": "2.58.3",
            "libpango-1.0-0": "1.42.4", "libatk1.0-0": "2.30.0",
            "libgdk-pixbuf2.0-0": "2.38.1", "libgcc1": "1:8.3.0", "libstdc++6": "8.3.0",
            "fonts-wqy-zenhei": "0.9.45", "fonts-noto-cjk": "1:20170601",
        },
        "provides": {},
    },
    # Ubuntu 20.04 "focal" (April 2020): glibc 2.31, gtk+3.0 3.24.18,
    # glib2.0 2.64.2, pango1.0 1.44.7, atk1.0 2.35.1, gdk-pixbuf 2.40.0
    # (libgdk-pixbuf2.0-0), gcc-10 10-20200411 (libgcc-s1, as Debian 11
    # names it), fonts-wqy-zenhei 0.9.45, fonts-noto-cjk 20190410 (epoch 1).
    "Ubuntu 20.04 (Kylin V10)": {
        "packages": {
            "libc6": "2.31", "libgtk-3-0": "3.24.18", "libglib2.0-0": "2.64.2",
            "libpango-1.0-0": "1.44.7", "libatk1.0-0": "2.35.1",
            "libgdk-pixbuf2.0-0": "2.40.0", "libgcc-s1": "10", "libstdc++6": "10",
            "fonts-wqy-zenhei": "0.9.45", "fonts-noto-cjk": "1:20190410",
        },
        "provides": {},
    },
    # Debian 13 "trixie" main, its Packages files as apt read them when
    # this test was written (13 with its updates).
    "Debian 13": {
        "packages": {
            "libc6": "2.41-12+deb13u5", "libgtk-3-0t64": "3.24.49-3",
            "libglib2.0-0t64": "2.84.4-3~deb13u5", "libpango-1.0-0": "1.56.3-1",
            "libatk1.0-0t64": "2.56.2-1+deb13u2", "libgdk-pixbuf-2.0-0": "2.42.12+dfsg-4+deb13u1",
            "libgcc-s1": "14.2.0-19", "libstdc++6": "14.2.0-19",
            "fonts-wqy-zenhei": "0.9.45-8", "fonts-noto-cjk": "1:20240730+repack1-1",
        },
        # name provided: (by, its version)
        "provides": {
            "libgtk-3-0": ("libgtk-3-0t64", "3.24.49-3"),
            "libglib2.0-0": ("libglib2.0-0t64", "2.84.4-3~deb13u5"),
            "libatk1.0-0": ("libatk1.0-0t64", "2.56.2-1+deb13u2"),
            "libgcc1": ("libgcc-s1", "1:14.2.0-19"),
        },
    },
}


def version_satisfies(have, op, want):
    ops = {">=": "ge", "<=": "le", ">>": "gt", "<<": "lt", "=": "eq"}
    return subprocess.run(["dpkg", "--compare-versions", have, ops[op], want]).returncode == 0


def groups(depends):
    """[[(name, op, version) or (name, None, None), ...], ...]"""
    result = []
    for group in depends.split(","):
        alternatives = []
        for alternative in group.split("|"):
            alternative = alternative.strip()
            if "(" in alternative:
                name, relation = alternative.split("(", 1)
                op, version = relation.rstrip(")").split()
                alternatives.append((name.strip(), op, version))
            else:
                alternatives.append((alternative, None, None))
        result.append(alternatives)
    return result


def satisfied(alternative, system):
    """What satisfies it there ("name version"), or None."""
    name, op, version = alternative
    if name in system["packages"]:
        have = system["packages"][name]
        if op is None or version_satisfies(have, op, version):
            return "%s %s" % (name, have)
    if name in system["provides"]:
        by, have = system["provides"][name]
        # A versioned Depends needs a versioned Provides, which these are.
        if op is None or version_satisfies(have, op, version):
            return "%s %s (provided by %s)" % (name, have, by)
    return None


def main():
    passed = failed = 0
    for deb in sys.argv[1:]:
        depends = subprocess.run(["dpkg-deb", "-f", deb, "Depends"], capture_output=True,
                                 text=True, check=True).stdout.strip()
        for system_name, system in SYSTEMS.items():
            unmet = []
            for group in groups(depends):
                if not any(satisfied(alternative, system) for alternative in group):
                    has = [n + " " + system["packages"][n] for n, _, _ in group if n in system["packages"]]
                    unmet.append(" | ".join(
                        n + (" (%s %s)" % (o, v) if o else "") for n, o, v in group)
                        + ": has " + (", ".join(has) or "none of them"))
            what = "%s: Depends met on %s" % (deb.rsplit("/", 1)[-1], system_name)
            if unmet:
                failed += 1
                print("FAIL " + what)
                for line in unmet:
                    print("  unmet: " + line)
            else:
                passed += 1
                print("PASS " + what)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
