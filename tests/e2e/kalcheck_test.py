#!/usr/bin/env python3
"""Checks the kalcheck console program: its exit codes (0 no error, 1 an error, 2 a file it cannot read), the
compiler format of its lines in UTF-8, and that every example script is free of errors.

Usage: kalcheck_test.py KALCHECK
"""
import subprocess
import sys
import tempfile
from pathlib import Path


def main():
    kalcheck = sys.argv[1]
    failures = []

    def run(*files):
        p = subprocess.run([kalcheck, *map(str, files)], capture_output=True)
        return p.returncode, p.stdout.decode("utf-8")

    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        (root / "bien.txt").write_bytes(b".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n")
        (root / "aviso.txt").write_bytes(b".codigo;\r\n.aviso &nada;\r\n.fin;\r\n")
        (root / "mal.txt").write_bytes(".codigo;\r\n&a := 1;\r\n  a\xf1o!;\r\n.avisar &a;\r\n.fin;\r\n"
                                       .encode("cp1252"))
        want = {
            "bien.txt": (0, ""),
            "aviso.txt": (0, f"{root / 'aviso.txt'}:2:8: warning: &nada se lee pero nunca recibe valor: vale el "
                             "texto vacío\n"),
            "mal.txt": (1, f"{root / 'mal.txt'}:3:3: error: año!: Esta expresión es ERRONEA !!\n"
                           f"{root / 'mal.txt'}:4:1: error: .&avisar: Instrucción Desconocida ...\n"),
        }
        for name, expected in want.items():
            got = run(root / name)
            if got != expected:
                failures.append(f"{name}: got {got!r}, want {expected!r}")
        code, _ = run(root / "no_esta.txt")
        if code != 2:
            failures.append(f"a missing file gave exit code {code}, want 2")
        code, _ = run(root / "bien.txt", root / "mal.txt")
        if code != 1:
            failures.append(f"a good and a bad script gave exit code {code}, want 1")
    examples = sorted((Path(__file__).resolve().parents[2] / "examples").glob("*.txt"))
    for example in examples:
        code, out = run(example)
        if code != 0 or "error:" in out:
            failures.append(f"{example.name}: exit code {code}\n{out}")
    for f in failures:
        print("FAIL " + f)
    print("kalcheck: " + ("ok" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
