#!/usr/bin/env python3
"""Times one comparison of two long lists, which compares every element of one with every element of the other:
two lists of 32,768 empty elements (32,767 "|"), and two of 32,000 numbers ("1", as many as a value holds), each
a billion pairs that never set the flag, so that every pair is compared. Times `kal_bench run` (median of 3).

Usage: python3 bench/compare_lists.py --build build/native
"""
import argparse
import re
import statistics
import subprocess
import tempfile
from pathlib import Path


def script(first):
    """Doubles a list by METER 15 times (the value is cut at 63,999 characters), then asks whether an element of
    one is greater than an element of the other."""
    lines = [".codigo;", "&barra := 124;", "&uno := 1;"]
    lines += ["&l := %CAR &barra;"] if first == "|" else ["&l := %METER &uno;"]
    lines += ["&l := %METER &l;"] * (14 if first == "|" else 15)
    lines += [".mar &l &l;", ".fin;"]
    return "\r\n".join(lines) + "\r\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default="build/native", type=Path)
    opts = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        for name, first in (("32,768 empty elements", "|"), ("32,000 numbers", "1")):
            path = Path(tmp) / "listas.txt"
            path.write_bytes(script(first).encode("cp1252"))
            times = []
            for _ in range(3):
                out = subprocess.run([str(opts.build / "kal_bench"), "run", str(path)], capture_output=True,
                                     text=True, check=True).stdout
                times.append(float(re.search(r"([0-9.]+) s", out).group(1)))
            print(f"two lists of {name}: {statistics.median(times):.3f} s")


if __name__ == "__main__":
    main()
