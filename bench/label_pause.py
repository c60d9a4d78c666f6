#!/usr/bin/env python3
"""Times 1000 passes through a label with the real KAL.exe under Wine.

Each label statement pauses the script for about a millisecond, so 1000 passes should take about a second. The
script with 1000 labels is timed against the same script without them; the difference is the labels' cost.

Usage: label_pause.py --exe build/windows/KAL.exe [--rounds 5] [--labels 1000]
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


def script(labels):
    return (".codigo;\r\n" + ":paso;\r\n" * labels + ".fin;\r\n").encode("cp1252")


def timed_run(folder, name):
    start = time.monotonic()
    subprocess.run(["wine", "./KAL.exe", name], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=120, check=True)
    return time.monotonic() - start


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--labels", type=int, default=1000)
    opts = ap.parse_args()

    work = Path(tempfile.mkdtemp(prefix="kal-bench-"))
    folder = work / "programa"
    folder.mkdir()
    shutil.copy(opts.exe, folder / "KAL.exe")
    (folder / "vacio.txt").write_bytes(script(0))
    (folder / "etiquetas.txt").write_bytes(script(opts.labels))
    session = driver.WineSession(work)
    try:
        timed_run(folder, "vacio.txt")  # the first start of a prefix loads more than the others
        without = [timed_run(folder, "vacio.txt") for _ in range(opts.rounds)]
        with_labels = [timed_run(folder, "etiquetas.txt") for _ in range(opts.rounds)]
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)
    base, full = statistics.median(without), statistics.median(with_labels)
    print(f"start and end without labels: {base:.3f} s (median of {opts.rounds})")
    print(f"with {opts.labels} label passes:    {full:.3f} s")
    print(f"{opts.labels} label passes:           {full - base:.3f} s ({(full - base) / opts.labels * 1000:.3f} ms each)")


if __name__ == "__main__":
    main()
