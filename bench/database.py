#!/usr/bin/env python3
"""Database benchmark on real files under Wine: the real KAL.exe stores 10,000 records of five fields with
INSERTAR, then walks through them reading every field; a plain MinGW program appends the same bytes once per
record and reads them back.

Each pass through a label pauses about 1 ms, so the script stores (and reads) ten records a pass, and the same
script without its database statements (the same passes, counters and jumps) is timed too: the difference is
the database's own time. Both KAL runs are whole processes (median of --runs); the plain program times itself.

Usage: bench/database.py --exe build/windows/KAL.exe --plain build/windows/plain_database.exe
                         --kalbd build/native/kalbd [--records 10000] [--runs 3]
"""
import argparse
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
import driver  # noqa: E402

PER_PASS = 10  # records a pass through each label
FIELDS = "uno 3 20\ndos 1 10\ntres 3 20\ncuatro 1 10\ncinco 3 20\n"


def script(records, database):
    """The benchmark script; without `database`, the same loops with no database statement in them."""
    store, read = [], []
    for _ in range(PER_PASS):
        store += ["&l := &vacio;"]
        if database:
            store += ["&l := %METER &x;", "&l := %METER &i;", "&l := %METER &x;", "&l := %METER &i;",
                      "&l := %METER &x;", "&r := %INSERTAR &l;"]
        store += ["&i := &i + 1;"]
        if database:
            read += ["&r := %POSREG &i;", "&a := #uno;", "&b := #dos;", "&c := #tres;", "&d := #cuatro;",
                     "&e := #cinco;"]
        read += ["&i := &i + 1;"]
    lines = [".codigo;"] + (["[datos];"] if database else []) + ["&i := 0;", f"&n := {records};",
                                                                  "&x := ~Alicante;", ":alta;"]
    lines += store + [".mer &i &n;", ".saltaruno :alta;", "&i := 1;", ":lectura;"]
    lines += read + [".mei &i &n;", ".saltaruno :lectura;", ".fin;"]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def timed(command, folder):
    # Output goes through a file: Wine's helper processes, started by the first run, inherit a pipe and would
    # hold it open.
    with tempfile.TemporaryFile() as out:
        start = time.monotonic()
        subprocess.run(command, cwd=folder, check=True, stdout=out, stderr=subprocess.DEVNULL, timeout=1800)
        took = time.monotonic() - start
        out.seek(0)
        return took, out.read().decode()


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("--plain", required=True, type=Path)
    ap.add_argument("--kalbd", required=True, type=Path)
    ap.add_argument("--records", type=int, default=10000)
    ap.add_argument("--runs", type=int, default=3)
    opts = ap.parse_args()
    if opts.records % PER_PASS:
        ap.error(f"--records must be a multiple of {PER_PASS}")

    work = Path(tempfile.mkdtemp(prefix="kal-bench-db-"))
    folder = work / "programa"
    folder.mkdir()
    shutil.copy(opts.exe, folder / "KAL.exe")
    shutil.copy(opts.plain, folder / "plain_database.exe")
    (work / "datos.campos").write_text(FIELDS, encoding="utf-8")
    (folder / "bd.txt").write_bytes(script(opts.records, True))
    (folder / "bucle.txt").write_bytes(script(opts.records, False))
    data = folder / "datos" / "datos.zbd"
    session = driver.WineSession(work)
    try:
        timed(["wine", "./KAL.exe", "bucle.txt"], folder)  # the first start of a prefix loads more
        loop, with_database, plain = [], [], []
        for _ in range(opts.runs):
            shutil.rmtree(folder / "datos", ignore_errors=True)
            subprocess.run([str(opts.kalbd.resolve()), "crear", str(folder), "datos", str(work / "datos.campos")],
                           check=True, capture_output=True)
            loop.append(timed(["wine", "./KAL.exe", "bucle.txt"], folder)[0])
            with_database.append(timed(["wine", "./KAL.exe", "bd.txt"], folder)[0])
            size = data.stat().st_size
            _, out = timed(["wine", "./plain_database.exe", str(opts.records), str(size), "plain.dat"], folder)
            plain.append(float(out.split()[0]))
            if int(out.split()[2]) != size:
                raise RuntimeError(f"the plain program read back {out.split()[2]} bytes, not {size}")
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)

    kal = statistics.median(d - b for d, b in zip(with_database, loop))
    other = statistics.median(plain)
    print(f"data file: {size} bytes ({size // 54} character records) for {opts.records} records of 5 fields")
    print(f"KAL.exe: {statistics.median(with_database):.2f} s with the database, "
          f"{statistics.median(loop):.2f} s the same loops without it (median of {opts.runs})")
    print(f"4 database under Wine: KAL {kal:.3f} s, plain program {other:.3f} s, ratio {kal / other:.2f}")


if __name__ == "__main__":
    main()
