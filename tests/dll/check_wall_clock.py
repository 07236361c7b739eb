#!/usr/bin/env python3
"""Fails when the linked DLL counts time on the wall clock again.

  check_wall_clock.py <link map>

Every time limit of the plug-in is counted on its monotonic clock. In the
DLL's C++ runtime (mingw-w64's win32 thread model) std::chrono's clocks,
steady_clock included, read gettimeofday: the wall clock, which a time sync
sets back or forward. So neither the runtime's chrono.o nor mingw's
gettimeofday.o may be linked in. GNU ld's link map names every archive
member it took and who needed it; an import of GetSystemTimeAsFileTime would
prove nothing, since the C runtime's start-up reads it too."""

import os
import re
import sys

# Archive members whose presence means a wall-clock reading, and why.
FORBIDDEN = (
    (re.compile(r"libstdc\+\+\.a\(chrono\.o\)$"), "std::chrono's clocks, which read gettimeofday in this runtime"),
    (re.compile(r"libmingwex\.a\([^)]*gettimeofday\.o\)$"), "gettimeofday, the wall clock"),
    (re.compile(r"\([^)]*clock_gettime[^)]*\.o\)$"), "clock_gettime, which is not monotonic on this runtime"),
)


def included_members(map_text):
    """(member, needed by) pairs of the map's first section."""
    lines = map_text.splitlines()
    try:
        start = lines.index("Archive member included to satisfy reference by file (symbol)") + 1
    except ValueError:
        return None
    pairs = []
    member = None
    for line in lines[start:]:
        if line.startswith(("Discarded input sections", "Memory Configuration", "Allocating common symbols")):
            break
        if not line.strip():
            continue
        if not line.startswith(" "):
            member = line.split()[0]
            rest = line[len(member):].strip()
            if rest:
                pairs.append((member, rest))
                member = None
        elif member:
            pairs.append((member, line.strip()))
            member = None
    return pairs


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8", errors="replace") as source:
        pairs = included_members(source.read())
    if not pairs:
        print("%s: no archive members listed; is it a GNU ld link map?" % argv[1])
        return 1
    found = []
    for member, needed_by in pairs:
        for pattern, why in FORBIDDEN:
            if pattern.search(member):
                found.append("%s (%s), needed by %s" % (os.path.basename(member), why, needed_by))
    if found:
        print("the DLL counts time on the wall clock; count it with MonotonicMs instead:")
        for line in found:
            print("  " + line)
        return 1
    print("no wall-clock reading linked in (%d archive members checked)" % len(pairs))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
