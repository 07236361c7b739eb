#!/usr/bin/env python3
"""Checks the built plug-in as the player and a plain Windows machine see it:
a DLL of the build's architecture (PE32 i386 for what ships, PE32+ x86-64
for the test twin) with exactly one export by name, importing only Windows
system DLLs, with a version resource.

The plug-in needs Windows Vista (6.0): it imports GetTickCount64, SRW locks
and condition variables. Its header says so (the OS and subsystem
versions), and it imports none of the functions below, which later Windows
versions brought and which the toolchain's libraries could pull in.

  check_dll_tables.py <dll> [i686|x86_64]"""
import re
import subprocess
import sys

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ws2_32.dll", "comctl32.dll", "shell32.dll",
    "advapi32.dll", "msvcrt.dll", "ole32.dll", "msimg32.dll",
}
EXPORT = "winampGetGeneralPurposePlugin"
MINIMUM_WINDOWS = (6, 0)  # Vista
NEWER_THAN_VISTA = {
    "TryAcquireSRWLockExclusive": "Windows 7", "TryAcquireSRWLockShared": "Windows 7",
    "RaiseFailFastException": "Windows 7", "GetLogicalProcessorInformationEx": "Windows 7",
    "QueryUnbiasedInterruptTime": "Windows 7", "K32GetProcessMemoryInfo": "Windows 7",
    "K32EnumProcessModules": "Windows 7", "CreateRemoteThreadEx": "Windows 7",
    "ChangeWindowMessageFilterEx": "Windows 7",
    "GetSystemTimePreciseAsFileTime": "Windows 8", "WaitOnAddress": "Windows 8",
    "WakeByAddressSingle": "Windows 8", "WakeByAddressAll": "Windows 8",
    "GetCurrentThreadStackLimits": "Windows 8", "CreateFile2": "Windows 8",
    "AddDllDirectory": "Windows 8", "SetDefaultDllDirectories": "Windows 8",
    "GetAddrInfoExCancel": "Windows 8",
    "SetThreadDescription": "Windows 10", "GetThreadDescription": "Windows 10",
    "GetDpiForWindow": "Windows 10", "GetSystemMetricsForDpi": "Windows 10",
    "AdjustWindowRectExForDpi": "Windows 10", "SetProcessDpiAwarenessContext": "Windows 10",
}
# architecture: (objdump of its toolchain, the image format objdump names)
ARCHITECTURES = {
    "i686": ("i686-w64-mingw32-objdump", "pei-i386"),
    "x86_64": ("x86_64-w64-mingw32-objdump", "pei-x86-64"),
}


def main(path, architecture="i686"):
    objdump, image_format = ARCHITECTURES[architecture]
    dump = subprocess.run([objdump, "-p", path], check=True,
                          capture_output=True, text=True, errors="replace").stdout
    failures = []
    if "file format %s" % image_format not in dump:
        failures.append("not a %s image" % image_format)
    if not re.search(r"^Characteristics .*\n(?:\t.*\n)*\tDLL", dump, re.M):
        failures.append("not marked as a DLL")

    imports = sorted({m.lower() for m in re.findall(r"^\tDLL Name: (\S+)", dump, re.M)})
    foreign = [name for name in imports if name not in SYSTEM_DLLS]
    if foreign:
        failures.append("imports non-system DLLs: %s" % ", ".join(foreign))
    functions = set(re.findall(r"^\t[0-9a-f]+\s+\d+\s+(\S+)$", dump, re.M))
    newer = sorted("%s (%s)" % (name, NEWER_THAN_VISTA[name]) for name in functions & NEWER_THAN_VISTA.keys())
    if not functions:
        failures.append("no imported functions found in the dump")
    if newer:
        failures.append("imports functions newer than Windows Vista: %s" % ", ".join(newer))
    for field, name in (("OSystem", "OS"), ("Subsystem", "subsystem")):
        version = tuple(int(re.search(r"^%s%sVersion\t(\d+)" % (part, field), dump, re.M).group(1))
                        for part in ("Major", "Minor"))
        if version != MINIMUM_WINDOWS:
            failures.append("the header's %s version is %d.%d, the plug-in needs %d.%d"
                            % (name, *version, *MINIMUM_WINDOWS))

    export_table = dump.split("[Ordinal/Name Pointer] Table", 1)
    names = re.findall(r"^\t\[\s*\d+\] (\S+)", export_table[1], re.M) if len(export_table) == 2 else []
    if names != [EXPORT]:
        failures.append("exports by name %r, expected exactly [%r]" % (names, EXPORT))
    counts = re.search(r"^Export Address Table -- Ordinal Base \d+\n((?:\t\[.*\n)*)", dump, re.M)
    addresses = len(counts.group(1).splitlines()) if counts else -1
    if addresses != 1:
        failures.append("export address table has %d entries (ordinal-only exports?)" % addresses)

    image = open(path, "rb").read()
    for key in ("VS_VERSION_INFO", "ProductName", "FileVersion", "FileDescription"):
        if key.encode("utf-16-le") not in image:
            failures.append("version resource lacks %s" % key)

    print("imports: %s (%d functions)" % (", ".join(imports), len(functions)))
    print("exports: " + ", ".join(names))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
