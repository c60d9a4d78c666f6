#!/usr/bin/env python3
"""Remakes the README's pictures: runs each graphics example with the real KAL.exe under Wine, saves a screenshot of
its window when its first message box shows, and converts the BMP it saves to PNG. Run it after changing an
example or the drawing code (tools/pictures.sh builds KAL.exe first).

Usage: pictures.py --exe build/windows/KAL.exe [--out docs]
"""
import argparse
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
from wine_session import GRAPHICS_TITLES, Launch, WineSession  # noqa: E402

# Each graphics example, and the BMP it saves (None: it saves none).
EXAMPLES = [("dibujo", "dibujo.bmp"), ("calendario", "calendario.bmp"), ("animacion", None)]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("--out", type=Path, default=ROOT / "docs")
    opts = ap.parse_args()
    work = Path(tempfile.mkdtemp(prefix="kal-pictures-"))
    session = WineSession(work)  # a private Xvfb display: the same pictures on every machine
    made = []
    try:
        for name, bitmap in EXAMPLES:
            folder = work / name
            folder.mkdir()
            script = ROOT / "examples" / (name + ".txt")
            shutil.copy(script, folder / script.name)
            windows = []

            def on_window(w, title, windows=windows):
                if title in GRAPHICS_TITLES:
                    windows.append(w)

            def on_event(e, windows=windows, name=name):
                if e.kind == "box" and windows:
                    time.sleep(0.5)  # the window's last paint
                    shot = opts.out / f"ventana-{name}.png"
                    subprocess.run(["import", "-window", windows[0], str(shot)], check=True)
                    made.append(shot)
                    windows.clear()

            _, code, problems = session.run(Launch(args=[script.name]), folder, opts.exe.resolve(), on_event=on_event,
                                            on_window=on_window, close_idle_window=1.0)
            if code != 0 or problems:
                raise SystemExit(f"{name}: exit code {code}, {problems}")
            if bitmap:
                png = opts.out / (Path(bitmap).stem + ".png")
                subprocess.run(["convert", str(folder / bitmap), str(png)], check=True)
                made.append(png)
    finally:
        session.close()
    for p in made:
        print(f"made {p.relative_to(ROOT) if p.is_relative_to(ROOT) else p}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
