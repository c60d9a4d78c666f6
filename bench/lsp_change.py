#!/usr/bin/env python3
"""Times the language server's answer to a change of a 100,000-token script: from sending the whole new text
(textDocument/didChange) to receiving its problems (textDocument/publishDiagnostics). Median and worst of 21 changes.

Usage: python3 bench/lsp_change.py --kalcheck build/native/kalcheck
"""
import argparse
import json
import statistics
import subprocess
import time

STATEMENTS = 16_665  # six tokens each: with the outer form, 99,989 tokens


def script(variant):
    lines = [".codigo;", "&a := 0;"]
    lines += [f"&a := &a + {variant};" for _ in range(STATEMENTS - 3)]
    lines += ["&b := &a + 1;", ".aviso &b;", ".fin;"]
    return "\r\n".join(lines) + "\r\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--kalcheck", required=True)
    opts = ap.parse_args()
    p = subprocess.Popen([opts.kalcheck, "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)

    def send(message):
        body = json.dumps(message).encode()
        p.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        p.stdin.flush()

    def receive():
        length = 0
        while (line := p.stdout.readline()) != b"\r\n":
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":")[1])
        return json.loads(p.stdout.read(length))

    uri = "file:///bench/largo.txt"
    send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
    receive()
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
    send({"jsonrpc": "2.0", "id": 2, "method": "shutdown"})
    receive()
    send({"jsonrpc": "2.0", "method": "exit"})
    p.wait()
    print(f"problems of a 100,000-token script after a change: median {statistics.median(times) * 1000:.1f} ms, "
          f"worst {max(times) * 1000:.1f} ms (goal: within 50 ms)")


if __name__ == "__main__":
    main()
