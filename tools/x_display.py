"""The X display a Windows program's windows show on under Wine, as xdotool and ImageMagick see it: the windows
by class and title, a window's client pixels, the graphics window's close box, and a private Xvfb server."""
import os
import re
import subprocess



def start_xvfb():
    """A private X server: (its process, its display name)."""
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
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
    return xvfb, ":" + display.decode().strip()


def xdo(*args, check=False):
    r = subprocess.run(["xdotool", *args], capture_output=True, text=True, env=os.environ)
    return r.stdout.strip() if (r.returncode == 0 or not check) else None


def visible_windows(classname):
    out = xdo("search", "--onlyvisible", "--classname", classname)
    return [w for w in (out or "").split() if w]


GRAPHICS_TITLES = ("Ventana Grafica KAL",)


def client_pixels(title, width, height):
    """The pixels of a window's client area, as a function (x, y) -> "rrggbb" (None outside it), and the problems
    that stand in the way: the window stands at the screen's top-left, its frame as thick on the left, right and
    bottom, so the client's origin follows from the window's size and the client's."""
    ids = xdo("search", "--name", "^" + title + "$").split()
    if not ids:
        return None, [f"screen: no window {title!r}"]
    geometry = xdo("getwindowgeometry", ids[-1])
    m = re.search(r"Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)", geometry, re.S)
    if not m:
        return None, [f"screen: no geometry for {title!r}"]
    x0, y0, gw, gh = (int(v) for v in m.groups())
    problems = []
    if (x0, y0) != (0, 0):
        problems.append(f"screen: {title!r} at {x0},{y0}, expected the top-left corner")
    frame = (gw - width) // 2
    top = gh - height - frame
    if gw - width < 0 or (gw - width) % 2 != 0 or top < frame:
        return None, problems + [f"screen: {title!r} is {gw}x{gh}, which holds no {width}x{height} client area"]
    shot = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True).stdout
    screen_width = int(re.search(r"dimensions:\s+(\d+)x", subprocess.run(
        ["xdpyinfo"], capture_output=True, text=True).stdout).group(1))

    def pixel(x, y):
        if not (0 <= x < width and 0 <= y < height):
            return None
        i = ((y0 + top + y) * screen_width + x0 + frame + x) * 3
        return shot[i:i + 3].hex()
    return pixel, problems


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
