#!/usr/bin/env python3
"""Opens a document of just under the language server's 4 MB in `kalcheck --lsp` and measures what a client pays
for it: the time to its problems, the server's peak memory, and the time and size of the references to a
variable it uses on every line (about 570,000 of them).

Usage: python3 bench/lsp_large.py --kalcheck build/native/kalcheck
"""
import json
import time

from lsp_client import Server

LINE = "&total := &total + &paso;\r\n"  # 27 bytes, six tokens


def main():
    server = Server.from_command_line(__doc__)
    send, receive = server.send, server.receive_bytes

    text = ".codigo;\r\n&paso := 1;\r\n" + LINE * ((4 * 1024 * 1024 - 64) // len(LINE)) + ".fin;\r\n"
    uri = "file:///bench/grande.txt"
    start = time.perf_counter()
    send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
          "params": {"textDocument": {"uri": uri, "languageId": "kal", "version": 1, "text": text}}})
    problems = json.loads(receive())["params"]["diagnostics"]
    opened = time.perf_counter() - start
    start = time.perf_counter()
    send({"jsonrpc": "2.0", "id": 2, "method": "textDocument/references",
          "params": {"textDocument": {"uri": uri}, "position": {"line": 2, "character": 2},
                     "context": {"includeDeclaration": True}}})
    reply = receive()
    referenced = time.perf_counter() - start
    with open(f"/proc/{server.process.pid}/status") as status:
        peak = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
    server.finish()
    print(f"a document of {len(text) / 1e6:.2f} MB: problems ({len(problems)}) after {opened:.2f} s; "
          f"references ({len(json.loads(reply)['result'])}, a reply of {len(reply) / 1e6:.1f} MB) in "
          f"{referenced:.2f} s; peak memory {peak / 1024:.0f} MB")


if __name__ == "__main__":
    main()
