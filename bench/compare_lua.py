#!/usr/bin/env python3
"""KAL against Lua 5.4 and plain programs; prints each figure and its ratio (see bench/README.md).

  1 load and compile   a generated script of about 100,000 tokens (kal_bench load) against luac5.4 -p of the same
                       statements in Lua
  2 straight-line run  30,000 statements on string values (kal_bench run) against lua5.4 running the same work
  4 database           10,000 INSERTAR of five fields and a walk reading every field (bench/database.py: KAL.exe
                       under Wine on real files) against a plain program appending the same bytes once per
                       record and reading them back
  5 start-up           KAL.exe with a 5-statement script under Wine against an empty windowed program
  13 packed program    the same script packed by kalpack: its size, and its start-up against KAL.exe's
  11 debugger          goal 2's run watched by a debugging session with no breakpoints (kal_bench debug) against
                       the plain run
  (3, the label pause, is bench/label_pause.py.)

Usage: bench/compare_lua.py --build build/native [--windows build/windows] [--skip-wine]
"""
import argparse
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))

SETUP_KAL = ["&t := ~el_perro_y_el_gato;", "&i := 4;", "&n := 5;", "&x := ~el;", "&y := ~un;"]
SETUP_LUA = ['t = "el perro y el gato"', 'i = "4"', 'n = "5"', 'x = "el"', 'y = "un"']
# One block of ten statements, in KAL and in Lua doing the same on string values.
BLOCK = [
    ("&a := 12;", 'a = "12"'),
    ("&b := &a * 3;", "b = tostring(tonumber(a) * 3)"),
    ("&c := 2.5;", 'c = "2.5"'),
    ("&d := &c + &c;", "d = tostring(tonumber(c) + tonumber(c))"),
    ("&e := &b + ~_kg;", 'e = b .. " kg"'),
    (".cmp &a &b;", "flag = tonumber(a) == tonumber(b)"),
    ("&f := %MIDDLESTRING &t &i &n;", "f = string.sub(t, tonumber(i), tonumber(i) + tonumber(n) - 1)"),
    ("&g := %CAMBIARP &x &y &t;", "g = string.gsub(t, x, y)"),
    ("&h := &g;", "h = g"),
    ("&k := &a + &b;", "k = tostring(tonumber(a) + tonumber(b))"),
]
LUA_TIMER = """local source = io.open(arg[1]):read("a")
local chunk = assert(load(source))
local start = os.clock()
chunk()
print(os.clock() - start)
"""


def kal_script(blocks):
    return "\r\n".join([".codigo;"] + SETUP_KAL + [k for _ in range(blocks) for k, _ in BLOCK] + [".fin;", ""])


def lua_chunk(blocks):
    return "\n".join(SETUP_LUA + [lua for _ in range(blocks) for _, lua in BLOCK] + [""])


def wall(cmd, runs=5):
    times = []
    for _ in range(runs):
        start = time.monotonic()
        subprocess.run(cmd, check=True, capture_output=True)
        times.append(time.monotonic() - start)
    return statistics.median(times)


def figure(name, kal, other, unit="s"):
    print(f"{name}: KAL {kal:.4f} {unit}, other {other:.4f} {unit}, ratio {kal / other:.2f}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", required=True, type=Path)
    ap.add_argument("--windows", type=Path)
    ap.add_argument("--skip-wine", action="store_true")
    opts = ap.parse_args()
    opts.build = opts.build.resolve()
    if opts.windows:
        opts.windows = opts.windows.resolve()
    bench = opts.build / "kal_bench"
    work = Path(tempfile.mkdtemp(prefix="kal-bench-"))

    # 1. Just under the limit of 100,000 tokens: each block has 54.
    (work / "load.txt").write_bytes(kal_script(1800).encode("cp1252"))
    (work / "load.lua").write_text(lua_chunk(1800))
    out = subprocess.run([bench, "load", work / "load.txt"], check=True, capture_output=True, text=True).stdout
    print("1 " + out.strip())
    figure("1 load and compile (process, median of 5)", wall([bench, "load", work / "load.txt"]),
           wall(["luac5.4", "-p", work / "load.lua"]))

    # 2. 30,000 statements.
    (work / "run.txt").write_bytes(kal_script(3000).encode("cp1252"))
    (work / "run.lua").write_text(lua_chunk(3000))
    (work / "timer.lua").write_text(LUA_TIMER)
    kal_runs, lua_runs = [], []
    for _ in range(5):
        out = subprocess.run([bench, "run", work / "run.txt"], check=True, capture_output=True, text=True).stdout
        kal_runs.append(float(out.split()[1]))
        statements = int(out.split()[3])
        lua_runs.append(float(subprocess.run(["lua5.4", work / "timer.lua", work / "run.lua"], check=True,
                                             capture_output=True, text=True).stdout))
    kal_run, lua_run = statistics.median(kal_runs), statistics.median(lua_runs)
    print(f"2 KAL {statements / kal_run:.0f} statements/s, Lua {statements / lua_run:.0f} statements/s")
    figure("2 straight-line run (median of 5)", kal_run, lua_run)

    # 11. The same run watched by the editor's debugger with no breakpoint set, against the plain run.
    debugged = statistics.median(
        float(subprocess.run([bench, "debug", work / "run.txt"], check=True, capture_output=True,
                             text=True).stdout.split()[1]) for _ in range(5))
    figure("11 the same run under the debugger, no breakpoints (median of 5)", debugged, kal_run)

    if opts.windows and not opts.skip_wine:
        # 4. The database on real files, against a plain program writing and reading the same bytes.
        subprocess.run([sys.executable, str(Path(__file__).parent / "database.py"), "--exe",
                        str(opts.windows / "KAL.exe"), "--plain", str(opts.windows / "plain_database.exe"),
                        "--kalbd", str(opts.build / "kalbd")], check=True)

        # 5. Start-up under Wine.
        import driver
        (work / "wine").mkdir()
        session = driver.WineSession(work / "wine")
        try:
            folder = work / "inicio"
            folder.mkdir()
            (folder / "s.txt").write_bytes(b".codigo;\r\n&a := 1;\r\n&b := &a + 1;\r\n&c := ~hola;\r\n.fin;\r\n")
            for exe in ("KAL.exe", "empty_gui.exe"):
                (folder / exe).write_bytes((opts.windows / exe).read_bytes())
            # 13. The same script packed by kalpack, started under another name with no command line.
            subprocess.run([opts.build / "kalpack", "--kal", folder / "KAL.exe", "--salida", folder / "Mi inicio.exe",
                            folder / "s.txt"], check=True, capture_output=True)
            # Taken in turns, so that none of them has the machine warmed or loaded for itself alone.
            programs = (("KAL.exe", ["s.txt"]), ("empty_gui.exe", []), ("Mi inicio.exe", []))
            runs = {exe: [] for exe, _ in programs}
            for _ in range(7):
                for exe, args in programs:
                    start = time.monotonic()
                    # Not captured: the wine server started by the first run would hold the pipes open.
                    subprocess.run(["wine", "./" + exe, *args], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=60)
                    runs[exe].append(time.monotonic() - start)
            times = {exe: statistics.median(r) for exe, r in runs.items()}
            figure("5 start-up under Wine (median of 7)", times["KAL.exe"], times["empty_gui.exe"])
            figure("13 a packed program's start-up under Wine (median of 7), against KAL.exe's", times["Mi inicio.exe"],
                   times["KAL.exe"])
            size, limit = (folder / "Mi inicio.exe").stat().st_size, (folder / "KAL.exe").stat().st_size
            limit += (folder / "s.txt").stat().st_size + 16 * 1024
            print(f"13 a packed program: {size} bytes, at most {limit} (KAL.exe, the script and 16 KB)")
        finally:
            session.close()


if __name__ == "__main__":
    main()
