#!/usr/bin/env python3
"""Checks the Windows programs' resources with a PE reader of its own (Debian's python3-pefile), not KAL's code:
each of KAL.exe, kalcheck.exe and kalbd.exe carries the manifest (type 24, id 1) that asks for common controls 6,
Windows 7 to 11 and no elevation, KAL.exe's also for GDI scaling without awareness of display scaling; the version
strings are the project's; and KAL.exe's icon has the sizes Windows uses, 16 to 256 pixels.

Usage: resources_test.py WINDOWS_BUILD_DIR VERSION
"""
import sys
from pathlib import Path

import pefile

import report

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def resource(pe, kind, ident=None):
    """The bytes of the first resource of a type (and id)."""
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for named in entry.directory.entries:
            if ident is None or named.id == ident:
                data = named.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def main():
    folder, version = Path(sys.argv[1]), sys.argv[2]
    failures = []
    for name in ("KAL", "kalcheck", "kalbd"):
        pe = pefile.PE(str(folder / f"{name}.exe"))
        manifest = (resource(pe, RT_MANIFEST, 1) or b"").decode("utf-8", errors="replace")
        wanted = ['name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', 'level="asInvoker"',
                  "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                  ">false</dpiAware>", ">true</gdiScaling>"]
        for w in wanted:
            if w not in " ".join(manifest.split()):
                failures.append(f"{name}.exe: the manifest lacks {w}")
        strings = {}
        for info in getattr(pe, "FileInfo", [[]])[0]:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        for key in ("FileVersion", "ProductVersion"):
            if strings.get(key) != version:
                failures.append(f"{name}.exe: {key} is {strings.get(key)!r}, the project's version is {version}")
        if strings.get("ProductName") != "KAL" or strings.get("OriginalFilename") != f"{name}.exe":
            failures.append(f"{name}.exe: version strings {strings}")
    group = resource(pefile.PE(str(folder / "KAL.exe")), RT_GROUP_ICON)
    sizes = sorted((group[6 + 14 * i] or 256) for i in range(int.from_bytes(group[4:6], "little"))) if group else []
    for size in (16, 24, 32, 48, 256):
        if size not in sizes:
            failures.append(f"KAL.exe's icon has no {size} x {size} image (it has {sizes})")
    return report.finish("resources", failures)


if __name__ == "__main__":
    sys.exit(main())
