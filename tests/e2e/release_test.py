#!/usr/bin/env python3
"""Checks the release as a person on Windows gets it, and as anyone rebuilds it:
- the Windows zip, unpacked into a fresh Wine prefix under C:\\Mis documentos\\Año 2026\\KAL: every example runs from
  there with its case's answers and leaves its case's files; kalcheck.exe, kalpack.exe and kalbd.exe say the
  version, kalcheck.exe finds an error planted in a copy of an example, and kalpack.exe makes a program of one;
- the same sources built again in another folder (one with a blank and an accent) give zips of the same SHA-256;
- with a throwaway certificate the programs, those in the editor package too, come out signed, osslsigncode
  verifies them, and they still run.
The release is made from the builds tools/build.sh left (once), and from one more build in the other folder.

Usage: release_test.py BOX_TEXT.EXE   (the driver's helper, from the Windows build)
"""
import hashlib
import os
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import report
from cases import parse_case
from driver import check, screen_checks

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from wine_session import WineSession  # noqa: E402

VERSION = subprocess.run([sys.executable, "-c", "import sys; sys.path.insert(0, 'tools'); import make_release; "
                          "print(make_release.version())"], cwd=ROOT, capture_output=True, text=True).stdout.strip()


def release(source, out, env=None):
    subprocess.run([sys.executable, str(source / "tools" / "make_release.py"), str(out)], cwd=source, check=True,
                   env=env, stdout=subprocess.DEVNULL)
    return {line.split()[1]: line.split()[0] for line in (out / "SHA256SUMS").read_text().splitlines()}


def rebuilt(work, env):
    """The sources as they stand, copied into another folder and built there: the release's sums."""
    copy = work / "otra carpeta" / "kalé"
    listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT,
                            capture_output=True, check=True).stdout.split(b"\0")
    for name in filter(None, listed):
        source = ROOT / name.decode()
        if source.is_file():
            (copy / name.decode()).parent.mkdir(parents=True, exist_ok=True)
            (copy / name.decode()).write_bytes(source.read_bytes())
            (copy / name.decode()).chmod(source.stat().st_mode & 0o777)
    for modules in ("web/node_modules", "editors/vscode-kal/node_modules"):  # as npm ci would make them
        subprocess.run(["cp", "-al", str(ROOT / modules), str(copy / modules)], check=True)
    quiet = dict(stdout=subprocess.DEVNULL, check=True, cwd=copy, env=env)
    subprocess.run(["cmake", "--preset", "windows"], **quiet)
    subprocess.run(["cmake", "--build", "--preset", "windows", "--target", "KAL", "kalcheck", "kalpack", "kalbd",
                    "kaldebug"],
                   **quiet)
    subprocess.run(["tools/web.sh", "--build-only"], **quiet)
    subprocess.run(["cmake", "--preset", "native", "-DKAL_TESTS=OFF"], **quiet)
    subprocess.run(["cmake", "--build", "--preset", "native", "--target", "kalcheck"], **quiet)
    return release(copy, work / "dist-b", env)


def differing(a, b):
    """The entries of two zips (and of the zips inside them) whose bytes differ, to say where a build is not
    reproducible."""
    with zipfile.ZipFile(a) as za, zipfile.ZipFile(b) as zb:
        names = sorted(set(za.namelist()) | set(zb.namelist()))
        out = []
        for name in names:
            one = za.read(name) if name in za.namelist() else None
            two = zb.read(name) if name in zb.namelist() else None
            if one == two:
                continue
            if name.endswith(".vsix") and one and two:
                with tempfile.TemporaryDirectory() as tmp:
                    (Path(tmp) / "a").write_bytes(one)
                    (Path(tmp) / "b").write_bytes(two)
                    inside = differing(Path(tmp) / "a", Path(tmp) / "b")
                    out += [name + "!" + inner for inner in inside] or [name + " (its entries' order or times)"]
            else:
                out.append(name)
        return out


def unpacked(zip_path, folder):
    with zipfile.ZipFile(zip_path) as z:
        for item in z.infolist():
            name = item.filename.split("/", 1)[1]
            if not name or item.is_dir():
                (folder / name).mkdir(parents=True, exist_ok=True)
            else:
                (folder / name).parent.mkdir(parents=True, exist_ok=True)
                (folder / name).write_bytes(z.read(item))


def on_windows(work, zip_path, box_text, failures):
    """The examples and the tools from the unpacked download, in a fresh prefix."""
    session = WineSession(work / "wine")
    session.box_text_from = Path(box_text)
    try:
        folder = session.prefix / "drive_c" / "Mis documentos" / "Año 2026" / "KAL"
        unpacked(zip_path, folder)
        cases = ROOT / "tests" / "cases"
        for expect in sorted((cases / "examples").glob("*.expect")):
            case = parse_case(expect, cases)
            events, code, problems = session.run(case.launch(), folder, folder / "KAL.exe",
                                                 before_answer=screen_checks(case))
            failures += [f"{case.name} from the unpacked folder: {f}"
                         for f in check(case, folder, events, code, problems, 0, "wine")]
        env = dict(os.environ, WINEDEBUG="-all")
        for tool in ("kalcheck", "kalpack", "kalbd"):
            said = subprocess.run(["wine", f"{tool}.exe", "--version"], cwd=folder, env=env, capture_output=True,
                                  timeout=300).stdout.replace(b"\r\n", b"\n").decode()
            if said != f"{tool} {VERSION}\n":
                failures.append(f"{tool}.exe --version said {said!r}")
        (folder / "copia.txt").write_bytes((folder / "saludo.txt").read_bytes().replace(b".aviso", b".avisso", 1))
        got = subprocess.run(["wine", "kalcheck.exe", "copia.txt"], cwd=folder, env=env, capture_output=True,
                             timeout=300)
        if got.returncode != 1 or b"avisso" not in got.stdout:
            failures.append(f"kalcheck.exe on a planted error: exit {got.returncode}, {got.stdout!r}")
        # kalpack.exe finds KAL.exe and kalcheck.exe beside it, as the download has them.
        got = subprocess.run(["wine", "kalpack.exe", "saludo.txt"], cwd=folder, env=env, capture_output=True,
                             timeout=300)
        if got.returncode != 0 or (folder / "saludo.exe").read_bytes()[-len(b".fin;\r\n"):] != b".fin;\r\n":
            failures.append(f"kalpack.exe on an example: exit {got.returncode}, {got.stdout!r} {got.stderr!r}")
    finally:
        session.close()


def signed(work, env, failures):
    """A release signed with a throwaway certificate: verified, and its programs still run."""
    key, cert, bundle = work / "clave.pem", work / "cert.pem", work / "cert.p12"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key), "-out",
                    str(cert), "-days", "2", "-subj", "/CN=KAL prueba"], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(cert), "-out", str(bundle),
                    "-passout", "pass:secreta"], check=True, capture_output=True)
    release(ROOT, work / "dist-signed", dict(env, KAL_SIGN_PKCS12=str(bundle), KAL_SIGN_PASSWORD="secreta"))
    folder = work / "signed"
    unpacked(work / "dist-signed" / f"KAL-{VERSION}-windows.zip", folder)
    # The editor package's programs are signed too: the debug adapter travels only there.
    with zipfile.ZipFile(folder / "editores" / "kal.vsix") as vsix:
        for name in ("kalcheck.exe", "kaldebug.exe"):
            (folder / ("vsix-" + name)).write_bytes(vsix.read("extension/server/" + name))
    for name in ("KAL.exe", "kalcheck.exe", "kalpack.exe", "kalbd.exe", "vsix-kalcheck.exe", "vsix-kaldebug.exe"):
        got = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(folder / name)],
                             capture_output=True, text=True)
        if got.returncode != 0:
            failures.append(f"{name} signed but not verified: {got.stdout[-300:]}")
    said = subprocess.run(["wine", str(folder / "kalcheck.exe"), "--version"], capture_output=True, timeout=300,
                          env=dict(os.environ, WINEDEBUG="-all", WINEPREFIX=str(work / "wine" / "prefix")))
    if said.stdout.replace(b"\r\n", b"\n").decode() != f"kalcheck {VERSION}\n":
        failures.append(f"the signed kalcheck.exe said {said.stdout!r}")


def main():
    failures = []
    epoch = subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=ROOT, capture_output=True, text=True).stdout
    env = dict(os.environ, SOURCE_DATE_EPOCH=epoch.strip() or "1765152000")
    with tempfile.TemporaryDirectory(prefix="kal-release-") as tmp:
        work = Path(tmp)
        here = release(ROOT, work / "dist-a", env)
        windows_zip = work / "dist-a" / f"KAL-{VERSION}-windows.zip"
        size = windows_zip.stat().st_size
        if size > 3 * 1024 * 1024:
            failures.append(f"the Windows zip is {size} bytes, over 3 MB")
        on_windows(work, windows_zip, sys.argv[1], failures)
        signed(work, env, failures)
        there = rebuilt(work, env)
        if there != here:
            failures.append(f"built in another folder, the zips differ: {here} and {there}; in the Windows zip: "
                            f"{differing(windows_zip, work / 'dist-b' / windows_zip.name)}")
        for name, digest in here.items():
            if hashlib.sha256((work / "dist-a" / name).read_bytes()).hexdigest() != digest:
                failures.append(f"SHA256SUMS is wrong for {name}")
    return report.finish("release", failures)


if __name__ == "__main__":
    sys.exit(main())
