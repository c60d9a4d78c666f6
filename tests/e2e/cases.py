"""The cases of the suite, each read once from its expectation file (the directives are listed in driver.py) into
a typed record: the script, the folder to prepare, the events the run must show with the answers to give them, and
the files and pixels it must leave."""
import re
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from pixels import parse_checks  # noqa: E402
from run_steps import CANCEL, LEAVE, OK, Answer, Event, Launch  # noqa: E402


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
    events: list = field(default_factory=list)  # Event records, as the run must show them
    answers: list = field(default_factory=list)  # an Answer for each event but "open", in order
    bitmaps: list = field(default_factory=list)  # (name, [PixelCheck])
    screens: dict = field(default_factory=dict)  # interactive event index -> [Screen]
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

    def launch(self):
        return Launch(self.exe, self.command_args(), list(self.answers))

    def packable(self):
        """A case that runs its script as KAL.exe SCRIPT does, and so runs the same packed by kalpack: it names no
        interpreter file, no other command line, no open-file dialog and no second run."""
        return not (self.no_args or self.no_script or self.exe != "KAL.exe" or self.then is not None
                    or self.command_args() != [self.script_as] or any(e.kind == "open-dialog" for e in self.events))


@dataclass(frozen=True)
class Screen:
    """A window's client area checked before the next event is answered (Wine only)."""
    title: str
    width: int
    height: int
    checks: list  # PixelCheck, over the client area


# The answers as the cases write them: keys, or what is done.
WRITTEN_ANSWERS = {"Return": OK, "Escape": CANCEL, "y": Answer("yes"), "n": Answer("no"), "close": Answer("close"),
                   "none": LEAVE}


def answer_written(text):
    if text.startswith("type "):
        return Answer("type", text[5:])
    if text not in WRITTEN_ANSWERS:
        raise ValueError(f"no such answer {text!r}: Return, Escape, y, n, close, none or type TEXT")
    return WRITTEN_ANSWERS[text]


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
            case.events.append(Event("box", m.group(1), unescape(m.group(3))))
            case.answers.append(answer_written(m.group(2) or "Return"))
            continue
        m = re.match(r"window (.+?): (.*)$", line)
        if m:
            case.events.append(Event("window", m.group(1)))
            case.answers.append(answer_written(unescape(m.group(2))))
            continue
        m = re.match(r"screen (.+?) (\d+)x(\d+): (.*)$", line)
        if m:
            case.screens.setdefault(len(case.answers), []).append(
                Screen(m.group(1), int(m.group(2)), int(m.group(3)), parse_checks(m.group(4))))
            continue
        m = re.match(r"bmp (.+?): (.*)$", line)
        if m:
            case.bitmaps.append((m.group(1), parse_checks(m.group(2))))
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
            case.events.append(Event("open-dialog"))
            case.answers.append(answer_written(value))
        elif key == "opens":
            case.events.append(Event("open", text=value))
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
        if event.kind == "open":
            continue
        for s in case.screens.get(interactive, []):
            steps.append({"kind": "screen", "title": s.title, "width": s.width, "height": s.height,
                          "checks": [c.as_json() for c in s.checks]})
        answer = case.answers[interactive]
        step = {"kind": event.kind, "title": event.title, "answer": {"kind": answer.kind, "text": answer.text}}
        if event.kind == "box":
            step["text"] = event.text
        steps.append(step)
        interactive += 1
    # What the page cannot do: start without a script or with another command line, be renamed, or run a
    # script from a subfolder; databases need kalbd to be made.
    unsupported = [name for name, used in (
        ("no-args", case.no_args), ("exe", case.exe != "KAL.exe"), ("no-script", case.no_script),
        ("script in a subfolder", "/" in case.script_as), ("then-run", case.then is not None),
        ("arg", case.command_args() != [case.script_as]), ("database without kalbd", case.databases and not KALBD),
        ("open-dialog", any(e.kind == "open-dialog" for e in case.events))) if used]
    return {
        "name": case.name,
        "script": case.script_as,
        "script_hex": "" if case.no_script else script_bytes(case).hex(),
        # A case that runs a script of examples/ instead of its own.
        "example": case.script.parent != (root / case.name).parent,
        "steps": steps,
        "opens": [e.text for e in case.events if e.kind == "open"],
        "disk": [] if unsupported else folder_entries(case),
        "files": [{"name": n, "hex": b.hex()} for n, b in case.files.items()],
        "bitmaps": [{"name": n, "checks": [c.as_json() for c in checks]} for n, checks in case.bitmaps],
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
