"""KAL.exe under Wine on an X display, driven as a person would: one X server and one Wine prefix for a series of
runs, each run's message boxes, dialogs and graphics window seen as they come and answered (xdotool), the files
the shell opens with the text viewer, and the prefix's processes. The demo (run_demo.py), the pictures of the
guides (pictures.py) and the Wine test suites use it (with this folder on their path).
"""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from processes import prefix_processes
from run_steps import CANCEL, END, LEAVE, OK, Answer, Event, Launch  # noqa: F401 (for the session's users)
from x_display import GRAPHICS_TITLES, client_pixels, close_graphics_window, start_xvfb, visible_windows, xdo

RUN_TIMEOUT = 60.0
# The keys that give an answer, as Windows' boxes take them.
KEYS = {"ok": "Return", "cancel": "Escape", "yes": "y", "no": "n"}


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
        self.xvfb, os.environ["DISPLAY"] = start_xvfb()

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

    def run(self, launch, folder, exe_path, on_event=None, on_window=None, close_idle_window=None,
            timeout=RUN_TIMEOUT, answer_for=None, before_idle_close=None, before_answer=None):
        """Runs `launch` in `folder` (a copy of exe_path goes there under the launch's name); returns the events,
        the exit code and the problems seen. on_event(event) hears every event as it happens, on_window(id,
        title) every window that is neither a message box nor the open-file dialog before it is answered, and
        before_answer(index, event) is asked for its problems before the event's answer is given (a screenshot
        of the window as it stands). With close_idle_window (seconds), a graphics window is closed once nothing
        new has shown for that long, after before_idle_close(). answer_for(event), when given, chooses each
        answer instead of the launch's list (None: the default)."""
        self.box_text_helper = self.box_text_from or Path(exe_path).parent / "box_text.exe"
        if not self.windows_checked and self.box_text_helper.exists():
            unable = self.make_sure_windows_show(self.box_text_helper)
            if unable:
                return [], None, unable
        if not (folder / launch.exe).exists():  # a later run starts what the earlier one left, renamed or not
            shutil.copy(exe_path, folder / launch.exe)
        env = dict(os.environ, WINEDEBUG="-all,err+winediag,trace+msgbox" + (",+relay" if self.relay_boxes else ""))
        self._err_path = folder.parent / (folder.name + ".stderr")
        with open(self._err_path, "wb") as err:
            proc = subprocess.Popen(["wine", "./" + launch.exe, *launch.args], cwd=folder, env=env,
                                    stdout=subprocess.DEVNULL, stderr=err, start_new_session=True)
        self._texts_seen = 0
        events, problems = [], []
        answers = list(launch.answers)
        handled = set()
        deadline = time.monotonic() + timeout
        last_seen = time.monotonic()
        waiting = [None]
        while proc.poll() is None:
            if time.monotonic() > deadline:
                problems.append(f"timed out after {timeout:.0f} s" + self._stuck_report(self._err_path))
                os.killpg(proc.pid, signal.SIGKILL)
                break
            w = self._next_window(launch.exe.lower(), handled, waiting)
            if w is None:
                if close_idle_window and time.monotonic() - last_seen > close_idle_window:
                    if before_idle_close:
                        before_idle_close()
                    close_graphics_window()
                    last_seen = time.monotonic()
                time.sleep(0.05)
                continue
            last_seen = time.monotonic()
            event = self._event_of(w)
            if event is None:
                continue
            events.append(event)
            if event.kind == "window" and on_window:
                on_window(w, event.title)
            if on_event:
                on_event(event)
            if before_answer:
                problems += before_answer(len(events) - 1, event)
            chosen = answer_for(event) if answer_for else None
            answer = chosen or (answers.pop(0) if answers and not answer_for else self.default_answer(event))
            handled.add(w)
            if answer.kind == "end":
                events.append(Event("ended"))
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
                break
            self._give(w, event, answer)
            time.sleep(0.1)
        said = self._err_path.read_text(encoding="utf-8", errors="replace")
        if "no driver could be loaded" in said:  # its boxes returned at once, unseen
            problems.append("Wine could not make windows: " + " ".join(
                line.split("nodrv_CreateWindow ", 1)[-1] for line in said.splitlines() if "nodrv_CreateWindow" in line))
        for name in self._shell_opened(folder):
            events.append(Event("open", text=name))
            if on_event:
                on_event(events[-1])
        return events, proc.returncode, problems

    @staticmethod
    def default_answer(event):
        """What a window gets when no answer is left: a box its default button, a graphics window nothing, a
        dialog Esc."""
        if event.kind == "box":
            return OK
        return LEAVE if event == Event("window", GRAPHICS_TITLES[0]) else CANCEL

    def _traced_texts(self):
        return WINE_TEXT.findall(self._err_path.read_text(encoding="utf-8", errors="replace"))

    def _next_window(self, classname, handled, waiting):
        """The next window of the program not yet answered, or None."""
        visible = visible_windows(classname)
        wins = [w for w in visible if w not in handled]
        if not wins and visible:
            # X reuses the ids of windows that have gone, so a new box may show under an answered one's id: a
            # traced box text that no new window has taken for a second belongs to such a window.
            if len(self._traced_texts()) > self._texts_seen:
                waiting[0] = waiting[0] or time.monotonic()
                if time.monotonic() - waiting[0] > 1.0:
                    wins = [w for w in visible if xdo("getwindowname", w) not in GRAPHICS_TITLES][:1]
            else:
                waiting[0] = None
        if wins:
            waiting[0] = None
        return wins[0] if wins else None

    def _event_of(self, w):
        """What the window is; None when it must be looked at again (a box whose text is not traced yet)."""
        texts = self._traced_texts()
        title = xdo("getwindowname", w) or ""
        if title in GRAPHICS_TITLES:
            # A graphics window opens without waiting; a box traced meanwhile is another window.
            return Event("window", title)
        if len(texts) > self._texts_seen:
            traced, cut = texts[self._texts_seen]
            text = wine_unescape(traced)
            if self.relay_boxes:
                styles = BOX_STYLE.findall(self._err_path.read_text(encoding="utf-8", errors="replace"))
                self.box_style = int(styles[self._texts_seen], 16) if len(styles) > self._texts_seen else None
            self._texts_seen += 1
            return Event("box", title, self._whole_box_text(title, text) if cut else text)
        if title == "":
            # A box's text is traced before its window shows; a nameless window without one is the dialog.
            time.sleep(0.3)
            return None if len(self._traced_texts()) > self._texts_seen else Event("open-dialog")
        return Event("window", title)

    def _give(self, w, event, answer):
        if answer.kind == "leave":
            return
        if answer.kind == "close":
            close_graphics_window()
        elif answer.kind == "type":
            xdo("windowfocus", "--sync", w)
            xdo("type", "--delay", "10", answer.text)
            xdo("key", "Return")
        else:
            key = KEYS[answer.kind]
            xdo("windowfocus", "--sync", w)
            xdo("key", key)
            if event.kind == "box":
                self._make_sure_answered(w, key, self._err_path, self._texts_seen)

    def _shell_opened(self, folder):
        """The files the shell opened with the text viewer, whose viewers are then ended. The shell starts the
        viewer on its own time; a written trace file is the sign that one is coming."""
        viewers = self.viewer_files(folder)
        wait_until = time.monotonic() + (10.0 if (folder / "FORENSE.txt").exists() else 0.0)
        while not viewers and time.monotonic() < wait_until:
            time.sleep(0.1)
            viewers = self.viewer_files(folder)
        self.kill_viewers(folder)
        return viewers
