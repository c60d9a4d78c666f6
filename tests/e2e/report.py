"""What the end-to-end test scripts share: kalcheck's builds to run, a console program's environment under Wine,
and the report."""
import argparse
import json
import os
import subprocess


def wine_console_env(prefix):
    """Wine in its own prefix (made on first use), quiet, without installer prompts and without a display."""
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    env.pop("DISPLAY", None)  # a console program needs no display
    return env


def finish(name, failures):
    """Prints each failure and a summary line; the exit code for the script."""
    for f in failures:
        print("FAIL " + f)
    print(f"{name}: " + ("ok" if not failures else f"{len(failures)} failed"))
    return 1 if failures else 0


def kalcheck_builds(description):
    """The kalcheck builds a test names on its command line (KALCHECK [--wine KALCHECK.EXE --prefix DIR]): each as
    (name, command, environment), the native one first."""
    ap = argparse.ArgumentParser(description=description)
    ap.add_argument("kalcheck")
    ap.add_argument("--wine", help="kalcheck.exe, run under Wine too")
    ap.add_argument("--prefix", help="the Wine prefix to use (made on first use)")
    opts = ap.parse_args()
    builds = [("native", [os.path.abspath(opts.kalcheck)], None)]
    if opts.wine:
        builds.append(("wine", ["wine", os.path.abspath(opts.wine)], wine_console_env(opts.prefix)))
    return builds


class FramedPipe:
    """A program spoken to as the language server and the debug adapter are: JSON messages, each after a
    "Content-Length: N" header and an empty line, on its standard input and output."""

    def __init__(self, command, env=None, cwd=None):
        self.p = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  env=env, cwd=cwd)

    def raw(self, data):
        self.p.stdin.write(data)
        self.p.stdin.flush()

    def write(self, message):
        body = json.dumps(message).encode()
        self.raw(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def read(self):
        """The next message, or None once the program has closed its output."""
        length = None
        while True:
            line = self.p.stdout.readline()
            if not line:
                return None
            if line == b"\r\n":
                break
            name, _, value = line.decode().partition(":")
            if name.lower() == "content-length":
                length = int(value)
        return json.loads(self.p.stdout.read(length))
