#!/usr/bin/env python3
"""Checks the demo runner as a user runs it: every example of examples/ runs to its end under Wine with its answers
given on the command line (a box's text printed whole, however long), a run that never ends is stopped at its
limit, one that leaves the text viewer open is reported as ended, one ended by SIGTERM or SIGINT leaves no
process and no folder, nothing is left in the temporary folder, and a program named notepad.exe that the demo did
not start keeps running.

Usage: demo_test.py --exe KAL.exe --prefix DIR
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import report

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from processes import prefix_processes, processes  # noqa: E402
# The runner's temporary folder is this test's own: a person's demo, or a second test run, makes its folders
# elsewhere and is none of this test's business.
OWN_TMP = Path(tempfile.mkdtemp(prefix="kal-demo-test-"))
ENV = dict(os.environ, TMPDIR=str(OWN_TMP))


def demo_folders():
    """The folders the runner made in this test's temporary folder."""
    return set(OWN_TMP.glob("kal-demo-*"))

# Each example, its answers in order, and texts its report must hold.
RUNS = {
    "saludo": (["--type", "Ana"], ['input dialog "Introduce tu dato" -> typed \'Ana\'', "¡Hola Ana!"]),
    "calculadora": (["--type", "12", "--type", "3", "--answer", "yes", "--type", "7", "--type", "0", "--answer", "no"],
                    ["Cociente: Infinito", "buttons: Yes, No -> answered Yes", "buttons: Yes, No -> answered No",
                     "Hasta la próxima."]),
    "agenda": ([], ["copied", "Contactos: 2"]),
    "factura": ([], ["Total factura: 3.854,01 €"]),
    "prestamo": ([], ["Mes 12: paga 856,04 €  interés 3,55 €  capital 852,49 €  queda 0,00 €"]),
    "hola": ([], ["The shell opened FORENSE.txt with the text viewer.", "Hay 5 sentencias"]),
    "dibujo": ([], ["[Ventana Grafica KAL] window shown"]),
}


def prefix_programs(prefix):
    """What runs in this Wine prefix, as "pid command" texts."""
    return [f"{pid} {command}" for pid, command, _ in prefix_processes(prefix)]


def ended_by(number, exe, prefix, tmp):
    """Runs a script that loops for ever, ends the demo runner with a signal once KAL.exe runs it, and says what
    was left behind."""
    loop = Path(tmp) / "bucle.txt"
    loop.write_bytes(b".codigo;\r\n:otra;\r\n.saltar :otra;\r\n.fin;\r\n")
    before = demo_folders()
    # A Wine service an earlier run left (Wine itself, now and then, keeps rpcss.exe past its server's end) is
    # not this run's.
    earlier = set(prefix_programs(prefix))
    demo = subprocess.Popen([sys.executable, str(ROOT / "tools" / "run_demo.py"), "--exe", exe, "--xvfb",
                             "--prefix", prefix, str(loop)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            env=ENV)
    deadline = time.monotonic() + 60
    while not any("KAL.exe" in p for p in prefix_programs(prefix)) and time.monotonic() < deadline:
        time.sleep(0.5)
    running = any("KAL.exe" in p for p in prefix_programs(prefix))
    time.sleep(1)
    xservers = [pid for pid, parent, command, _, _ in processes() if parent == demo.pid and command.startswith("Xvfb")]
    demo.send_signal(number)
    try:
        demo.wait(timeout=60)
    except subprocess.TimeoutExpired:
        demo.kill()
        return [f"{signal.Signals(number).name}: the demo runner did not end"]
    time.sleep(1)
    problems = [] if running else [f"{signal.Signals(number).name}: KAL.exe never ran the loop"]
    left = sorted(set(prefix_programs(prefix)) - earlier)
    left += [f"{pid} Xvfb" for pid in xservers if Path(f"/proc/{pid}").exists()]
    folders = demo_folders() - before
    if left:
        problems.append(f"{signal.Signals(number).name} left processes: {left}")
    if folders:
        problems.append(f"{signal.Signals(number).name} left folders: {sorted(map(str, folders))}")
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--exe", required=True)
    ap.add_argument("--prefix", required=True)
    opts = ap.parse_args()
    failures = []
    try:
        return run_all(opts, failures)
    finally:
        shutil.rmtree(OWN_TMP, ignore_errors=True)


def run_all(opts, failures):

    def demo(script, *args):
        p = subprocess.run([sys.executable, str(ROOT / "tools" / "run_demo.py"), "--exe", opts.exe, "--xvfb",
                            "--prefix", opts.prefix, str(script), *args], capture_output=True, timeout=600, env=ENV)
        return p.returncode, p.stdout.decode("utf-8", errors="replace")

    with tempfile.TemporaryDirectory() as tmp:
        # A process of the same name, not started by the demo.
        decoy = Path(tmp) / "notepad.exe"
        decoy.write_bytes(Path("/bin/sleep").read_bytes())
        decoy.chmod(0o755)
        other = subprocess.Popen([str(decoy), "600"])
        try:
            for script in sorted((ROOT / "examples").glob("*.txt")):
                args, wanted = RUNS.get(script.stem, ([], []))
                # Under a loaded machine Wine has, rarely, ended a program whose box no one saw; a second run
                # tells such a hiccup from a fault of the runner, which fails both.
                for attempt in (1, 2):
                    code, out = demo(script, *args)
                    missing = [w for w in wanted + ["KAL.exe ended with exit code 0."] if w not in out]
                    if code == 0 and not missing:
                        break
                    print(f"{script.name}, run {attempt}: exit code {code}, missing {missing}:\n{out}")
                else:
                    failures.append(f"{script.name}: failed twice (see above)")
            if other.poll() is not None:
                failures.append("the demo ended a notepad.exe it had not started")
        finally:
            other.kill()
    # Ended by a signal in the middle of a loop (a timeout, CI, Ctrl+C), the runner leaves nothing running and
    # no folder.
    prefix = str(Path(opts.prefix).resolve())
    with tempfile.TemporaryDirectory() as tmp:
        for number in (signal.SIGTERM, signal.SIGINT):
            failures += ended_by(number, opts.exe, prefix, tmp)
    with tempfile.TemporaryDirectory() as tmp:
        loop = Path(tmp) / "bucle.txt"
        loop.write_bytes(b".codigo;\r\n:otra;\r\n.saltar :otra;\r\n.fin;\r\n")
        code, out = demo(loop, "--limit", "15")
        if code != 1 or "Stopped: the run was still going after 15 s (--limit)." not in out:
            failures.append(f"an endless run was not stopped at its limit: exit code {code}\n{out}")
    # Answers that run out, or an answer for a question that meets a dialog, end the run with a line saying so.
    for args, wanted in (
            (["--type", "12", "--type", "3"], ["buttons: Yes, No\n\nThe answers ran out at this question",
                                               "Ended by the demo: KAL.exe did not reach its end."]),
            (["--answer", "yes"], ["refused: the next answer, --answer yes, is for a question, not for a dialog",
                                   "Ended by the demo"])):
        code, out = demo(ROOT / "examples" / "calculadora.txt", "--limit", "60", *args)
        if code != 1 or any(w not in out for w in wanted):
            failures.append(f"calculadora.txt with {args}: exit code {code}\n{out}")
    # A script that opens a file in the text viewer and goes on: its box is answered although the viewer came up
    # over it, and the report says how KAL.exe ended and that the viewer was left open.
    with tempfile.TemporaryDirectory() as tmp:
        viewer = Path(tmp) / "visor.txt"
        viewer.write_bytes(b".codigo;\r\n&f := ~nota.txt;\r\n&t := ~hola;\r\n&uno := 1;\r\n&r := %WOUT &f &t &uno;\r\n"
                           b"&t := ~listo;\r\n.aviso &t;\r\n.fin;\r\n")
        code, out = demo(viewer, "--limit", "60")
        wanted = ["listo", "KAL.exe ended with exit code 0.", "The text viewer it opened (nota.txt) was still open"]
        if code != 0 or any(w not in out for w in wanted):
            failures.append(f"a run that left the text viewer open: exit code {code}\n{out}")
    left = demo_folders()
    if left:
        failures.append(f"left behind: {sorted(map(str, left))}")
    if not (Path(opts.prefix) / "kal-setup.txt").exists():
        failures.append(f"the Wine prefix is not kept in {opts.prefix}")
    return report.finish("demo", failures)


if __name__ == "__main__":
    sys.exit(main())
