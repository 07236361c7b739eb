#!/usr/bin/env python3
"""Fails when the linked DLL takes in a part of its runtime that it must not.

  check_runtime_members.py <link map>

- The wall clock. Every time limit of the plug-in is counted on its
  monotonic clock. In the DLL's C++ runtime (mingw-w64's win32 thread model)
  std::chrono's clocks, steady_clock included, read gettimeofday: the wall
  clock, which a time sync sets back or forward. So neither the runtime's
  chrono.o nor mingw's gettimeofday.o may be linked in. (An import of
  GetSystemTimeAsFileTime would prove nothing: the C runtime's start-up
  reads it too.)
- Emulated thread-local storage (libgcc's emutls.o): its lock is a
  semaphore that no unload closes, so each load that used it would leave one
  in the host.
- The unwinder and the exception support. The plug-in is built without
  exceptions. A DLL that can throw unwinds with the copy of libgcc's
  unwinder it links, unless the host has already loaded MinGW's shared
  libgcc (libgcc_s_dw2-1.dll), as another plug-in or codec built with MinGW
  does: then the start-up code registers the DLL's unwind tables there, the
  static unwinder finds none, and the first throw ends the host. So no
  unwinder (unwind-dw2*.o, unwind-seh.o, unwind-sjlj.o) and none of the C++
  exception support (libsupc++'s eh_*.o, in libstdc++.a too) may be linked
  in; a personality routine, pulled in by any library member compiled with
  exceptions, brings both.

GNU ld's link map names every archive member it took and who needed it."""

import os
import re
import sys

# Archive members the DLL must do without, and why.
FORBIDDEN = (
    (re.compile(r"libstdc\+\+\.a\(chrono\.o\)$"),
     "std::chrono's clocks, which read gettimeofday in this runtime: count time with MonotonicMs"),
    (re.compile(r"libmingwex\.a\([^)]*gettimeofday\.o\)$"), "gettimeofday, the wall clock: count time with MonotonicMs"),
    (re.compile(r"\([^)]*clock_gettime[^)]*\.o\)$"), "clock_gettime, whose clocks are the wall clock here"),
    (re.compile(r"libgcc(_eh)?\.a\(emutls\.o\)$"),
     "emulated thread-local storage, whose lock no unload frees: a __thread variable?"),
    (re.compile(r"libgcc(_eh|_s)?\.a\(unwind-(dw2[^)]*|seh|sjlj)\.o\)$"),
     "the unwinder, which a host that loaded MinGW's shared libgcc leaves without the DLL's tables"),
    (re.compile(r"lib(std|sup)c\+\+\.a\(eh_[^)]*\.o\)$"),
     "the C++ exception support: the plug-in throws nothing, so something that throws or catches was linked"),
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
        print("the DLL takes in what it must do without:")
        for line in found:
            print("  " + line)
        return 1
    print("neither the wall clock, emulated thread-local storage, the unwinder nor the exception support linked in "
          "(%d archive members checked)" % len(pairs))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
