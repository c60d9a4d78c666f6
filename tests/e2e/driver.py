#!/usr/bin/env python3
"""Runs KAL's case suite: each case is a script (NAME.txt, Windows-1252 bytes) and its expectations (NAME.expect).

Two backends run the same cases:
  native  the portable core in-process (tests/host/kal_host.cpp) with the recording platform: fast, no Windows;
  wine    the real KAL.exe under Wine on a private Xvfb display, answering its windows with xdotool.

Expectation files are UTF-8 text, one directive a line ('#' starts a comment line):
  arg: TEXT               one command-line argument (repeatable); Wine quotes it when it holds blanks.
                          Without any, the script's file name is the one argument.
  no-args                 start with an empty command line (the open-file dialog appears)
  exe: NAME               file name of the interpreter in the case folder (default KAL.exe)
  script: PATH            the script is this file (relative to the expectation file) instead of NAME.txt: the
                          cases of examples/ run the examples themselves
  copy: PATH              put a copy of this file or folder (relative to the expectation file) in the case folder
  script-as: NAME         file name of the script in the case folder (default: the case's .txt name)
  no-script               do not put the script in the folder (a missing file)
  backends: native wine   run only on these backends
  box TITLE: TEXT         a message box, in order ("{{any}}" as the text: any text); "box TITLE answer=KEY: TEXT" answers with KEY
                          (Return, y, n, Escape, or close: the user closes the graphics window instead);
                          the default is Return
  window TITLE: ANSWER    any other window, in order: the graphics window "Ventana Grafica KAL" (ANSWER none,
                          or close) or the input dialog "KAL" (ANSWER "type TEXT", Return or Escape)
  screen TITLE WxH: CHECKS  (Wine only) before the next box or window is answered, a screenshot of the window
                          titled TITLE, which must stand at the screen's top-left with a client area of W x H:
                          each check "X,Y=RRGGBB" (or "X,Y=!RRGGBB", any other colour) is a pixel of that client
  open-dialog: ANSWER     the open-file dialog; ANSWER is Escape or "type NAME"
  opens: NAME             the shell opens NAME (a file in the program folder) with its viewer
  file: NAME              the file's exact content: the "|" lines that follow, each ended by CR LF
                          ("| " then the text; a lone "|" is an empty line)
  absent: NAME            the run leaves no such file
  present: NAME           the run leaves such a file
  max-memory-mb: N        native only: the run's peak memory stays below N MB, and its address space is held
                          to 1 GB, so that a run growing far past its limit stops at once (neither under
                          sanitizers)
  bmp NAME: CHECKS        pixels of a 24-bit BMP the run leaves: "X,Y=RRGGBB" (or "=!RRGGBB": another colour),
                          "X0,Y0-X1,Y1~RRGGBB" (some pixel of the rectangle has it, "!~": none has)
  file-hex NAME: HEX      the file's exact bytes, in hexadecimal (blanks ignored; templates allowed)
  given: NAME             a file in the folder before the run, with the "|" lines that follow (as for file:)
  given-hex NAME: HEX     a file in the folder before the run, with these bytes (as for file-hex)
  given-many: N NAME      N empty files before the run, named NAME with "{n}" standing for 1 to N
  folder: NAME            an empty folder before the run
  database: PATH          a database made by kalbd before the run: PATH is [FOLDER/]NAME (the folder of the
                          database's root, the program folder when left out); the "|" lines that follow are
                          kalbd's description, a field a line ("nombre 3 20", "color 9 10 rojo|verde|azul")
  read-only: NAME         that file is read-only
Names are relative to the case folder, "/" between folders, and may hold any Unicode character (a name with
"\xF1" in an expectation is written "ñ").
  then-run: EXE           after the run, start EXE in the same folder; the directives below this line are that
                          second run's (it takes the same arguments unless it names its own)
In texts, \\r \\n \\t \\\\ and \\xNN (a Windows-1252 byte) are escapes.

Templates: "{{repeat N:TEXT}}" in a script or an expected text stands for TEXT written N times (long inputs);
"{{today}}" stands for the host's local date, day/month/year.

Usage: driver.py --dump-cases --cases DIR [--only SUBSTRING]...   (the cases as JSON, for the page's test)
       driver.py --backend native --host PATH --cases DIR [--kalbd PATH] [--only SUBSTRING]... [--keep]
                 [--work DIR] [--no-memory-limits]
       driver.py --backend wine --exe KAL.exe --cases DIR [--kalbd PATH] [--only SUBSTRING]... [--keep]
                 [--work DIR]
"""

import argparse
import difflib
import json
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

import cases as cases_module
from cases import case_json, parse_case, prepare_folder
from pixels import check_pixels, read_bmp

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from run_steps import Event, Launch  # noqa: E402
from wine_session import RUN_TIMEOUT, WineSession, client_pixels  # noqa: E402

# ----------------------------------------------------------------------------------------------------------------
# Native backend


ADDRESS_LIMIT = 1 << 30  # for the cases with a memory limit
# The host's replies for each answer (a typed text is "type:TEXT"); a graphics window left open takes the default.
HOST_REPLIES = {"ok": "default", "cancel": "cancel", "yes": "yes", "no": "no", "close": "close", "leave": "default"}


def run_native(case, folder, host, limit_address=False):
    cmd = [host, "--dir", str(folder), "--exe", case.exe]
    for answer in case.answers:
        cmd += ["--reply", HOST_REPLIES.get(answer.kind) or "type:" + answer.text]
    for a in case.command_args():
        cmd += ["--arg", a]
    with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file:
        limit = (lambda: resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_LIMIT, ADDRESS_LIMIT))) \
            if limit_address else None
        proc = subprocess.Popen(cmd, stdout=out_file, stderr=err_file, preexec_fn=limit)
        timer = threading.Timer(RUN_TIMEOUT, proc.kill)
        timer.start()
        # wait4 gives this child's own peak memory.
        _, status, usage = os.wait4(proc.pid, 0)
        timer.cancel()
        returncode = os.waitstatus_to_exitcode(status)
        out_file.seek(0)
        err_file.seek(0)
        out, err = out_file.read(), err_file.read()
    peak_kb = usage.ru_maxrss
    events, code, problems = [], None, []
    for line in out.decode("utf-8").splitlines():
        e = json.loads(line)
        if e["event"] == "box":
            events.append(Event("box", e["title"], e["text"]))
        elif e["event"] == "open-dialog":
            events.append(Event("open-dialog"))
        elif e["event"] == "window":
            events.append(Event("window", e["title"]))
        elif e["event"] == "open":
            events.append(Event("open", text=e["path"]))
        elif e["event"] == "exit":
            code = e["code"]
    if returncode != 0:
        problems.append(f"host failed with {returncode}: {err.decode(errors='replace')}")
    return events, code, problems, peak_kb


# ----------------------------------------------------------------------------------------------------------------
# Wine backend


# The name a packed case's program goes by: any name but KAL's, with a blank and an accent.
PACKED_NAME = "Mi programa añadido.exe"


def packed_launch(case, folder, kalpack, kal_exe):
    """The case's script packed by kalpack into a program of its own name, the script itself taken away so that
    the run can only have it from the program; None when kalpack refuses it (the checker finds an error in it)."""
    script = folder / case.script_as
    # Made in a folder of its own, as a colleague's program comes, and then put where it runs.
    elsewhere = folder.parent / (folder.name + ".kalpack") / PACKED_NAME
    elsewhere.parent.mkdir()
    made = subprocess.run([kalpack, "--kal", kal_exe, "--salida", str(elsewhere), str(script)],
                          capture_output=True, timeout=120)
    if made.returncode != 0:
        shutil.rmtree(elsewhere.parent)
        return None
    shutil.move(elsewhere, folder / PACKED_NAME)
    elsewhere.parent.rmdir()
    script.unlink()
    # What the case says of KAL.exe (ADIOS removes it, or it stays) it says of the program.
    case.absent = [PACKED_NAME if n == "KAL.exe" else n for n in case.absent]
    case.present = [PACKED_NAME if n == "KAL.exe" else n for n in case.present]
    return Launch(PACKED_NAME, [], list(case.answers))


def screen_checks(case):
    """What the Wine session asks before it answers each event: the case's screenshots of that moment."""
    def before_answer(index, _event):
        problems = []
        for s in case.screens.get(index, []):
            time.sleep(0.3)  # the window's last paint
            pixel, stand_in_way = client_pixels(s.title, s.width, s.height)
            problems += stand_in_way
            if pixel:
                problems += check_pixels(f"screen: {s.title!r} client", pixel, s.checks)
        return problems
    return before_answer


# ----------------------------------------------------------------------------------------------------------------
# Comparison and reporting


def show_bytes(data):
    return [repr(line) for line in data.split(b"\n")]


def check(case, folder, events, code, problems, peak_kb, backend):
    failures = list(problems)
    for name, checks in case.bitmaps:
        if not (folder / name).exists():
            failures.append(f"{name}: missing")
        else:
            failures += check_pixels(name, read_bmp((folder / name).read_bytes()), checks)
    # An expected text "{{any}}" stands for whatever text the window shows.
    events = [case.events[i] if i < len(case.events) and case.events[i].text == "{{any}}" and
              e._replace(text="{{any}}") == case.events[i] else e for i, e in enumerate(events)]
    want = [str(e) for e in case.events]
    got = [str(e) for e in events]
    if want != got:
        failures.append("windows and shell actions differ (- expected, + actual):\n" +
                        "\n".join(difflib.unified_diff(want, got, lineterm="", n=10)))
    if code != 0:
        failures.append(f"exit code {code}, expected 0")
    for name, content in case.files.items():
        path = folder / name
        if not path.exists():
            failures.append(f"{name}: missing")
        elif path.read_bytes() != content:
            failures.append(f"{name} differs (- expected, + actual):\n" + "\n".join(
                difflib.unified_diff(show_bytes(content), show_bytes(path.read_bytes()), lineterm="", n=3)))
    for name in case.absent:
        # A file may be deleted by a helper the program started and did not wait for (the self-removal).
        give_up = time.monotonic() + (5.0 if backend == "wine" else 0.0)
        while (folder / name).exists() and time.monotonic() < give_up:
            time.sleep(0.1)
        if (folder / name).exists():
            failures.append(f"{name}: present, expected absent")
    for name in case.present:
        if not (folder / name).exists():
            failures.append(f"{name}: absent, expected present")
    if backend == "native" and case.max_memory_mb and peak_kb and peak_kb > case.max_memory_mb * 1024:
        failures.append(f"peak memory {peak_kb / 1024:.1f} MB, limit {case.max_memory_mb} MB")
    return failures


def main():
    ap = argparse.ArgumentParser(description="Run KAL's case suite.")
    ap.add_argument("--backend", choices=("native", "wine"))
    ap.add_argument("--dump-cases", action="store_true",
                    help="print the cases (with --only, those) as JSON for another runner, and run nothing")
    ap.add_argument("--cases", required=True, type=Path)
    ap.add_argument("--host", help="kal-host executable (native backend)")
    ap.add_argument("--exe", help="KAL.exe (wine backend)")
    ap.add_argument("--kalbd", help="the kalbd tool, which makes the cases' databases")
    ap.add_argument("--packed", metavar="KALPACK",
                    help="(wine backend) run each case that runs its script as KAL.exe SCRIPT does packed by this "
                         "kalpack into a program of another name, with the script taken away")
    ap.add_argument("--only", action="append", default=[],
                    help="run only cases whose name contains this text (repeatable: any of them)")
    ap.add_argument("--keep", action="store_true", help="keep the case folders")
    ap.add_argument("--work", type=Path, help="make the case folders in this folder, and keep them")
    ap.add_argument("--pictures", type=Path,
                    help="copy the checked BMPs of every passing case to PICTURES/<case>/ (emptied first)")
    ap.add_argument("--no-memory-limits", action="store_true",
                    help="ignore max-memory-mb (a sanitizer's own memory would be measured, not the program's)")
    opts = ap.parse_args()
    if not opts.backend and not opts.dump_cases:
        ap.error("--backend is required")

    cases_module.KALBD = opts.kalbd
    root = opts.cases.resolve()
    cases = [parse_case(p, root) for p in sorted(root.rglob("*.expect"))]
    cases = [c for c in cases if not opts.only or any(o in c.name for o in opts.only)]
    if opts.dump_cases:
        json.dump([case_json(c, root) for c in cases], sys.stdout, ensure_ascii=False)
        return 0
    cases = [c for c in cases if opts.backend in c.backends and (not opts.packed or c.packable())]
    if opts.work:
        opts.keep = True
        opts.work.mkdir(parents=True, exist_ok=True)
    work_root = opts.work.resolve() if opts.work else Path(tempfile.mkdtemp(prefix=f"kal-cases-{opts.backend}-"))
    if opts.pictures:
        shutil.rmtree(opts.pictures, ignore_errors=True)  # a stale picture must not stand in for a failed run's
        opts.pictures.mkdir(parents=True)
    session = WineSession(work_root) if opts.backend == "wine" else None
    passed = failed = 0
    try:
        for case in cases:
            folder = prepare_folder(case, work_root)
            start = time.monotonic()
            failures = []
            step = case
            launch = packed_launch(case, folder, opts.packed, opts.exe) if opts.packed else case.launch()
            if launch is None:
                print(f"--   {case.name}: kalpack refuses its script")
                shutil.rmtree(folder, ignore_errors=True)
                continue
            while step is not None and not failures:
                if session:
                    events, code, problems = session.run(launch, folder, Path(opts.exe).resolve(),
                                                         before_answer=screen_checks(step))
                    peak_kb = 0
                else:
                    events, code, problems, peak_kb = run_native(
                        step, folder, opts.host, limit_address=bool(step.max_memory_mb) and not opts.no_memory_limits)
                    if opts.no_memory_limits:
                        peak_kb = 0
                failures = [(f if step is case else f"{step.name}: {f}")
                            for f in check(step, folder, events, code, problems, peak_kb, opts.backend)]
                step = step.then
                launch = step.launch() if step else None
            took = time.monotonic() - start
            if failures:
                failed += 1
                print(f"FAIL {case.name} ({took:.1f} s) in {folder}")
                for f in failures:
                    print("  " + f.replace("\n", "\n  "))
            else:
                passed += 1
                print(f"ok   {case.name} ({took:.1f} s)")
                if opts.pictures and case.bitmaps:
                    kept = opts.pictures / re.sub(r"\W", "_", case.name)
                    kept.mkdir()
                    for name, _ in case.bitmaps:
                        shutil.copy(folder / name, kept / Path(name).name)
            sys.stdout.flush()
    finally:
        if session:
            session.close()
        if not opts.keep and failed == 0:
            shutil.rmtree(work_root, ignore_errors=True)
    print(f"{opts.backend}: {passed} passed, {failed} failed")
    return 1 if failed or not cases else 0


if __name__ == "__main__":
    sys.exit(main())
