#!/usr/bin/env python3
"""Checks the Windows programs' resources with a PE reader of its own (Debian's python3-pefile), not KAL's code:
each of KAL.exe, kalcheck.exe and kalbd.exe carries the manifest (type 24, id 1) that asks for common controls 6,
Windows 7 to 11 and no elevation, KAL.exe's also for GDI scaling without awareness of display scaling; the version
strings are the project's; and KAL.exe's icon has the sizes Windows uses, 16 to 256 pixels.

With KALPACK, also the resources of a program it packs from KAL.exe.

Usage: resources_test.py WINDOWS_BUILD_DIR VERSION [KALPACK]
"""
import subprocess
import sys
import tempfile
import zlib
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
    failures += packed_program(folder, Path(sys.argv[3])) if len(sys.argv) > 3 else []
    return report.finish("resources", failures)


def packed_program(folder, kalpack):
    """A program kalpack makes: KAL.exe's manifest and icon (or the icon given), a version resource with the
    script's description and version, a valid checksum, the script after the image as written, the same bytes
    from the same inputs, and at most KAL.exe plus the script plus 16 KB."""
    failures = []
    kal = pefile.PE(str(folder / "KAL.exe"))
    script = ".codigo;\r\n&t := ~Factura_de_diciembre;\r\n.aviso &t;\r\n.fin;\r\n".encode("cp1252")
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        (work / "factura.txt").write_bytes(script)
        made = []
        for n, extra in enumerate(([], [], ["--icono", str(folder / "resources" / "kal.ico")])):
            (work / str(n)).mkdir()
            out = work / str(n) / "Factura 2026.exe"
            subprocess.run([str(kalpack), "--kal", str(folder / "KAL.exe"), "--descripcion", "Facturación",
                            "--version", "2.1.3", "--salida", str(out), *extra, str(work / "factura.txt")],
                           check=True, capture_output=True, timeout=120)
            made.append(out.read_bytes())
        if made[0] != made[1]:
            failures.append("two packs of one script differ")
        pe = pefile.PE(data=made[0])
        strings = {}
        for info in getattr(pe, "FileInfo", [[]])[0]:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode(): v.decode("utf-8") for k, v in table.entries.items()})
        want = {"FileDescription": "Facturación", "FileVersion": "2.1.3", "ProductVersion": "2.1.3",
                "OriginalFilename": "Factura 2026.exe", "ProductName": "Facturación"}
        if {k: strings.get(k) for k in want} != want or pe.VS_FIXEDFILEINFO[0].FileVersionMS != 0x20001:
            failures.append(f"the packed program's version strings {strings}")
        if resource(pe, RT_MANIFEST, 1) != resource(kal, RT_MANIFEST, 1) or \
                resource(pe, RT_GROUP_ICON) != resource(kal, RT_GROUP_ICON):
            failures.append("the packed program's manifest or icon is not KAL.exe's")
        ico = (folder / "resources" / "kal.ico").read_bytes()
        icon = resource(pefile.PE(data=made[2]), RT_ICON, 1)
        if icon != ico[int.from_bytes(ico[18:22], "little"):][:int.from_bytes(ico[14:18], "little")]:
            failures.append("the icon given is not the packed program's first icon image")
        if not pe.verify_checksum():
            failures.append("the packed program's checksum is wrong")
        if pe.get_overlay() != b"KALPACK1" + len(script).to_bytes(8, "little") + \
                zlib.crc32(script).to_bytes(4, "little") + bytes(4) + script:
            failures.append(f"what follows the image is not the script behind its header: {pe.get_overlay()[:40]!r}")
        kal_size = (folder / "KAL.exe").stat().st_size
        if len(made[0]) > kal_size + len(script) + 16 * 1024:
            failures.append(f"the packed program is {len(made[0])} bytes, KAL.exe {kal_size}")
    return failures


if __name__ == "__main__":
    sys.exit(main())
