#!/usr/bin/env python3
"""Times the formatter on a script of 100,000 tokens laid out as carelessly as people type: two statements a line,
blanks doubled and missing, command words in capitals, a comment now and then. Both ways a person meets it:
`kalcheck --formatear` as a whole process (median of 5), and the language server's reply to
textDocument/formatting (median of 21, pipes included).

Usage: python3 bench/format.py --kalcheck build/native/kalcheck
"""
import re
import statistics
import subprocess
import tempfile
import time
from pathlib import Path

from lsp_client import Server

LINES = 11_109  # nine tokens each: with the outer form, 99,985 tokens


def script():
    lines = [".codigo;"]
    for n in range(LINES):
        lines.append("'cuenta  sin  prisa;" if n % 50 == 0 else "")
        lines[-1] += f"&a{n % 7}  :=  &a{n % 7}+1 ;   .AVISO  &a{n % 7};"
    lines.append(".fin;")
    return "\r\n".join(lines) + "\r\n"


def main():
    server = Server.from_command_line(__doc__)
    text = script()
    with tempfile.TemporaryDirectory() as tmp:
        path = Path(tmp) / "largo.txt"
        path.write_bytes(text.encode("cp1252"))
        kalcheck = server.process.args[0]
        times = []
        for _ in range(5):
            start = time.perf_counter()
            out = subprocess.run([kalcheck, "--formatear", str(path)], capture_output=True, check=True).stdout
            times.append(time.perf_counter() - start)
        assert out.count(b"\r\n") > 2 * LINES, "the script was not laid out"
        laid_out = out.decode("cp1252")
    print(f"kalcheck --formatear, 100,000 tokens: median {statistics.median(times) * 1000:.1f} ms (goal: within 100 ms)")

    uri = "file:///bench/largo.txt"
    server.open(uri, text)
    times, reply = server.timed("textDocument/formatting",
                                {"textDocument": {"uri": uri}, "options": {"tabSize": 4, "insertSpaces": True}}, 21)
    server.finish()
    starts = [0] + [m.end() for m in re.finditer(r"\r\n", text)]
    place = lambda p: starts[p["line"]] + p["character"]  # noqa: E731 (the script is ASCII)
    for e in reversed(reply["result"]):
        text = text[:place(e["range"]["start"])] + e["newText"] + text[place(e["range"]["end"]):]
    assert text == laid_out, "the server laid the script out otherwise than kalcheck --formatear"
    print(f"the server's formatting of the same: median {statistics.median(times) * 1000:.1f} ms, worst "
          f"{max(times) * 1000:.1f} ms, {len(reply['result'])} edits (goal: within 100 ms)")


if __name__ == "__main__":
    main()
