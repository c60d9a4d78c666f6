"""The pixel checks of the cases, read once: "X,Y=RRGGBB" (the pixel has the colour), "X,Y=!RRGGBB" (it has
another), and over a rectangle "X0,Y0-X1,Y1~RRGGBB" (some pixel has it) and "!~" (none has). The same records go
to the page's test as JSON (as_json), so that both read the checks alike."""
import re
from dataclasses import dataclass

CHECK = re.compile(r"(\d+),(\d+)(?:-(\d+),(\d+))?(=|=!|~|!~)([0-9a-fA-F]{6})$")
# What each way of writing asks of the pixels seen: all of them the colour, some, or none.
WANTS = {"=": "all", "~": "some", "=!": "none", "!~": "none"}


@dataclass(frozen=True)
class PixelCheck:
    written: str  # as the case writes it, for the messages
    x0: int
    y0: int
    x1: int
    y1: int
    want: str  # "all", "some" or "none" of the pixels have the colour
    colour: str  # "rrggbb"

    def holds(self, seen):
        return {"all": seen == {self.colour}, "some": self.colour in seen, "none": self.colour not in seen}[self.want]

    def as_json(self):
        return {"written": self.written, "x0": self.x0, "y0": self.y0, "x1": self.x1, "y1": self.y1,
                "want": self.want, "colour": self.colour}


def parse_checks(text):
    """The checks of a line; a ValueError names one that cannot be read."""
    checks = []
    for c in text.split():
        m = CHECK.match(c)
        if not m:
            raise ValueError(f"bad pixel check {c!r}")
        x0, y0 = int(m.group(1)), int(m.group(2))
        x1, y1 = (int(m.group(3)), int(m.group(4))) if m.group(3) else (x0, y0)
        checks.append(PixelCheck(c, x0, y0, x1, y1, WANTS[m.group(5)], m.group(6).lower()))
    return checks


def check_pixels(what, pixel, checks):
    """The problems of `checks` over pixel(x, y) -> "rrggbb" (None outside the picture)."""
    problems = []
    for c in checks:
        seen = {pixel(x, y) for x in range(c.x0, c.x1 + 1) for y in range(c.y0, c.y1 + 1)}
        if not c.holds(seen):
            problems.append(f"{what}: {c.written} fails (seen {', '.join(sorted(str(v) for v in seen)[:6])})")
    return problems


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
