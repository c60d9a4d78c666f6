#!/usr/bin/env python3
"""Checks the kalcheck console program: its exit codes (0 no error, 1 an error, 2 a file it cannot read), the
compiler format of its lines in UTF-8, that every example script is free of errors, and the formatter's files. With --wine, the same
checks run kalcheck.exe under Wine (in a private Wine prefix under the build folder).

Usage: kalcheck_test.py KALCHECK [--wine KALCHECK.EXE --prefix DIR]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import report

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
DOCUMENTS = [ROOT / "docs" / "guia.md", ROOT / "docs" / "guide.md", ROOT / "README.md"]


def check(command, env):
    """Every check with one kalcheck command (a list); file names are given relative to the working folder."""
    failures = []

    def run(folder, *names):
        p = subprocess.run([*command, *names], capture_output=True, cwd=folder, env=env, timeout=300)
        return p.returncode, p.stdout.decode("utf-8").replace("\r\n", "\n")

    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        (root / "bien.txt").write_bytes(b".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n")
        (root / "aviso.txt").write_bytes(b".codigo;\r\n.aviso &nada;\r\n.fin;\r\n")
        (root / "mal.txt").write_bytes(".codigo;\r\n&a := 1;\r\n  a\xf1o!;\r\n.avisar &a;\r\n.fin;\r\n"
                                       .encode("cp1252"))
        want = {
            "bien.txt": (0, ""),
            "aviso.txt": (0, "aviso.txt:2:8: warning: &nada se lee pero nunca recibe valor: vale el texto vacío\n"),
            "mal.txt": (1, "mal.txt:3:3: error: año!: Esta expresión es ERRONEA !!\n"
                           "mal.txt:4:1: error: .&avisar: Instrucción Desconocida ... (forma: orden, variable). "
                           "¿Quería decir .aviso?\n"),
        }
        for name, expected in want.items():
            got = run(root, name)
            if got != expected:
                failures.append(f"{name}: got {got!r}, want {expected!r}")
        code, _ = run(root, "no_esta.txt")
        if code != 2:
            failures.append(f"a missing file gave exit code {code}, want 2")
        code, _ = run(root, "bien.txt", "mal.txt")
        if code != 1:
            failures.append(f"a good and a bad script gave exit code {code}, want 1")
        # The examples and the scripts the guides and the README show are free of errors and warnings.
        for example in sorted(EXAMPLES.glob("*.txt")):
            shutil.copy(example, root / example.name)
        for doc in DOCUMENTS:
            text = doc.read_text(encoding="utf-8")
            for n, block in enumerate(re.findall(r"```[a-z]*\n(.*?)```", text, re.S)):
                if block.startswith(".codigo;"):
                    (root / f"{doc.stem}_{n}.txt").write_bytes(block.replace("\n", "\r\n").encode("cp1252"))
        for script in sorted(p.name for p in root.glob("*.txt") if p.name not in want):
            code, out = run(root, script)
            if code != 0 or out:
                failures.append(f"{script}: exit code {code}\n{out}")
    return failures


def formatter(command, env, wine):
    """--formatear to standard output byte for byte, and --escribir in place: a file that changes is replaced
    keeping its permissions, one already laid out is left alone, a read-only one and a missing one are refused."""
    failures = []
    script = ".codigo;\r\n&t  :=  ~a\xf1o;  .AVISO &t;\r\n.fin;".encode("cp1252")
    laid_out = ".codigo;\r\n&t := ~a\xf1o;\r\n.aviso &t;\r\n.fin;".encode("cp1252")

    def run(folder, *words):
        return subprocess.run([*command, "--formatear", *words], capture_output=True, cwd=folder, env=env, timeout=300)

    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        for name in ("año.txt", "listo.txt", "fijo.txt"):
            (root / name).write_bytes(laid_out if name == "listo.txt" else script)
        # A named pipe is no script: refused at once, never waited on (the native build; Wine has none).
        if not wine:
            os.mkfifo(root / "tubo.txt")
            for words in (["tubo.txt"], ["--formatear", "tubo.txt"]):
                piped = subprocess.run([*command, *words], capture_output=True, cwd=root, env=env, timeout=20)
                if piped.returncode != 2:
                    failures.append(f"{words} on a named pipe gave exit code {piped.returncode}, want 2")
            (root / "tubo.txt").unlink()
        got = run(root, "año.txt")
        if (got.returncode, got.stdout) != (0, laid_out):
            failures.append(f"--formatear gave {got.returncode} {got.stdout!r}, want {laid_out!r}")
        (root / "año.txt").chmod(0o640)
        (root / "fijo.txt").chmod(0o444)
        before = (root / "listo.txt").stat().st_mtime_ns
        got = run(root, "--escribir", "año.txt", "listo.txt", "fijo.txt", "no_esta.txt")
        if got.returncode != 2 or got.stdout:
            failures.append(f"--escribir with a read-only and a missing file gave {got.returncode} {got.stdout!r}")
        if (root / "año.txt").read_bytes() != laid_out or (not wine and (root / "año.txt").stat().st_mode & 0o777 != 0o640):
            failures.append(f"--escribir left {(root / 'año.txt').read_bytes()!r}, mode {(root / 'año.txt').stat().st_mode:o}")
        if (root / "listo.txt").stat().st_mtime_ns != before or (root / "fijo.txt").read_bytes() != script:
            failures.append("--escribir wrote a file it had no cause to write")
        if sorted(p.name for p in root.iterdir()) != ["año.txt", "fijo.txt", "listo.txt"]:
            failures.append(f"--escribir left files behind: {sorted(p.name for p in root.iterdir())}")
    return failures


def main():
    failures = []
    versions = set()
    for name, command, env in report.kalcheck_builds(__doc__.splitlines()[0]):
        failures += [f"{name}: {f}" for f in check(command, env) + formatter(command, env, name == "wine")]
        said = subprocess.run([*command, "--version"], env=env, capture_output=True, timeout=300).stdout
        versions.add(said.replace(b"\r\n", b"\n"))
        if not re.fullmatch(rb"kalcheck \d+\.\d+\.\d+\n", said.replace(b"\r\n", b"\n")):
            failures.append(f"{name}: --version said {said!r}")
    if len(versions) > 1:
        failures.append(f"the builds name different versions: {versions}")
    return report.finish("kalcheck", failures)


if __name__ == "__main__":
    sys.exit(main())
