"""What a run of a KAL program shows, in order, and how each window is answered: the records the Wine session,
the demo and the test suites share."""
from dataclasses import dataclass, field
from typing import NamedTuple


class Event(NamedTuple):
    """What a run showed, in order: "box" (title, text), "window" (title: the graphics window or the input dialog
    "KAL"), "open-dialog", "open" (text: the file the shell opened with the viewer), "ended" (the caller ended the
    run there)."""
    kind: str
    title: str = ""
    text: str = ""

    def __str__(self):
        return " ".join([self.kind] + [repr(v) for v in (self.title, self.text) if v])


@dataclass(frozen=True)
class Answer:
    """How a window is answered: "ok" (its default button, Enter), "cancel" (Esc), "yes", "no", "type" (the text,
    then Enter), "close" (the graphics window's close box, whatever window is up), "leave" (the graphics window
    left open), "end" (the run is ended there)."""
    kind: str
    text: str = ""

    def __str__(self):
        return f"type {self.text}" if self.kind == "type" else self.kind


OK, CANCEL, LEAVE, END = Answer("ok"), Answer("cancel"), Answer("leave"), Answer("end")


@dataclass
class Launch:
    """One start of a program in a folder: its file name there, its command line, and the answers to give, in
    order, to its boxes and dialogs (a graphics window takes one too: "leave" or "close")."""
    exe: str = "KAL.exe"
    args: list = field(default_factory=list)
    answers: list = field(default_factory=list)
