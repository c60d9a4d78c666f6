#!/usr/bin/env python3
"""Makes the release's files in OUT from the builds tools/release.sh made: KAL-<version>-windows.zip (a folder
that works where it is unzipped: KAL.exe with the examples beside it, kalcheck.exe, kalpack.exe and kalbd.exe, the
guides as offline pages, the editor files, LEAME.txt, the licence, the notices and the changelog), KAL-<version>-web.zip
(the browser page as static files) and SHA256SUMS. Zips are made the same way every time: entries sorted, the
time of SOURCE_DATE_EPOCH, fixed permissions, so the same commit gives the same bytes.

With KAL_SIGN_PKCS12 (a PKCS#12 file) and KAL_SIGN_PASSWORD in the environment, the programs are signed with
osslsigncode before they are zipped; without them the release is unsigned, and says so.

Usage: make_release.py OUT
"""
import hashlib
import io
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

from sign import sign

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build"
PROGRAMS = ("KAL.exe", "kalcheck.exe", "kalpack.exe", "kalbd.exe")

LEAME = """KAL {version}
==========

Para empezar: haga doble clic en KAL.exe y elija un ejemplo (por ejemplo saludo.txt). También puede arrastrar un
programa sobre KAL.exe, o escribir en una consola: KAL.exe programa.txt

Los ficheros de un programa (los que lee, los que escribe y sus bases de datos) están en la carpeta de KAL.exe, no en
la del programa: guarde sus programas y sus datos aquí, junto a KAL.exe. No cambie el nombre de KAL.exe: con otro
nombre, se lo devuelve y termina.

- guia.html: la guía del lenguaje (guide.html en inglés), para leer sin conexión.
- kalcheck.exe programa.txt: dice los problemas de un programa sin ejecutarlo.
- kalpack.exe programa.txt: hace programa.exe, un solo programa para quien no tiene KAL, que hace lo mismo que
  KAL.exe programa.txt y se puede llamar como se quiera (la guía, apartado 12, dice cómo).
- kalbd.exe: crea y lista bases de datos (kalbd.exe sin nada dice cómo).
- editores\\kal.vsix: KAL en Visual Studio Code, con el depurador (F5 en un programa); editores\\KAL.xml: el
  lenguaje para Notepad++.
- CHANGELOG.md: lo nuevo de cada versión; LICENSE.txt y NOTICES.txt: las licencias.
{signed_es}

KAL {version} (English)
--------------------

To start: double-click KAL.exe and choose an example (saludo.txt, say). You can also drop a script on KAL.exe, or
type in a console: KAL.exe script.txt

A script's files (those it reads, those it writes and its databases) are in the folder of KAL.exe, not in the
script's: keep your scripts and their data here, beside KAL.exe. Do not rename KAL.exe: under another name it takes
its name back and ends.

- guide.html: the language guide (guia.html in Spanish), to read offline.
- kalcheck.exe script.txt: tells a script's problems without running it.
- kalpack.exe script.txt: makes script.exe, one program for someone without KAL, which does what KAL.exe script.txt
  does and may be given any name (the guide, section 12, says how).
- kalbd.exe: creates and lists databases (kalbd.exe alone says how).
- editores\\kal.vsix: KAL in Visual Studio Code, with the debugger (F5 on a script); editores\\KAL.xml: the
  language for Notepad++.
- CHANGELOG.md: what is new in each version; LICENSE.txt and NOTICES.txt: the licences.
{signed_en}
"""


def version():
    """The one version number, as CMakeLists.txt sets it."""
    m = re.search(r"project\(KAL VERSION (\d+\.\d+\.\d+)", (ROOT / "CMakeLists.txt").read_text())
    return m.group(1)


def epoch():
    """The release's one time: SOURCE_DATE_EPOCH, else the first time a zip can hold."""
    return max(int(os.environ.get("SOURCE_DATE_EPOCH", "315532800")), 315532800)


def zip_time():
    return time.gmtime(epoch())[:6]  # a zip's dates start in 1980


def entry(name):
    """A zip entry with the release's fixed time and permissions; folders are the names ending in "/"."""
    info = zipfile.ZipInfo(name, zip_time())
    info.create_system = 3  # the permissions below are Unix's
    folder = name.endswith("/")
    info.external_attr = ((0o40755 if folder else 0o100644) << 16) | (0x10 if folder else 0)
    info.compress_type = zipfile.ZIP_STORED if folder else zipfile.ZIP_DEFLATED
    return info


def write_zip(path, files):
    """files: {name in the zip: bytes}, written in name order."""
    with zipfile.ZipFile(path, "w") as z:
        for name in sorted(files):
            z.writestr(entry(name), files[name], compresslevel=9)


def tree(folder, prefix):
    """A folder's files and subfolders as zip entries under prefix."""
    entries = {}
    for path in sorted(folder.rglob("*")):
        name = prefix + path.relative_to(folder).as_posix()
        entries[name + "/" if path.is_dir() else name] = b"" if path.is_dir() else path.read_bytes()
    return entries


def sorted_content_types(xml):
    """The package's list of file kinds, which the packager writes in the order it first meets each kind, in name
    order."""
    text = xml.decode("utf-8")
    kinds = re.findall(r"<Default [^>]*/>", text)
    start, end = text.find(kinds[0]), text.rfind(kinds[-1]) + len(kinds[-1])
    return (text[:start] + "".join(sorted(kinds)) + text[end:]).encode("utf-8")


def same_bytes_zip(data):
    """A zip (the editor package) made again with the release's fixed times. The packager lists a folder's files
    in the order the file system gives them, which differs from folder to folder: they go in name order, after the
    top-level files in theirs (the manifest first, as packagers write it), and the list of file kinds likewise."""
    out = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(data)) as source, zipfile.ZipFile(out, "w") as z:
        def place(item):
            inside = "/" in item.filename
            return inside, item.filename if inside else ""

        for item in sorted(source.infolist(), key=place):
            data = source.read(item)
            if item.filename == "[Content_Types].xml":
                data = sorted_content_types(data)
            z.writestr(entry(item.filename), data, compresslevel=9)
    return out.getvalue()


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def licences(lock, label):
    """The licence texts of the packages a package lock names for running (not for building), by package."""
    packages = json.loads(lock.read_text())["packages"]
    out = []
    for key, entry in sorted(packages.items()):
        if not key or entry.get("dev"):
            continue
        folder = lock.parent / key
        files = sorted(p for p in folder.iterdir() if re.match(r"(?i)licen[cs]e|copying", p.name))
        text = files[0].read_text(errors="replace").strip() if files else f"License: {entry.get('license')}"
        name = key.split("node_modules/")[-1]
        out.append(f"{name} {entry.get('version', '')} ({label})\n\n{text}")
    return out


def notices():
    """What the programs, the page and the editor package carry from others, with their licences, taken from the
    packages they come from."""
    parts = ["KAL carries code from others. Their licences follow, each after the name of what carries it.\n"
             "KAL lleva código de otros. Sus licencias siguen, cada una tras el nombre de lo que la lleva."]
    for title, copyright_file in (
            ("The MinGW-w64 runtime and winpthreads, in KAL.exe, kalcheck.exe, kalpack.exe and kalbd.exe",
             "/usr/share/doc/mingw-w64-common/copyright"),
            ("libstdc++ and libgcc (GCC, with the GCC Runtime Library Exception), in KAL.exe, kalcheck.exe, "
             "kalpack.exe and kalbd.exe", "/usr/share/doc/gcc-mingw-w64-base/copyright"),
            ("nlohmann-json, in kalcheck.exe and the page", "/usr/share/doc/nlohmann-json3-dev/copyright"),
            ("Emscripten's runtime, in the page (kal.js)", "/usr/share/doc/emscripten/copyright")):
        parts.append(f"{title}\n\n{Path(copyright_file).read_text(errors='replace').strip()}")
    parts += licences(ROOT / "web" / "package-lock.json", "in the page")
    parts += licences(ROOT / "editors" / "vscode-kal" / "package-lock.json", "in editores/kal.vsix")
    return crlf(("\n\n" + "=" * 78 + "\n\n").join(parts) + "\n").encode("utf-8")


def main():
    out = Path(sys.argv[1])
    v = version()
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        stage = Path(tmp)
        programs = []
        for name in PROGRAMS + ("kaldebug.exe",):
            programs.append(stage / name)
            # strip stamps the header with SOURCE_DATE_EPOCH, else with the present time.
            subprocess.run(["x86_64-w64-mingw32-strip", "-o", str(stage / name), str(BUILD / "windows" / name)],
                           check=True, env=dict(os.environ, SOURCE_DATE_EPOCH=str(epoch())))
        signed = sign(programs)
        # The debug adapter travels only inside the editor's package, beside the language server.
        debugger = programs.pop()
        top = f"KAL-{v}/"
        files = {top: b""}
        files.update({top + p.name: p.read_bytes() for p in programs})
        files.update(tree(ROOT / "examples", top))
        guides = stage / "guides"
        subprocess.run(["node", str(ROOT / "web" / "guides.mjs"), str(guides), ""], check=True)
        files.update(tree(guides, top))
        vsix = stage / "kal.vsix"
        subprocess.run([str(ROOT / "editors" / "vscode-kal" / "make_vsix.sh"), str(vsix),
                        str(BUILD / "native" / "kalcheck"), str(programs[1]), str(debugger), "--windows-only"],
                       check=True, stdout=subprocess.DEVNULL)
        files[top + "editores/"] = b""
        files[top + "editores/kal.vsix"] = same_bytes_zip(vsix.read_bytes())
        files[top + "editores/KAL.xml"] = (ROOT / "editors" / "notepad++" / "KAL.xml").read_bytes()
        said = ("Los programas están firmados." if signed else "Esta versión no está firmada.",
                "The programs are signed." if signed else "This release is not signed.")
        leame = LEAME.format(version=v, signed_es=said[0], signed_en=said[1])
        files[top + "LEAME.txt"] = b"\xef\xbb\xbf" + crlf(leame).encode("utf-8")
        files[top + "LICENSE.txt"] = crlf((ROOT / "LICENSE").read_text()).encode("utf-8")
        files[top + "CHANGELOG.md"] = (ROOT / "CHANGELOG.md").read_bytes()
        files[top + "NOTICES.txt"] = notices()
        windows = out / f"KAL-{v}-windows.zip"
        write_zip(windows, files)
        web_top = f"KAL-{v}-web/"
        web = out / f"KAL-{v}-web.zip"
        write_zip(web, {web_top: b"", **tree(BUILD / "web" / "site", web_top),
                        web_top + "LICENSE.txt": files[top + "LICENSE.txt"], web_top + "NOTICES.txt": files[top + "NOTICES.txt"]})
    sums = "".join(f"{hashlib.sha256(p.read_bytes()).hexdigest()}  {p.name}\n" for p in (windows, web))
    (out / "SHA256SUMS").write_text(sums)
    for p in (windows, web):
        print(f"{p} ({p.stat().st_size} bytes)")
    print("signed" if signed else "unsigned: set KAL_SIGN_PKCS12 and KAL_SIGN_PASSWORD to sign the programs")
    return 0


if __name__ == "__main__":
    sys.exit(main())
