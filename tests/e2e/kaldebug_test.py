#!/usr/bin/env python3
"""Talks to kaldebug.exe under Wine over the Debug Adapter Protocol, as an editor does (the script shows no box,
so no display is needed): a conditional breakpoint stops where its condition holds, with the values the script
holds then and the statement's line; the run goes on to its end, writing its file in the script's folder (one
with a blank and an accent); a script that does not compile gets both its errors, with their lines; and damaged
or early messages get error responses while the adapter goes on serving.

Usage: kaldebug_test.py KALDEBUG.EXE --prefix DIR
"""
import argparse
import subprocess
import sys
import tempfile
from pathlib import Path

import report

LOOP = (b".codigo;\r\n&n := 0;\r\n:otra;\r\n&n := &n + 1;\r\n&tres := 3;\r\n.cmp &n &tres;\r\n.saltarcero :otra;\r\n"
        b"&f := ~salida.txt;\r\n&c := 0;\r\n&r := %WOUT &f &n &c;\r\n.fin;\r\n")


class Adapter(report.FramedPipe):
    def __init__(self, exe, prefix):
        super().__init__(["wine", exe], env=report.wine_console_env(prefix))
        self.seq = 0

    def send(self, command, arguments=None):
        self.seq += 1
        self.write({"seq": self.seq, "type": "request", "command": command, "arguments": arguments or {}})
        return self.seq

    def receive(self):
        return self.read()

    def until(self, want):
        """Every message up to the first that `want` accepts, which is returned last."""
        seen = []
        while True:
            m = self.receive()
            if m is None:
                return seen + [None]
            seen.append(m)
            if want(m):
                return seen

    def request(self, command, arguments=None):
        asked = self.send(command, arguments)
        return self.until(lambda m: m.get("type") == "response" and m.get("request_seq") == asked)[-1]


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("exe")
    ap.add_argument("--prefix", required=True)
    opts = ap.parse_args()
    failures = []

    def expect(what, got, want):
        if got != want:
            failures.append(f"{what}: got {got!r}, want {want!r}")

    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp) / "Mis guiones" / "Año 2026"
        folder.mkdir(parents=True)
        (folder / "bucle.txt").write_bytes(LOOP)
        (folder / "mal.txt").write_bytes(b".codigo;\r\n&a := 1\r\n&b := 2;\r\nhola!;\r\n.fin;\r\n")
        script = windows_path(folder / "bucle.txt")
        a = Adapter(opts.exe, opts.prefix)
        expect("a request before initialize", a.request("threads").get("success"), False)
        a.raw(b"Content-Length: 5\r\n\r\n{oops")  # no JSON: said, and the next message is served
        expect("initialize", a.request("initialize", {"adapterID": "kal"}).get("success"), True)
        expect("an unknown request", a.request("frobnicate").get("success"), False)
        launched = a.request("launch", {"program": script})
        expect("launch", launched.get("success"), True)
        a.until(lambda m: m.get("event") == "initialized")
        placed = a.request("setBreakpoints", {"source": {"path": script},
                                              "breakpoints": [{"line": 5, "condition": "&n = 2"}, {"line": 40}]})
        expect("breakpoints", [(b["verified"], b["line"]) for b in placed["body"]["breakpoints"]],
               [(True, 5), (False, 40)])
        a.request("configurationDone")
        stopped = a.until(lambda m: m.get("event") == "stopped")[-1]
        expect("stopped", stopped and stopped["body"]["reason"], "breakpoint")
        frame = a.request("stackTrace", {"threadId": 1})["body"]["stackFrames"][0]
        expect("where", (frame["line"], frame["source"]["path"]), (5, script))
        values = {v["name"]: v["value"] for v in a.request("variables", {"variablesReference": 1})["body"]["variables"]}
        expect("variables", values, {"&n": "2", "&tres": "3"})
        a.request("continue")
        a.until(lambda m: m.get("event") == "terminated")
        expect("the file in the script's folder", (folder / "salida.txt").read_bytes(), b"3\r\n")
        expect("disconnect", a.request("disconnect").get("success"), True)
        expect("exit code", a.p.wait(timeout=60), 0)

        b = Adapter(opts.exe, opts.prefix)
        b.request("initialize", {"adapterID": "kal"})
        asked = b.send("launch", {"program": windows_path(folder / "mal.txt")})
        seen = b.until(lambda m: m.get("type") == "response" and m.get("request_seq") == asked)
        said = [m["body"]["output"] for m in seen if m.get("event") == "output"]
        expect("compile errors, with their lines", [s.split(":")[2] for s in said], ["2", "4"])
        expect("launch refused", seen[-1].get("success"), False)
        b.request("disconnect")
        b.p.wait(timeout=60)
        said = subprocess.run(["wine", opts.exe, "--version"], env=report.wine_console_env(opts.prefix),
                              capture_output=True, timeout=300).stdout.replace(b"\r\n", b"\n")
        if not said.startswith(b"kaldebug ") or not said.endswith(b"\n"):
            failures.append(f"--version said {said!r}")
    return report.finish("kaldebug", failures)


if __name__ == "__main__":
    sys.exit(main())
