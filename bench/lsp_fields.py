#!/usr/bin/env python3
"""Times the language server's completion after `#` in a script that selects one database 10,000 times, beside a
structure file of 1,000 fields (12 MB): the first answer, and the median and worst of 20 more.

Usage: python3 bench/lsp_fields.py --kalcheck build/native/kalcheck
"""
import statistics
import struct
import tempfile
from pathlib import Path

from lsp_client import Server

FIELDS, SELECTORS = 1000, 10_000


def structure_record(number):
    """One 12,042-byte structure record of a text field."""
    return (struct.pack("<i", number) + f"campo{number}".encode().ljust(31, b"\0") + struct.pack("<hhh", 3, 20, 0)
            + bytes(12001))


def main():
    server = Server.from_command_line(__doc__)
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        (folder / "grande").mkdir()
        (folder / "grande" / "grande.z04").write_bytes(b"".join(structure_record(n) for n in range(1, FIELDS + 1)))
        uri = (folder / "campos.txt").as_uri()
        text = ".codigo;\r\n" + "[grande];\r\n" * SELECTORS + "&n := #\r\n"
        server.open(uri, text)
        times, reply = server.timed("textDocument/completion",
                                    {"textDocument": {"uri": uri}, "position": {"line": SELECTORS + 1, "character": 7}},
                                    21)
        fields = len(reply["result"])
        server.finish()
    assert fields == FIELDS, fields
    print(f"completion after # with {SELECTORS} selectors of a {FIELDS}-field structure: first {times[0] * 1000:.1f} ms, "
          f"then median {statistics.median(times[1:]) * 1000:.1f} ms, worst {max(times[1:]) * 1000:.1f} ms")


if __name__ == "__main__":
    main()
