#!/usr/bin/env python3
"""Talks to kaldebug.exe under Wine over raw frames (the script shows no box, so no display is needed): damaged
or early messages, fields of the wrong JSON type, arguments nested 40,000 deep, unknown requests, a script far
too large and bad breakpoints get errors while the adapter goes on serving; a value set with a NUL is the one the
script reads; and it ends on disconnect. The conversations an editor has are debug_client_test.py's.

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
        (Path(tmp) / "bucle.txt").write_bytes(LOOP)
        script = windows_path(Path(tmp) / "bucle.txt")
        a = Adapter(opts.exe, opts.prefix)
        expect("a request before initialize", a.request("threads").get("success"), False)
        a.raw(b"Content-Length: 5\r\n\r\n{oops")  # no JSON: said, and the next message is served
        expect("initialize", a.request("initialize", {"adapterID": "kal"}).get("success"), True)
        expect("an unknown request", a.request("frobnicate").get("success"), False)
        # Fields of the wrong type and deep nesting: an error response when the message has its number, a word on
        # standard error when it has none.
        for body, want in ((b'{"seq": 90, "type": 7, "command": "threads"}', "response"),
                           (b'{"seq": 91, "type": "request", "command": 5}', "response"),
                           (b'{"seq": "x", "type": "request", "command": "threads"}', "stderr"),
                           (b'{"seq": 92, "type": "request", "command": "threads", "arguments": ' +
                            b"[" * 40000 + b"]" * 40000 + b"}", "stderr")):
            a.raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)
            got = a.receive() or {}
            expect(f"the answer to {body[:60]!r}",
                   "response" if got.get("type") == "response" and got.get("success") is False
                   else got.get("body", {}).get("category"), want)
        large = Path(tmp) / "grande.txt"
        with open(large, "wb") as f:
            f.truncate(40 << 20)
        refused = a.request("launch", {"program": windows_path(large)})
        expect("a 40 MB script", (refused.get("success"), "4 MB" in refused.get("message", "")), (False, True))
        expect("launch", a.request("launch", {"program": script}).get("success"), True)
        a.until(lambda m: m.get("event") == "initialized")
        placed = a.request("setBreakpoints", {"source": {"path": script}, "breakpoints": [
            {"line": 40}, {"line": "22"}, {"line": 5, "hitCondition": "3abc"}, {"line": 4, "logMessage": "n {&n}"}]})
        expect("breakpoints, each on its own",
               [(b["verified"], b.get("line"), b.get("message", "")[:12]) for b in placed["body"]["breakpoints"]],
               [(False, 40, "No hay ningu"), (False, None, "La línea de "), (False, 5, "Las veces se"), (True, 4, "")])
        # A value set with a NUL is held to what the script reads: the loop's "3" ends it, and WOUT writes "3".
        a.request("setBreakpoints", {"source": {"path": script}, "breakpoints": [{"line": 6}]})
        a.request("configurationDone")
        a.until(lambda m: m.get("event") == "stopped")
        held = a.request("setVariable", {"variablesReference": 1, "name": "&n", "value": "3\u0000" + "x" * 70000})
        expect("a value set with a NUL", held.get("body", {}).get("value"), "3")
        a.request("setBreakpoints", {"source": {"path": script}, "breakpoints": []})
        a.request("continue")
        a.until(lambda m: m.get("event") == "terminated")
        expect("what the script wrote of it", (Path(tmp) / "salida.txt").read_bytes().rstrip(b"\r\n"), b"3")
        expect("disconnect", a.request("disconnect").get("success"), True)
        expect("exit code", a.p.wait(timeout=60), 0)
        said = subprocess.run(["wine", opts.exe, "--version"], env=report.wine_console_env(opts.prefix),
                              capture_output=True, timeout=300).stdout.replace(b"\r\n", b"\n")
        if not said.startswith(b"kaldebug ") or not said.endswith(b"\n"):
            failures.append(f"--version said {said!r}")
    return report.finish("kaldebug", failures)


if __name__ == "__main__":
    sys.exit(main())
