#!/usr/bin/env python3
"""Packs files into a zip whose bytes depend only on the files' contents, their
order and the given moment: each entry is named by the file's bare name, in the
order given, dated at that moment (DOS time, UTC, no earlier than 1980) and
marked as an ordinary readable file, whoever packs it, wherever and whenever.

  pack_zip.py <seconds since 1970> <zip> <file>..."""
import os
import sys
import time
import zipfile

EARLIEST = (1980, 1, 1, 0, 0, 0)  # the first moment a zip entry can carry
UNIX = 3  # "made by" system: the mode below is a Unix one


def entry(path, seconds):
    info = zipfile.ZipInfo(os.path.basename(path), max(EARLIEST, time.gmtime(seconds)[:6]))
    info.create_system = UNIX
    info.external_attr = 0o100644 << 16  # a plain file, rw-r--r--
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main(seconds, output, *paths):
    with zipfile.ZipFile(output + ".tmp", "w") as archive:
        for path in paths:
            with open(path, "rb") as file:
                archive.writestr(entry(path, int(seconds)), file.read(), compresslevel=9)
    os.replace(output + ".tmp", output)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
