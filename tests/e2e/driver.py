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
import signal
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

CASE_TIMEOUT = 60.0


# ----------------------------------------------------------------------------------------------------------------
# Expectations


def expand(data):
    """{{repeat N:TEXT}} stands for TEXT written N times, {{today}} for the local date (bytes or text)."""
    today = time.strftime("%d/%m/%Y")
    if isinstance(data, bytes):
        data = data.replace(b"{{today}}", today.encode())
        return re.sub(rb"\{\{repeat (\d+):(.*?)\}\}", lambda m: m.group(2) * int(m.group(1)), data, flags=re.S)
    data = data.replace("{{today}}", today)
    return re.sub(r"\{\{repeat (\d+):(.*?)\}\}", lambda m: m.group(2) * int(m.group(1)), data, flags=re.S)


def unescape(text):
    text = expand(text)

    def repl(m):
        s = m.group(1)
        if s[0] == "x":
            # The five bytes Windows-1252 leaves undefined stand for the control characters of their number.
            n = int(s[1:], 16)
            try:
                return bytes([n]).decode("cp1252")
            except UnicodeDecodeError:
                return chr(n)
        return {"r": "\r", "n": "\n", "t": "\t", "\\": "\\"}[s]

    return re.sub(r"\\(x[0-9A-Fa-f]{2}|[rnt\\])", repl, text)


@dataclass
class Case:
    name: str
    script: Path
    args: list = field(default_factory=list)
    no_args: bool = False
    exe: str = "KAL.exe"
    script_as: str = ""
    no_script: bool = False
    backends: tuple = ("native", "wine")
    events: list = field(default_factory=list)  # ("box", title, text) ("open-dialog",) ("open", name) ("window", title)
    answers: list = field(default_factory=list)  # one per interactive event, in order
    bitmaps: list = field(default_factory=list)  # (name, checks text)
    screens: dict = field(default_factory=dict)  # interactive event index -> [(title, w, h, checks)]
    files: dict = field(default_factory=dict)
    absent: list = field(default_factory=list)
    present: list = field(default_factory=list)
    max_memory_mb: int = 0
    given: dict = field(default_factory=dict)
    read_only: list = field(default_factory=list)
    folders: list = field(default_factory=list)
    databases: list = field(default_factory=list)  # (path, description text)
    many: list = field(default_factory=list)
    copies: list = field(default_factory=list)  # files and folders copied into the case folder
    then: "Case" = None

    def command_args(self):
        if self.no_args:
            return []
        return self.args or [self.script_as]


def read_block(lines, i):
    """The "|" lines from i on, each ended by CR LF, as Windows-1252 bytes; and the index after them."""
    content = []
    while i < len(lines) and lines[i].startswith("|"):
        content.append(unescape(lines[i][2:] if lines[i].startswith("| ") else lines[i][1:]))
        i += 1
    return to_cp1252("".join(c + "\r\n" for c in content)), i


def to_cp1252(text):
    """Windows-1252 bytes, the undefined five included (U+0081 is byte 0x81)."""
    out = bytearray()
    for c in text:
        if ord(c) in (0x81, 0x8D, 0x8F, 0x90, 0x9D):
            out.append(ord(c))
        else:
            out += c.encode("cp1252")
    return bytes(out)


def parse_case(expect_path, root):
    case = Case(name=str(expect_path.relative_to(root).with_suffix("")), script=expect_path.with_suffix(".txt"))
    case.script_as = case.script.name
    first = case
    lines = expect_path.read_text(encoding="utf-8").splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.strip() or line.startswith("#"):
            continue
        if line.strip() == "no-args":
            case.no_args = True
            continue
        if line.strip() == "no-script":
            case.no_script = True
            continue
        m = re.match(r"box (\S+?)(?: answer=(\S+))?: ?(.*)$", line)
        if m:
            case.events.append(("box", m.group(1), unescape(m.group(3))))
            case.answers.append(m.group(2) or "Return")
            continue
        m = re.match(r"window (.+?): (.*)$", line)
        if m:
            case.events.append(("window", m.group(1)))
            case.answers.append(unescape(m.group(2)))
            continue
        m = re.match(r"screen (.+?) (\d+)x(\d+): (.*)$", line)
        if m:
            checks = []
            for c in m.group(4).split():
                xy, _, colour = c.partition("=")
                x, y = (int(v) for v in xy.split(","))
                checks.append((x, y, colour.lstrip("!"), colour.startswith("!")))
            case.screens.setdefault(len(case.answers), []).append(
                (m.group(1), int(m.group(2)), int(m.group(3)), checks))
            continue
        m = re.match(r"bmp (.+?): (.*)$", line)
        if m:
            case.bitmaps.append((m.group(1), m.group(2)))
            continue
        m = re.match(r"(file|given)-hex (.+?): ?(.*)$", line)
        if m:
            files = case.files if m.group(1) == "file" else case.given
            files[m.group(2)] = bytes.fromhex(expand(m.group(3)).replace(" ", ""))
            continue
        key, sep, value = line.partition(":")
        if not sep:
            raise ValueError(f"{expect_path}:{i}: not a directive: {line!r}")
        value = value.strip()
        if key == "arg":
            case.args.append(unescape(value))
        elif key == "exe":
            case.exe = value
        elif key == "script":
            case.script = (expect_path.parent / value).resolve()
            case.script_as = case.script.name
        elif key == "copy":
            case.copies.append((expect_path.parent / value).resolve())
        elif key == "script-as":
            case.script_as = value
        elif key == "backends":
            case.backends = tuple(value.split())
        elif key == "open-dialog":
            case.events.append(("open-dialog",))
            case.answers.append(value)
        elif key == "opens":
            case.events.append(("open", value))
        elif key == "file":
            case.files[value], i = read_block(lines, i)
        elif key == "given":
            case.given[value], i = read_block(lines, i)
        elif key == "given-many":
            count, _, pattern = value.partition(" ")
            case.many.append((int(count), pattern.strip()))
        elif key == "folder":
            case.folders.append(value)
        elif key == "database":
            description, i = read_block(lines, i)
            case.databases.append((value, description.decode("cp1252").replace("\r\n", "\n")))
        elif key == "read-only":
            case.read_only.append(value)
        elif key == "then-run":
            case.then = Case(name=case.name + " (then " + value + ")", script=case.script, exe=value,
                             args=case.args, no_args=case.no_args, script_as=case.script_as, backends=case.backends)
            case = case.then
        elif key == "absent":
            case.absent.append(value)
        elif key == "present":
            case.present.append(value)
        elif key == "max-memory-mb":
            case.max_memory_mb = int(value)
        else:
            raise ValueError(f"{expect_path}:{i}: unknown directive {key!r}")
    return first


def script_bytes(case):
    return expand(case.script.read_bytes())


def case_json(case, root):
    """A case as another runner (the browser page's test) reads it: the script's bytes, the steps in order with
    their answers, the files before and after. What only a desktop run can do is listed under "unsupported"."""
    steps, interactive = [], 0
    for event in case.events:
        if event[0] == "open":
            continue
        for title, width, height, checks in case.screens.get(interactive, []):
            written = " ".join(f"{x},{y}={'!' if other else ''}{colour}" for x, y, colour, other in checks)
            steps.append({"kind": "screen", "title": title, "width": width, "height": height, "checks": written})
        step = {"kind": event[0], "title": event[1] if len(event) > 1 else "", "answer": case.answers[interactive]}
        if event[0] == "box":
            step["text"] = event[2]
        steps.append(step)
        interactive += 1
    # What the page cannot do: start without a script or with another command line, be renamed, or run a
    # script from a subfolder; databases need kalbd to be made.
    unsupported = [name for name, used in (
        ("no-args", case.no_args), ("exe", case.exe != "KAL.exe"), ("no-script", case.no_script),
        ("script in a subfolder", "/" in case.script_as), ("then-run", case.then is not None),
        ("arg", case.command_args() != [case.script_as]), ("database without kalbd", case.databases and not KALBD),
        ("open-dialog", any(e[0] == "open-dialog" for e in case.events))) if used]
    return {
        "name": case.name,
        "script": case.script_as,
        "script_hex": "" if case.no_script else script_bytes(case).hex(),
        # A case that runs a script of examples/ instead of its own.
        "example": case.script.parent != (root / case.name).parent,
        "steps": steps,
        "opens": [e[1] for e in case.events if e[0] == "open"],
        "disk": [] if unsupported else folder_entries(case),
        "files": [{"name": n, "hex": b.hex()} for n, b in case.files.items()],
        "bitmaps": [{"name": n, "checks": c} for n, c in case.bitmaps],
        "absent": case.absent,
        "present": case.present,
        "unsupported": unsupported,
    }


def folder_entries(case):
    """What the case's folder holds before the run, the script aside, as the other backends make it: files with
    their bytes and whether they are read-only, and folders."""
    with tempfile.TemporaryDirectory(prefix="kal-case-") as work:
        folder = prepare_folder(case, Path(work))
        entries = []
        for path in sorted(folder.rglob("*")):
            name = path.relative_to(folder).as_posix()
            if path.is_dir():
                entries.append({"name": name, "folder": True})
            elif name != case.script_as:
                entries.append({"name": name, "hex": path.read_bytes().hex(),
                                "read_only": not path.stat().st_mode & 0o200})
        return entries


KALBD = None  # the kalbd tool, for cases with databases


def prepare_folder(case, work_root):
    folder = Path(tempfile.mkdtemp(prefix=re.sub(r"\W", "_", case.name) + "-", dir=work_root))
    for path, description in case.databases:
        root, _, name = path.rpartition("/")
        described = folder.parent / (folder.name + "-" + name + ".txt")
        described.write_text(description, encoding="utf-8")
        subprocess.run([KALBD, "crear", str(folder / root), name, str(described)], check=True,
                       stdout=subprocess.DEVNULL)
    for name in case.folders:
        (folder / name).mkdir(parents=True, exist_ok=True)
    for source in case.copies:
        if source.is_dir():
            shutil.copytree(source, folder / source.name)
        else:
            shutil.copy(source, folder / source.name)
    if not case.no_script:
        (folder / case.script_as).parent.mkdir(parents=True, exist_ok=True)
        (folder / case.script_as).write_bytes(script_bytes(case))
    for name, content in case.given.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_bytes(content)
    for count, pattern in case.many:
        (folder / pattern).parent.mkdir(parents=True, exist_ok=True)
        for n in range(1, count + 1):
            (folder / pattern.replace("{n}", str(n))).write_bytes(b"")
    for name in case.read_only:
        (folder / name).chmod(0o444)
    return folder


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


# ----------------------------------------------------------------------------------------------------------------
# Native backend


ADDRESS_LIMIT = 1 << 30  # for the cases with a memory limit


def run_native(case, folder, host, limit_address=False):
    replies = []
    for answer in case.answers:
        if answer in ("Return", "Escape"):
            replies.append("cancel" if answer == "Escape" else "default")
        elif answer == "y":
            replies.append("yes")
        elif answer == "n":
            replies.append("no")
        elif answer.startswith("type "):
            replies.append("type:" + answer[5:])
        elif answer == "close":
            replies.append("close")
        else:
            replies.append("default")
    cmd = [host, "--dir", str(folder), "--exe", case.exe]
    for r in replies:
        cmd += ["--reply", r]
    for a in case.command_args():
        cmd += ["--arg", a]
    with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file:
        limit = (lambda: resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_LIMIT, ADDRESS_LIMIT))) \
            if limit_address else None
        proc = subprocess.Popen(cmd, stdout=out_file, stderr=err_file, preexec_fn=limit)
        timer = threading.Timer(CASE_TIMEOUT, proc.kill)
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
            events.append(("box", e["title"], e["text"]))
        elif e["event"] == "open-dialog":
            events.append(("open-dialog",))
        elif e["event"] == "window":
            events.append(("window", e["title"]))
        elif e["event"] == "open":
            events.append(("open", e["path"]))
        elif e["event"] == "exit":
            code = e["code"]
    if returncode != 0:
        problems.append(f"host failed with {returncode}: {err.decode(errors='replace')}")
    return events, code, problems, peak_kb


# ----------------------------------------------------------------------------------------------------------------
# Wine backend


def xdo(*args, check=False):
    r = subprocess.run(["xdotool", *args], capture_output=True, text=True, env=os.environ)
    return r.stdout.strip() if (r.returncode == 0 or not check) else None


def visible_windows(classname):
    out = xdo("search", "--onlyvisible", "--classname", classname)
    return [w for w in (out or "").split() if w]


GRAPHICS_TITLES = ("Ventana Grafica KAL",)


def check_screen(title, width, height, checks):
    """Pixels of a window's client area: the window stands at the screen's top-left, its frame as thick on the
    left, right and bottom, so the client's origin follows from the window's size and the client's."""
    ids = xdo("search", "--name", "^" + title + "$").split()
    if not ids:
        return [f"screen: no window {title!r}"]
    geometry = xdo("getwindowgeometry", ids[-1])
    m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", geometry, re.S)
    if not m:
        return [f"screen: no geometry for {title!r}"]
    x0, y0, gw, gh = (int(v) for v in m.groups())
    problems = []
    if (x0, y0) != (0, 0):
        problems.append(f"screen: {title!r} at {x0},{y0}, expected the top-left corner")
    frame = (gw - width) // 2
    top = gh - height - frame
    if gw - width < 0 or (gw - width) % 2 != 0 or top < frame:
        return problems + [f"screen: {title!r} is {gw}x{gh}, which holds no {width}x{height} client area"]
    shot = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True).stdout
    screen_width = int(re.search(r"dimensions:\s+(\d+)x", subprocess.run(
        ["xdpyinfo"], capture_output=True, text=True).stdout).group(1))
    for x, y, colour, negated in checks:
        i = ((y0 + top + y) * screen_width + x0 + frame + x) * 3
        got = shot[i:i + 3].hex()
        if (got == colour.lower()) == negated:
            problems.append(f"screen: {title!r} client pixel {x},{y} is {got}, expected {'not ' if negated else ''}"
                            f"{colour.lower()}")
    return problems


def close_graphics_window():
    """Clicks the close box of the graphics window, as a user would: a key would go to whichever window Wine
    holds active, which is the message box while one is open."""
    for g in xdo("search", "--name", "^" + GRAPHICS_TITLES[0] + "$").split():
        m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", xdo("getwindowgeometry", g), re.S)
        if m:
            x0, y0, width, _ = (int(v) for v in m.groups())
            xdo("mousemove", str(x0 + width - 12), str(y0 + 10))
            xdo("click", "1")
            return


# Wine's trace of a box's text keeps only its first 300 or so characters, and then says "...".
WINE_TEXT = re.compile(r'MSGBOX_OnInit L"((?:[^"\\]|\\.)*)"(\.\.\.)?')
# The relay trace of a MessageBoxW call: its last argument is the style (the buttons in its low four bits).
BOX_STYLE = re.compile(r"Call user32\.MessageBoxW\(.*,([0-9a-fA-F]+)\) ret=")


def wine_unescape(s):
    def repl(m):
        t = m.group(1)
        if len(t) == 4:
            return chr(int(t, 16))
        return {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", '"': '"'}.get(t, t)

    return re.sub(r"\\([0-9a-fA-F]{4}|.)", repl, s)


class WineSession:
    """One X server and one Wine prefix for the whole suite.

    The prefix is private to the session (in work_root) unless `prefix` names one to reuse, such as the demo's
    cached prefix, which is set up once. With relay_boxes, each message box's buttons are traced too (box_style after its event)."""

    def __init__(self, work_root, display=None, prefix=None, relay_boxes=False):
        self.work_root = Path(work_root)
        self.shared = prefix is not None
        self.prefix = Path(prefix) if prefix else self.work_root / "prefix"
        self.relay_boxes = relay_boxes
        self.box_style = None
        self.box_text_helper = None
        self.box_text_from = None  # box_text.exe when it is not beside the KAL.exe that runs
        self.server = None
        self.xvfb = None
        self.windows_checked = False
        try:
            if display:
                os.environ["DISPLAY"] = display
            else:
                self._start_xvfb()
            self._start_wine()
        except BaseException:  # a signal or a failure while setting up leaves no X server behind
            self.close()
            raise

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        display = b""
        while not display.endswith(b"\n"):
            chunk = os.read(read_fd, 16)
            if not chunk:
                raise RuntimeError("Xvfb did not start")
            display += chunk
        os.close(read_fd)
        os.environ["DISPLAY"] = ":" + display.decode().strip()

    def _start_wine(self):
        os.environ["WINEPREFIX"] = str(self.prefix)
        os.environ["WINEARCH"] = "win64"
        os.environ["WINEDLLOVERRIDES"] = "mscoree,mshtml="  # no Mono or Gecko installer prompts
        os.environ["WINEDEBUG"] = "-all"
        # What the prefix was set up for; a reused prefix that matches needs nothing more.
        setup = f"managed={'N' if self.xvfb else 'Y'} relay={'user32.MessageBoxW' if self.relay_boxes else ''}\n"
        ready = self.prefix / "kal-setup.txt"
        if not (self.shared and ready.exists() and ready.read_text() == setup):
            self._set_up_prefix()
            ready.write_text(setup)
        self._start_server()

    def _start_server(self):
        if not self.shared:
            # A persistent server keeps every case's start fast.
            self.server = subprocess.Popen(["wineserver", "-p", "-f"], stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)

    def _restart_server(self):
        subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self.server is not None:
            self.server.wait(timeout=60)
        self._start_server()

    def make_sure_windows_show(self, helper):
        """Problems if no program of the prefix can make a window. Wine's desktop process, started by the first
        program that needs it, now and then comes up without its display driver on a loaded machine, and then no
        program of the prefix shows anything (message boxes return at once) until its server starts again."""
        self.windows_checked = True
        said = ""
        for attempt in range(4):
            # Into a file: the desktop process it may start keeps a pipe open.
            with tempfile.TemporaryFile() as err:
                code = subprocess.run(["wine", str(helper), "--window"], stdout=subprocess.DEVNULL, stderr=err,
                                      timeout=120, env=dict(os.environ, WINEDEBUG="-all,err+winediag")).returncode
                err.seek(0)
                if code == 0:
                    if attempt:
                        print(f"note: Wine made windows after {attempt} new start(s) of its server; it had said: "
                              + said)
                    return []
                said = " ".join(err.read().decode(errors="replace").split()) or f"exit code {code}"
            self._restart_server()
        return [f"Wine makes no windows in this prefix: {said}"]

    def _set_up_prefix(self):
        def reg(*args):
            subprocess.run(["wine", "reg", *args, "/f"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=120)

        self.prefix.mkdir(parents=True, exist_ok=True)
        subprocess.run(["wineboot", "-i"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        # Without Mono and Gecko a new prefix may miss the .txt association; the trace file needs a viewer.
        reg("add", r"HKCR\.txt", "/ve", "/d", "txtfile")
        # With no window manager on the X server, a managed window that closes makes Wine wait two seconds for a
        # state only a window manager sets. Unmanaged windows close at once. A real display has its manager.
        if self.xvfb:
            reg("add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N")
        elif self.shared:  # a reused prefix may hold the other setting
            reg("delete", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed")
        # Relay tracing of MessageBoxW alone shows each box's style, which no other trace holds.
        if self.relay_boxes:
            reg("add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/d", "user32.MessageBoxW")
        elif self.shared:
            reg("delete", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude")
        subprocess.run(["wineserver", "-w"], timeout=300)

    def close(self):
        # Ends this prefix's server and so every Wine process of the prefix: the explorer of a reused prefix would
        # otherwise stay bound to an X server that is about to go. One run at a time uses a prefix.
        subprocess.run(["wineserver", "-k"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        # A Wine service caught starting while its server ends (rpcss.exe, now and then) outlives it: Wine's
        # programs of this prefix, and only those, are ended, found by their environment.
        for pid, _, exe in prefix_processes(self.prefix):
            if "/wine" in exe:
                try:
                    os.kill(pid, signal.SIGKILL)
                except OSError:
                    pass
        for p in (self.server, self.xvfb):
            if p is None:
                continue
            p.terminate()
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()

    def _stuck_report(self, err_path):
        """What a run that never ended left to see: the windows on the display and Wine's last words."""
        windows = [f"{w} {xdo('getwindowname', w)!r}" for w in xdo("search", "--onlyvisible", "--name", "").split()]
        said = err_path.read_text(encoding="utf-8", errors="replace").splitlines()[-8:]
        server = "" if self.xvfb is None or self.xvfb.poll() is None else "; the X server had ended"
        return (f"{server}\n  windows shown: {', '.join(windows) or 'none'}" +
                "".join("\n  stderr: " + line for line in said))

    def _make_sure_answered(self, window, key, err_path, texts_seen):
        """A window that opened meanwhile (the text viewer the shell starts) may have taken the key: while the box
        stays and no other box has come, it is made active again and given the key again."""
        for _ in range(3):
            deadline = time.monotonic() + 1.5
            while time.monotonic() < deadline:
                if window not in xdo("search", "--onlyvisible", "--name", "").split() or \
                        len(WINE_TEXT.findall(err_path.read_text(encoding="utf-8", errors="replace"))) > texts_seen:
                    return
                time.sleep(0.1)
            # Raised and clicked on its caption, it is Wine's active window again, as a person would make it.
            xdo("windowraise", window)
            m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", xdo("getwindowgeometry", window), re.S)
            if m:
                x0, y0, width, _ = (int(v) for v in m.groups())
                xdo("mousemove", str(x0 + width // 2), str(y0 + 8))
                xdo("click", "1")
            xdo("windowfocus", "--sync", window)
            xdo("key", key)

    def _whole_box_text(self, title, start):
        """The whole text of a box whose trace was cut, read from the box itself by the helper box_text.exe
        (built beside KAL.exe); marked with "[cut]" when there is no helper or no box to read."""
        helper = self.box_text_helper
        if helper is not None and helper.exists():
            got = subprocess.run(["wine", str(helper), title], capture_output=True, env=os.environ, timeout=60)
            whole = got.stdout.decode("utf-8", errors="replace")
            if got.returncode == 0 and whole.startswith(start):
                return whole
        return start + "[cut]"

    def _viewers(self, folder):
        """The text viewers this session's programs started on files of `folder`: (pid, file) pairs. Other
        prefixes' processes, and other runs' in a shared prefix, are not ours to see or end."""
        # A folder in the prefix's drive C: is seen there, any other through Z:.
        drive_c = (self.prefix / "drive_c").resolve()
        inside = Path(folder).resolve()
        windows = "C:\\" + str(inside.relative_to(drive_c)) if inside.is_relative_to(drive_c) else "Z:" + str(folder)
        folder_prefix = (windows.replace("/", "\\") + "\\").lower()
        out = subprocess.run(["pgrep", "-af", r"notepad\.exe"], capture_output=True, text=True).stdout
        found = []
        for line in out.splitlines():
            pid, _, command = line.partition(" ")
            m = re.search(r"notepad\.exe\s+(.*)$", command, re.I)
            if not m:
                continue
            try:
                environ = Path(f"/proc/{pid}/environ").read_bytes().split(b"\0")
            except OSError:
                continue
            name = m.group(1).strip().strip('"')
            if f"WINEPREFIX={self.prefix}".encode() in environ and name.lower().startswith(folder_prefix):
                found.append((int(pid), name[len(folder_prefix):]))
        return found

    def kill_viewers(self, folder):
        for pid, _ in self._viewers(folder):
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass

    def viewer_files(self, folder):
        """Files of `folder` the shell opened with the text viewer, named relative to it."""
        return [name for _, name in self._viewers(folder)]

    def run(self, case, folder, exe_path, on_event=None, on_window=None, close_idle_window=None,
            timeout=CASE_TIMEOUT, answer_for=None, before_idle_close=None):
        """Runs one case; on_event(event) hears every event as it happens, on_window(id, title) every window that is
        neither a message box nor the open-file dialog (a graphics window) before it is answered. With
        close_idle_window (seconds), a graphics window is closed once nothing new has shown for that long.
        answer_for(event), when given, chooses each answer instead of the case's list (None: the default; "end"
        ends the run there);
        before_idle_close() is called before an idle graphics window is closed."""
        self.box_text_helper = self.box_text_from or Path(exe_path).parent / "box_text.exe"
        if not self.windows_checked and self.box_text_helper.exists():
            unable = self.make_sure_windows_show(self.box_text_helper)
            if unable:
                return [], None, unable
        if not (folder / case.exe).exists():  # a later run starts what the earlier one left, renamed or not
            shutil.copy(exe_path, folder / case.exe)
        env = dict(os.environ, WINEDEBUG="-all,err+winediag,trace+msgbox" + (",+relay" if self.relay_boxes else ""))
        err_path = folder.parent / (folder.name + ".stderr")
        with open(err_path, "wb") as err:
            proc = subprocess.Popen(["wine", "./" + case.exe, *case.command_args()], cwd=folder, env=env,
                                    stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        events, problems = [], []
        answers = list(case.answers)
        handled = set()
        texts_seen = 0
        deadline = time.monotonic() + timeout
        classname = case.exe.lower()
        last_seen = time.monotonic()
        waiting_since = None
        while proc.poll() is None:
            if time.monotonic() > deadline:
                problems.append(f"timed out after {timeout:.0f} s" + self._stuck_report(err_path))
                os.killpg(proc.pid, signal.SIGKILL)
                break
            visible = visible_windows(classname)
            wins = [w for w in visible if w not in handled]
            if not wins and visible:
                # X reuses the ids of windows that have gone, so a new box may show under an answered one's id: a
                # traced box text that no new window has taken for a second belongs to such a window.
                if len(WINE_TEXT.findall(err_path.read_text(encoding="utf-8", errors="replace"))) > texts_seen:
                    waiting_since = waiting_since or time.monotonic()
                    if time.monotonic() - waiting_since > 1.0:
                        wins = [w for w in visible if xdo("getwindowname", w) not in GRAPHICS_TITLES][:1]
                else:
                    waiting_since = None
            if wins:
                waiting_since = None
            if not wins:
                if close_idle_window and time.monotonic() - last_seen > close_idle_window:
                    if before_idle_close:
                        before_idle_close()
                    close_graphics_window()
                    last_seen = time.monotonic()
                time.sleep(0.05)
                continue
            last_seen = time.monotonic()
            w = wins[0]
            texts = WINE_TEXT.findall(err_path.read_text(encoding="utf-8", errors="replace"))
            title = xdo("getwindowname", w) or ""
            if title in GRAPHICS_TITLES:
                # A graphics window opens without waiting; a box traced meanwhile is another window.
                events.append(("window", title))
                if on_window:
                    on_window(w, title)
            elif len(texts) > texts_seen:
                traced, cut = texts[texts_seen]
                text = wine_unescape(traced)
                events.append(("box", title, self._whole_box_text(title, text) if cut else text))
                if self.relay_boxes:
                    styles = BOX_STYLE.findall(err_path.read_text(encoding="utf-8", errors="replace"))
                    self.box_style = int(styles[texts_seen], 16) if len(styles) > texts_seen else None
                texts_seen += 1
            elif title == "":
                # A box's text is traced before its window shows; a nameless window without one is the dialog.
                time.sleep(0.3)
                if len(WINE_TEXT.findall(err_path.read_text(encoding="utf-8", errors="replace"))) > texts_seen:
                    continue
                events.append(("open-dialog",))
            else:
                events.append(("window", title))
                if on_window:
                    on_window(w, title)
            if on_event:
                on_event(events[-1])
            index = len(events) - 1
            for title_wanted, width, height, checks in case.screens.get(index, []):
                time.sleep(0.3)  # the window's last paint
                problems += check_screen(title_wanted, width, height, checks)
            chosen = answer_for(events[-1]) if answer_for else None
            if chosen:
                answer = chosen
            elif answers and not answer_for:
                answer = answers.pop(0)
            elif events[-1][0] == "box":
                answer = "Return"
            else:
                answer = "none" if events[-1] == ("window", GRAPHICS_TITLES[0]) else "Escape"
            handled.add(w)
            if answer == "end":  # the caller ends the run here
                events.append(("ended",))
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                break
            if answer == "none":
                pass
            elif answer == "close":
                close_graphics_window()
            elif answer.startswith("type "):
                xdo("windowfocus", "--sync", w)
                xdo("type", "--delay", "10", answer[5:])
                xdo("key", "Return")
            else:
                xdo("windowfocus", "--sync", w)
                xdo("key", answer)
                if events[-1][0] == "box":
                    self._make_sure_answered(w, answer, err_path, texts_seen)
            time.sleep(0.1)
        code = proc.returncode
        said = err_path.read_text(encoding="utf-8", errors="replace")
        if "no driver could be loaded" in said:  # its boxes returned at once, unseen
            problems.append("Wine could not make windows: " + " ".join(
                line.split("nodrv_CreateWindow ", 1)[-1] for line in said.splitlines() if "nodrv_CreateWindow" in line))
        # The shell starts the viewer on its own time; a written trace file is the sign that one is coming.
        viewers = self.viewer_files(folder)
        wait_until = time.monotonic() + (10.0 if (folder / "FORENSE.txt").exists() else 0.0)
        while not viewers and time.monotonic() < wait_until:
            time.sleep(0.1)
            viewers = self.viewer_files(folder)
        for name in viewers:
            events.append(("open", name))
            if on_event:
                on_event(events[-1])
        self.kill_viewers(folder)
        return events, code, problems


# ----------------------------------------------------------------------------------------------------------------
# Comparison and reporting


def show_event(e):
    return " ".join([e[0]] + [repr(x) for x in e[1:]])


def show_bytes(data):
    return [repr(line) for line in data.split(b"\n")]


def read_bmp(data):
    """A 24-bit bottom-up BMP as a function (x, y) -> "rrggbb"."""
    width = int.from_bytes(data[18:22], "little", signed=True)
    height = int.from_bytes(data[22:26], "little", signed=True)
    offset = int.from_bytes(data[10:14], "little")
    row = (width * 3 + 3) // 4 * 4

    def pixel(x, y):
        if not (0 <= x < width and 0 <= y < height):
            return None
        i = offset + (height - 1 - y) * row + x * 3
        return data[i + 2:i + 3].hex() + data[i + 1:i + 2].hex() + data[i:i + 1].hex()
    return pixel


def check_bmp(name, data, checks):
    pixel = read_bmp(data)
    problems = []
    for c in checks.split():
        m = re.match(r"(\d+),(\d+)(?:-(\d+),(\d+))?(=|=!|~|!~)([0-9a-fA-F]{6})$", c)
        if not m:
            problems.append(f"{name}: bad check {c!r}")
            continue
        x0, y0 = int(m.group(1)), int(m.group(2))
        x1, y1 = (int(m.group(3)), int(m.group(4))) if m.group(3) else (x0, y0)
        op, colour = m.group(5), m.group(6).lower()
        seen = {pixel(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)}
        ok = {"=": seen == {colour}, "=!": colour not in seen, "~": colour in seen, "!~": colour not in seen}[op]
        if not ok:
            problems.append(f"{name}: {c} fails (seen {', '.join(sorted(str(v) for v in seen)[:6])})")
    return problems


def check(case, folder, events, code, problems, peak_kb, backend):
    failures = list(problems)
    for name, checks in case.bitmaps:
        if not (folder / name).exists():
            failures.append(f"{name}: missing")
        else:
            failures += check_bmp(name, (folder / name).read_bytes(), checks)
    # An expected text "{{any}}" stands for whatever text the window shows.
    events = [e if i >= len(case.events) or case.events[i][-1] != "{{any}}" or len(e) != len(case.events[i])
              or e[:-1] != case.events[i][:-1] else case.events[i] for i, e in enumerate(events)]
    want = [show_event(e) for e in case.events]
    got = [show_event(e) for e in events]
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

    global KALBD
    KALBD = opts.kalbd
    root = opts.cases.resolve()
    cases = [parse_case(p, root) for p in sorted(root.rglob("*.expect"))]
    cases = [c for c in cases if not opts.only or any(o in c.name for o in opts.only)]
    if opts.dump_cases:
        json.dump([case_json(c, root) for c in cases], sys.stdout, ensure_ascii=False)
        return 0
    cases = [c for c in cases if opts.backend in c.backends]
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
            while step is not None and not failures:
                if session:
                    events, code, problems = session.run(step, folder, Path(opts.exe).resolve())
                    peak_kb = 0
                else:
                    events, code, problems, peak_kb = run_native(
                        step, folder, opts.host, limit_address=bool(step.max_memory_mb) and not opts.no_memory_limits)
                    if opts.no_memory_limits:
                        peak_kb = 0
                failures = [(f if step is case else f"{step.name}: {f}")
                            for f in check(step, folder, events, code, problems, peak_kb, opts.backend)]
                step = step.then
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
