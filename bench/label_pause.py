#!/usr/bin/env python3
"""Times a loop of 1000 rounds through a label with the real KAL.exe under Wine.

Each pass through a label pauses the script for about a millisecond, so 1000 rounds should take about a second. The
loop of 1000 rounds is timed against the same script making one round; the difference is the cost of the other 999
rounds, scaled to 1000.

Usage: label_pause.py --exe build/windows/KAL.exe [--runs 5] [--labels 1000]
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


def script(rounds):
    lines = [".codigo;", "&i := 0;", f"&n := {rounds};", ":vuelta;", "&i := &i + 1;", ".mer &i &n;",
             ".saltaruno :vuelta;", ".fin;"]
    return "\r\n".join(lines).encode("cp1252") + b"\r\n"


def timed_run(folder, name):
    start = time.monotonic()
    subprocess.run(["wine", "./KAL.exe", name], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=120, check=True)
    return time.monotonic() - start


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--labels", type=int, default=1000, help="rounds of the loop")
    opts = ap.parse_args()

    work = Path(tempfile.mkdtemp(prefix="kal-bench-"))
    folder = work / "programa"
    folder.mkdir()
    shutil.copy(opts.exe, folder / "KAL.exe")
    (folder / "vacio.txt").write_bytes(script(1))
    (folder / "etiquetas.txt").write_bytes(script(opts.labels))
    session = driver.WineSession(work)
    try:
        timed_run(folder, "vacio.txt")  # the first start of a prefix loads more than the others
        without = [timed_run(folder, "vacio.txt") for _ in range(opts.runs)]
        with_labels = [timed_run(folder, "etiquetas.txt") for _ in range(opts.runs)]
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)
    base, full = statistics.median(without), statistics.median(with_labels)
    per_round = (full - base) / (opts.labels - 1)
    print(f"one round, start to end:  {base:.3f} s (median of {opts.runs} runs)")
    print(f"{opts.labels} rounds, start to end: {full:.3f} s")
    print(f"{opts.labels} rounds of the loop:   {per_round * opts.labels:.3f} s ({per_round * 1000:.3f} ms a round)")


if __name__ == "__main__":
    main()
