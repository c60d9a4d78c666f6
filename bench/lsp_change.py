#!/usr/bin/env python3
"""Times the language server's answer to a change of a 100,000-token script: from sending the whole new text
(textDocument/didChange) to receiving its problems (textDocument/publishDiagnostics). Median and worst of 21 changes.

Usage: python3 bench/lsp_change.py --kalcheck build/native/kalcheck
"""
import statistics
import time

from lsp_client import Server

STATEMENTS = 16_665  # six tokens each: with the outer form, 99,989 tokens


def script(variant):
    lines = [".codigo;", "&a := 0;"]
    lines += [f"&a := &a + {variant};" for _ in range(STATEMENTS - 3)]
    lines += ["&b := &a + 1;", ".aviso &b;", ".fin;"]
    return "\r\n".join(lines) + "\r\n"


def main():
    server = Server.from_command_line(__doc__)
    send, receive = server.send, server.receive

    uri = "file:///bench/largo.txt"
    send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
          "params": {"textDocument": {"uri": uri, "languageId": "kal", "version": 1, "text": script(1)}}})
    receive()
    texts = [script(2 + i % 2) for i in range(21)]
    times = []
    for version, text in enumerate(texts, start=2):
        start = time.perf_counter()
        send({"jsonrpc": "2.0", "method": "textDocument/didChange",
              "params": {"textDocument": {"uri": uri, "version": version}, "contentChanges": [{"text": text}]}})
        message = receive()
        times.append(time.perf_counter() - start)
        assert message["method"] == "textDocument/publishDiagnostics"
    server.finish()
    print(f"problems of a 100,000-token script after a change: median {statistics.median(times) * 1000:.1f} ms, "
          f"worst {max(times) * 1000:.1f} ms (goal: within 50 ms)")


if __name__ == "__main__":
    main()
