#!/usr/bin/env python3
"""Where the bytes of a linked DLL come from, read from GNU ld's link map
(-Wl,-Map). Used by scripts/bench; runnable on its own:

  scripts/linkmap.py <map> [<dll>]   the parts, and the largest members

Only sections that stay in a stripped image are counted (no .debug_*, no
.bss, whose bytes are not in the file). Each input section is charged to the
object or archive member it came from; what no input section accounts for
(PE headers, base relocations, the padding of each section to the file
alignment) is the linker's own."""

import collections
import os
import re
import sys

# Output sections whose bytes are in the file after stripping.
KEPT_SECTIONS = (".text", ".data", ".rdata", ".eh_frame", ".pdata", ".xdata", ".edata", ".idata", ".CRT",
                 ".tls", ".rsrc", ".reloc")

RUNTIME = ("libstdc++.a", "libsupc++.a", "libgcc.a", "libgcc_eh.a", "crtbegin.o", "crtend.o")
CRT = ("dllcrt2.o", "crt2.o", "libmingw32.a", "libmingwex.a", "libmoldname.a", "libmsvcrt.a")
THREADS = ("libpthread.a", "libwinpthread.a")

_OUTPUT = re.compile(r"^(\.[\w$.]+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+))?")
_INPUT = re.compile(r"^ (\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+))?$")
_CONTINUED = re.compile(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")
_FILL = re.compile(r"^ \*fill\*\s+0x[0-9a-f]+\s+0x([0-9a-f]+)")


def split_origin(origin):
    """'/x/libstdc++.a(cow-stdexcept.o)' -> ('libstdc++.a', 'cow-stdexcept.o')."""
    match = re.match(r"^(.*)\((.*)\)$", origin)
    if match:
        return os.path.basename(match.group(1)), match.group(2)
    return os.path.basename(origin), ""


LINKER = "linker (headers, relocations, alignment)"


def part_of(origin):
    archive, member = split_origin(origin)
    if not origin.startswith("/"):
        # Relative to the build tree: our objects and libraries; anything
        # else ("dll stuff", the export and relocation tables) is the linker's.
        return "ours" if member or archive.endswith((".obj", ".o", ".res")) else LINKER
    if archive in RUNTIME:
        return "C++ runtime"
    if archive in THREADS:
        return "winpthread"
    if archive in CRT:
        return "mingw-w64 CRT"
    if archive.startswith("lib") and archive.endswith(".a"):
        return "import tables"
    return "other"


def read_map(path):
    """Returns {origin: bytes} over the sections that stay in the file, and
    the padding the linker inserted between input sections."""
    sizes = collections.Counter()
    fill = 0
    with open(path, errors="replace") as lines:
        text = lines.read()
    body = text.split("Linker script and memory map", 1)[1]
    section = None
    pending = None  # an input section name whose numbers are on the next line
    for line in body.splitlines():
        output = _OUTPUT.match(line)
        if output:
            section = output.group(1)
            pending = None
            continue
        if section is None or not section.startswith(KEPT_SECTIONS):
            continue
        if section.startswith(".bss"):
            continue
        filled = _FILL.match(line)
        if filled:
            fill += int(filled.group(1), 16)
            continue
        if pending is not None:
            continued = _CONTINUED.match(line)
            pending = None
            if continued:
                sizes[continued.group(3).strip()] += int(continued.group(2), 16)
                continue
        match = _INPUT.match(line)
        if not match or match.group(1).startswith("*"):
            continue
        if match.group(2) is None:
            pending = match.group(1)
            continue
        if match.group(1).startswith(".bss") or match.group(1) == "COMMON":
            continue
        sizes[match.group(4).strip()] += int(match.group(3), 16)
    return sizes, fill


def breakdown(map_path, file_size=None):
    """{part: bytes} with the linker's own share as the rest of file_size,
    and the largest members of the C++ runtime."""
    sizes, _ = read_map(map_path)
    parts = collections.Counter()
    members = collections.Counter()
    for origin, size in sizes.items():
        part = part_of(origin)
        parts[part] += size
        if part == "C++ runtime":
            archive, member = split_origin(origin)
            members["%s(%s)" % (archive, member) if member else archive] += size
    if file_size is not None:
        parts[LINKER] += file_size - sum(parts.values())
    return parts, members


def print_breakdown(map_path, file_size=None, top=8, indent=""):
    parts, members = breakdown(map_path, file_size)
    order = ["ours", "C++ runtime", "winpthread", "mingw-w64 CRT", "import tables", "other", LINKER]
    for part in order:
        if parts.get(part):
            print("%s%-42s %9d bytes" % (indent, part, parts[part]))
    if top and members:
        print("%slargest parts of the C++ runtime:" % indent)
        for member, size in members.most_common(top):
            print("%s  %-40s %9d bytes" % (indent, member, size))


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip())
        return 2
    file_size = os.path.getsize(argv[2]) if len(argv) == 3 else None
    print_breakdown(argv[1], file_size, top=15)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
