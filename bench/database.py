#!/usr/bin/env python3
"""Database benchmark: 10,000 INSERTAR of five fields, then a forward walk that reads every field of every
record, in-process (kal-host, files in memory) so that the core's own cost is what is measured.

Usage: bench/database.py --host build/native/kal-host --kalbd build/native/kalbd [--records N]
"""
import argparse
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

SCRIPT = """.codigo;
[datos];
&i := 0;
&n := {n};
&x := ~Alicante;
:alta;
&l := &vacio;
&l := %METER &x;
&l := %METER &i;
&l := %METER &x;
&l := %METER &i;
&l := %METER &x;
&r := %INSERTAR &l;
&i := &i + 1;
.mer &i &n;
.saltaruno :alta;
&t := %TOTALREG;
&i := 1;
:lectura;
&r := %POSREG &i;
&a := #uno;
&b := #dos;
&c := #tres;
&d := #cuatro;
&e := #cinco;
&i := &i + 1;
.mei &i &n;
.saltaruno :lectura;
.aviso &e;
.fin;
"""


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--host", required=True)
    ap.add_argument("--kalbd", required=True)
    ap.add_argument("--records", type=int, default=10000)
    opts = ap.parse_args()
    folder = Path(tempfile.mkdtemp(prefix="kal-bench-db-"))
    try:
        (folder / "estructura.txt").write_text("uno 3 20\ndos 1 10\ntres 3 20\ncuatro 1 10\ncinco 3 20\n")
        subprocess.run([opts.kalbd, "crear", str(folder), "datos", str(folder / "estructura.txt")], check=True)
        (folder / "bd.txt").write_bytes(SCRIPT.format(n=opts.records).replace("\n", "\r\n").encode("cp1252"))
        start = time.monotonic()
        out = subprocess.run([opts.host, "--dir", str(folder), "--exe", "KAL.exe", "--arg", "bd.txt"],
                             capture_output=True, text=True, check=True).stdout
        took = time.monotonic() - start
        size = (folder / "datos" / "datos.zbd").stat().st_size
        last = [line for line in out.splitlines() if '"box"' in line]
        print(f"{opts.records} records of 5 fields stored and read back in {took:.2f} s; "
              f"data file {size} bytes ({size // 54} character records); last value read: {last[-1] if last else '?'}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
