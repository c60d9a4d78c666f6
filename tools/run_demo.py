#!/usr/bin/env python3
"""Runs one KAL script with the real KAL.exe under Wine and tells what happens.

Each message box is printed with its title, text and buttons, and each dialog with what it asks, together with the
answer given. Answers come in order from the command line (--answer yes|no|ok|cancel for a box that offers a choice,
--type TEXT for the input dialog, --answer cancel for a dialog); a box with only OK takes no answer. Once they are
used up, a box with only OK is still answered, but a question or a dialog ends the run with a line saying so
(a script that asks again and again is never answered for ever); an --answer yes or no that reaches an input dialog
is refused, and the run ended, since the answers are then out of step with the script. Each graphics window is reported when it opens
(with --keep, saved as a screenshot when the next message box shows or before it closes), and closed (which ends the
program) once the script has shown nothing new for three seconds. A run still going after --limit seconds is
stopped.

The script runs in a fresh folder with a copy of KAL.exe, the script, and what the script names beside it (its
databases, the files it reads). Without a display, a private Xvfb server is used. Wine's prefix is set up once in
~/.cache/kal/wine and reused; the run's folder is removed at the end unless --keep is given.

Usage: run_demo.py --exe build/windows/KAL.exe SCRIPT [--answer no] [--type Ana] ... [--limit 120] [--keep]
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from wine_session import CANCEL, END, GRAPHICS_TITLES, LEAVE, OK, Answer, Event, Launch, WineSession

# What --answer says.
ANSWER_WORDS = {"yes": Answer("yes"), "si": Answer("yes"), "s\u00ed": Answer("yes"), "no": Answer("no"), "ok": OK,
                "aceptar": OK, "cancel": CANCEL, "cancelar": CANCEL}
# A box's buttons by the low four bits of its style, as Wine labels them.
BUTTONS = {0: ["OK"], 1: ["OK", "Cancel"], 2: ["Abort", "Retry", "Ignore"], 3: ["Yes", "No", "Cancel"],
           4: ["Yes", "No"], 5: ["Retry", "Cancel"], 6: ["Cancel", "Try Again", "Continue"]}


class Answers(argparse.Action):
    """--answer and --type go into one list, in the order given."""

    def __call__(self, parser, namespace, value, option_string=None):
        if option_string == "--answer":
            if value.lower() not in ANSWER_WORDS:
                parser.error(f"--answer {value}: expected one of {', '.join(ANSWER_WORDS)}")
            value = ANSWER_WORDS[value.lower()]
        else:
            value = Answer("type", value)
        namespace.answers.append(value)


def default_prefix():
    return Path(os.environ.get("XDG_CACHE_HOME") or Path.home() / ".cache") / "kal" / "wine"


def needed_beside(script):
    """Files and folders beside the script that it names: database selectors, and the first part of each text
    literal that is a path ("datos\\\\entrada.txt" needs the folder "datos")."""
    text = script.read_bytes().decode("cp1252", errors="replace")
    names = set(re.findall(r"\[([^\]\s;]+)\]", text))
    for literal in re.findall(r"~([^\s;]+)", text):
        names.add(literal.replace("_", " ").replace("^", "").replace("\\", "/").split("/")[0].strip())
    found = []
    for name in sorted(names):
        path = script.parent / name
        if name and name not in (".", "..") and ":" not in name and path.exists() and path != script:
            found.append(path)
    return found


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--exe", required=True, type=Path)
    ap.add_argument("script", type=Path)
    ap.set_defaults(answers=[])
    ap.add_argument("--answer", action=Answers, metavar="yes|no|ok|cancel", help="the next box's or dialog's answer")
    ap.add_argument("--type", action=Answers, metavar="TEXT", help="the next input dialog's answer: TEXT, then Enter")
    ap.add_argument("--limit", type=float, default=120.0, help="stop the run after this many seconds (120)")
    ap.add_argument("--keep", action="store_true", help="keep the run's folder, with the screenshots and the files "
                                                        "the script wrote")
    ap.add_argument("--prefix", type=Path, default=default_prefix(), help="the Wine prefix to reuse")
    ap.add_argument("--xvfb", action="store_true", help="use a private X server even when a display is set")
    opts = ap.parse_args()

    # Ended from outside (a timeout, CI, the terminal closing), the run cleans up as on Ctrl+C: the finally
    # below ends Wine's processes and the X server and removes the run's folder.
    def ended_from_outside(number, _frame):
        raise SystemExit(128 + number)

    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, ended_from_outside)
    work = Path(tempfile.mkdtemp(prefix="kal-demo-"))
    try:
        return run(opts, work)
    finally:
        # A second signal must not cut the cleaning short.
        for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            signal.signal(number, signal.SIG_IGN)
        if not opts.keep:
            shutil.rmtree(work, ignore_errors=True)


def run(opts, work):
    """Runs the script in a folder of `work` and reports it; the caller removes `work`."""
    folder = work / "programa"
    folder.mkdir()
    shutil.copy(opts.script, folder / opts.script.name)
    for path in needed_beside(opts.script):
        (shutil.copytree if path.is_dir() else shutil.copy)(path, folder / path.name)
        print(f"copied {path} beside the script")
    display = None if opts.xvfb else os.environ.get("DISPLAY")
    print(f"KAL.exe runs {opts.script} in {folder}" + ("" if display else " (on a private Xvfb display)"))
    if not (opts.prefix / "kal-setup.txt").exists():
        print(f"setting up the Wine prefix {opts.prefix} (once)")
    given = list(opts.answers)
    shots, windows = [], []

    def save_windows():
        for w, title in windows:
            shot = folder / f"ventana-{len(shots) + 1}.png"
            subprocess.run(["import", "-window", w, str(shot)], stderr=subprocess.DEVNULL)
            shots.append(shot)
            print(f"\n[{title}] window saved as {shot}")
        windows.clear()

    def on_event(e):
        if e.kind == "box":
            time.sleep(0.5)  # the window's last paint
            save_windows()
        elif e.kind == "open":
            print(f"\nThe shell opened {e.text} with the text viewer.")

    def on_window(w, title):
        # Said at once; with --keep, its screenshot waits for the next box or its closing, when it is drawn.
        if title in GRAPHICS_TITLES:
            print(f"\n[{title}] window shown" + ("" if opts.keep else " (--keep saves a screenshot of it)"))
            if opts.keep:
                windows.append((w, title))

    def ran_out(what):
        print(f"\nThe answers ran out at {what}: the demo ends the run here "
              "(give another --answer or --type to go on).")
        return END

    def answer_for(e):
        if e.kind == "window" and e.title in GRAPHICS_TITLES:
            return LEAVE
        if e.kind == "box":
            buttons = BUTTONS.get((session.box_style or 0) & 0xF, ["OK"])
            # A box with only OK asks nothing: it takes no answer from the list.
            if len(buttons) == 1:
                print(f"\n[{e.title}]\n{e.text}\n  buttons: OK -> answered OK")
                return None
            print(f"\n[{e.title}]\n{e.text}\n  buttons: {', '.join(buttons)}", end="")
            if not given:
                print()
                return ran_out("this question")
            if given[0].kind == "type":
                print(f"\nThe next answer, --type {given[0].text!r}, is for an input dialog, but a question came "
                      "first: the demo ends the run here (give --answer yes|no for it).")
                return END
            answer = given.pop(0)
            print(f" -> answered {({'yes': 'Yes', 'no': 'No', 'cancel': 'Cancel'}).get(answer.kind, buttons[0])}")
            return answer
        what = ("[the open-file dialog]" if e.kind == "open-dialog" else
                f"[the dialog {e.title!r}]" if e.title != "KAL" else '[KAL] input dialog "Introduce tu dato"')
        if not given:
            print(f"\n{what}")
            return ran_out("this dialog")
        if given[0].kind in ("yes", "no"):
            print(f"\n{what} -> refused: the next answer, --answer {given[0].kind}, is for a question, not for a "
                  "dialog; the demo ends the run here (give --type TEXT or --answer cancel for it).")
            return END
        answer = given.pop(0)
        print(f"\n{what} -> " + (f"typed {answer.text!r}" if answer.kind == "type" else
                                  "OK with nothing typed" if answer.kind == "ok" else "cancelled"))
        return answer

    session = WineSession(work, display=display, prefix=opts.prefix.resolve(), relay_boxes=True)
    try:
        events, code, problems = session.run(Launch(args=[opts.script.name]), folder, opts.exe.resolve(), on_event=on_event, on_window=on_window,
                                        close_idle_window=3.0, timeout=opts.limit, answer_for=answer_for,
                                        before_idle_close=save_windows)
    finally:
        session.close()
    trace = folder / "FORENSE.txt"
    if trace.exists():
        print("\nFORENSE.txt:\n" + trace.read_bytes().decode("cp1252").replace("\r\n", "\n").rstrip("\n"))
    stopped = any(p.startswith("timed out") for p in problems)
    ended = Event("ended") in events
    for p in problems:
        if not p.startswith("timed out"):
            print("problem: " + p)
    if stopped:
        print(f"\nStopped: the run was still going after {opts.limit:.0f} s (--limit).")
    elif ended:
        print("\nEnded by the demo: KAL.exe did not reach its end.")
    else:
        print(f"\nKAL.exe ended with exit code {code}.")
        left_open = [e.text for e in events if e.kind == "open"]
        if left_open:
            print(f"The text viewer it opened ({', '.join(left_open)}) was still open; the demo closed it.")
    if given:
        print(f"{len(given)} answer(s) left unused.")
    if opts.keep:
        print(f"The run's folder is kept: {folder}")
    return 0 if code == 0 and not problems and not ended else 1


if __name__ == "__main__":
    sys.exit(main())
