"""The processes there are to see, from /proc: a run finds its own by their environment."""
import os
from pathlib import Path


def processes():
    """Every process there is to see: (pid, parent's pid, command line, environment, executable or "")."""
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            parent = int((entry / "stat").read_text().rsplit(")", 1)[1].split()[1])
            command = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace").strip()
            environ = (entry / "environ").read_bytes().split(b"\0")
        except (OSError, IndexError, ValueError):
            continue
        try:
            exe = os.readlink(entry / "exe")
        except OSError:
            exe = ""
        yield int(entry.name), parent, command, environ, exe


def prefix_processes(prefix):
    """The processes that run in a Wine prefix, found by their environment: (pid, command line, executable)."""
    return [(pid, command, exe) for pid, _, command, environ, exe in processes()
            if f"WINEPREFIX={prefix}".encode() in environ]
