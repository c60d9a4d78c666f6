#!/usr/bin/env python3
"""Runs one KAL script with the real KAL.exe under Wine and tells what happens.

Each message box and dialog is printed (title and text) and answered with its default button; each graphics window
is saved as a screenshot beside the script's copy when the script's first message box shows, and closed (which
ends the program) once the script has nothing more to show. Without a display, a private Xvfb server is used.

Usage: run_demo.py --exe build/windows/KAL.exe SCRIPT [--xvfb]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
import driver  # noqa: E402


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("script", type=Path)
    ap.add_argument("--xvfb", action="store_true", help="use a private X server even when a display is set")
    opts = ap.parse_args()

    work = Path(tempfile.mkdtemp(prefix="kal-demo-"))
    folder = work / "programa"
    folder.mkdir()
    shutil.copy(opts.script, folder / opts.script.name)
    display = None if opts.xvfb else os.environ.get("DISPLAY")
    print(f"KAL.exe runs {opts.script} in {folder}" + ("" if display else " (on a private Xvfb display)"))
    session = driver.WineSession(work, display=display)
    shots = []

    windows = []

    def save_windows():
        for w, title in windows:
            shot = folder / f"ventana-{len(shots) + 1}.png"
            subprocess.run(["import", "-window", w, str(shot)], stderr=subprocess.DEVNULL)
            shots.append(shot)
            print(f"\n[{title}] window saved as {shot}")
        windows.clear()

    def on_event(e):
        if e[0] == "box":
            time.sleep(0.5)  # the window's last paint
            save_windows()
            print(f"\n[{e[1]}]\n{e[2]}\n  -> answered with its default button")
        elif e[0] == "open-dialog":
            print("\n[open-file dialog] -> cancelled")
        elif e[0] == "open":
            print(f"\nThe shell opened {e[1]} with the text viewer.")

    def on_window(w, title):
        if title in driver.GRAPHICS_TITLES:
            windows.append((w, title))
        else:
            print(f"\n[{title}] dialog -> cancelled")

    case = driver.Case(name="demo", script=opts.script, script_as=opts.script.name)
    try:
        _, code, problems = session.run(case, folder, opts.exe.resolve(), on_event=on_event, on_window=on_window,
                                        close_idle_window=3.0)
    finally:
        session.close()
    trace = folder / "FORENSE.txt"
    if trace.exists():
        print("\nFORENSE.txt:\n" + trace.read_bytes().decode("cp1252").replace("\r\n", "\n").rstrip("\n"))
    for p in problems:
        print("problem: " + p)
    print(f"\nKAL.exe ended with exit code {code}.")
    return 0 if code == 0 and not problems else 1


if __name__ == "__main__":
    sys.exit(main())
