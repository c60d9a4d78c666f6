#!/usr/bin/env python3
"""Checks kalpack as a person uses it, and the programs it makes as Windows runs them (under Wine):
- a script with an error is refused with every problem as the kalcheck beside kalpack prints it and nothing
  written (without a kalcheck, nothing either); a warning is shown and the program made, by default as SCRIPT.exe
  beside the script; a script, KAL.exe or icon it cannot
  read, or a version it cannot write, is refused with a clear message and writes nothing;
- kalpack.exe under Wine makes the same bytes as the native kalpack;
- the program, renamed and started from another folder, runs its script there (its files beside it), and its own
  script even when another is named on its command line; signed with a throwaway certificate it verifies and
  still runs; cut short, it shows its "Programador" box and ends.

Usage: kalpack_test.py KALPACK KALPACK.EXE KAL.EXE
"""
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import report

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from run_steps import OK, Launch  # noqa: E402
from sign import sign  # noqa: E402
from wine_session import WineSession  # noqa: E402

SCRIPT = ".codigo;\r\n&f := ~hecho.txt;\r\n&t := ~Facturado;\r\n&c := 0;\r\n&r := %WOUT &f &t &c;\r\n" \
         ".aviso &t;\r\n.fin;\r\n"
DAMAGED = ("Este programa está dañado: le falta una parte o ha cambiado desde que se creó. Vuelva a crearlo con "
           "kalpack.")


def console(kalpack, kal, work, failures):
    """kalpack's refusals and what it writes."""
    def run(*words):
        return subprocess.run([kalpack, "--kal", str(kal), *words], cwd=work, capture_output=True, timeout=120)

    (work / "mal.txt").write_bytes(b".codigo;\r\n.avisso &a;\r\n.fin;\r\n")
    got = run("mal.txt")
    if got.returncode != 1 or b"mal.txt:2:1: error: .&avisso" not in got.stdout or (work / "mal.exe").exists():
        failures.append(f"a script with an error: exit {got.returncode}, {got.stdout!r}")
    (work / "aviso.txt").write_bytes(b".codigo;\r\n.aviso &nada;\r\n.fin;\r\n")
    got = run("aviso.txt")
    if got.returncode != 0 or b"aviso.txt:2:8: warning:" not in got.stdout or not (work / "aviso.exe").exists():
        failures.append(f"a script with a warning: exit {got.returncode}, {got.stdout!r}")
    (work / "bien.txt").write_bytes(SCRIPT.encode("cp1252"))
    (work / "no_es.ico").write_bytes(b"no es un icono")
    for words, what in ((["no_esta.txt"], "a missing script"), (["--kal", "no_esta.exe", "bien.txt"], "no KAL.exe"),
                        (["--icono", "no_es.ico", "bien.txt"], "an icon that is none"),
                        (["--version", "1.x", "bien.txt"], "a version of letters"),
                        (["--salida", "kal.EXE", "bien.txt"], "a program named KAL.exe"),
                        (["--salida", "bien.txt", "bien.txt"], "a program over its script")):
        got = run(*words)
        if got.returncode != 2 or not got.stderr.startswith(b"kalpack: ") or (work / "bien.exe").exists() \
                or (work / "no_esta.exe").exists() or (work / "kal.EXE").exists() \
                or (work / "bien.txt").read_bytes() != SCRIPT.encode("cp1252"):
            failures.append(f"{what}: exit {got.returncode}, {got.stderr!r}")
    # kalpack checks with the kalcheck beside it: without one it says so and makes nothing.
    (work / "solo").mkdir()
    shutil.copy(kalpack, work / "solo" / "kalpack")
    got = subprocess.run([work / "solo" / "kalpack", "--kal", str(kal), "bien.txt"], cwd=work, capture_output=True,
                         timeout=120)
    if got.returncode != 2 or b"kalcheck" not in got.stderr or (work / "bien.exe").exists():
        failures.append(f"without kalcheck: exit {got.returncode}, {got.stderr!r}")


def on_wine(kalpack, kalpack_exe, kal, work, failures):
    session = WineSession(work / "wine")
    try:
        env = report.wine_console_env(work / "console-wine")
        made = work / "hecho"
        made.mkdir()
        (made / "factura.txt").write_bytes(SCRIPT.encode("cp1252"))
        shutil.copy(kal, made / "KAL.exe")
        shutil.copy(kalpack_exe, made / "kalpack.exe")
        shutil.copy(kalpack_exe.parent / "kalcheck.exe", made / "kalcheck.exe")  # which kalpack checks with
        subprocess.run(["wine", "kalpack.exe", "factura.txt"], cwd=made, env=env, capture_output=True, timeout=300)
        native = subprocess.run([kalpack, "--kal", str(kal), "--salida", str(work / "factura.exe"),
                                 str(made / "factura.txt")], capture_output=True, timeout=120)
        if native.returncode != 0 or not (made / "factura.exe").exists() or \
                (made / "factura.exe").read_bytes() != (work / "factura.exe").read_bytes():
            failures.append("kalpack.exe under Wine and the native kalpack make different programs")
        program = (work / "factura.exe").read_bytes()
        key, cert, bundle = work / "clave.pem", work / "cert.pem", work / "cert.p12"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(key), "-out",
                        str(cert), "-days", "2", "-subj", "/CN=KAL prueba"], check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(cert), "-out", str(bundle),
                        "-passout", "pass:secreta"], check=True, capture_output=True)
        signed = work / "firmado.exe"
        signed.write_bytes(program)
        os.environ.update(KAL_SIGN_PKCS12=str(bundle), KAL_SIGN_PASSWORD="secreta")
        sign([signed], name="Factura")
        verified = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cert), "-in", str(signed)],
                                  capture_output=True, text=True)
        if verified.returncode != 0:
            failures.append(f"the signed program is not verified: {verified.stdout[-300:]}")
        # Each under another name, in a folder of its own, started from there with no command line; and once
        # given another script on it, which it does not take.
        (session.prefix / "drive_c" / "Mis documentos" / "given").mkdir(parents=True)
        (session.prefix / "drive_c" / "Mis documentos" / "given" / "otro.txt").write_bytes(
            b".codigo;\r\n&t := ~Otro;\r\n.aviso &t;\r\n.fin;\r\n")
        for what, data, args, boxes in (("renamed", program, [], [("KAL", "Facturado")]),
                                        ("signed", signed.read_bytes(), [], [("KAL", "Facturado")]),
                                        ("cut", program[:-3], [], [("Programador", DAMAGED)]),
                                        ("given", program, ["otro.txt"], [("KAL", "Facturado")])):
            folder = session.prefix / "drive_c" / "Mis documentos" / what
            folder.mkdir(parents=True, exist_ok=True)
            (folder / "Facturación 2026.exe").write_bytes(data)
            events, code, problems = session.run(Launch("Facturación 2026.exe", args, [OK]), folder, kal)
            shown = [(e.title, e.text) for e in events if e.kind == "box"]
            wrote = (folder / "hecho.txt").read_bytes() if (folder / "hecho.txt").exists() else None
            if shown != boxes or code != 0 or problems or wrote != (None if what == "cut" else b"Facturado\r\n"):
                failures.append(f"the {what} program: boxes {shown}, exit {code}, {problems}, hecho.txt {wrote!r}")
            if not (folder / "Facturación 2026.exe").exists():
                failures.append(f"the {what} program did not keep its name")
    finally:
        session.close()


def main():
    kalpack, kalpack_exe, kal = (Path(a).resolve() for a in sys.argv[1:4])
    failures = []
    with tempfile.TemporaryDirectory(prefix="kalpack-") as tmp:
        work = Path(tmp)
        (work / "consola").mkdir()
        console(kalpack, kal, work / "consola", failures)
        on_wine(kalpack, kalpack_exe, kal, work, failures)
    return report.finish("kalpack", failures)


if __name__ == "__main__":
    sys.exit(main())
