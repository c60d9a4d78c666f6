"""The few calls the language server's benchmarks make: a `kalcheck --lsp` process, messages framed both ways."""
import argparse
import json
import subprocess
import time


class Server:
    """A started and initialized server."""

    def __init__(self, kalcheck):
        self.process = subprocess.Popen([kalcheck, "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.send({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
        self.receive()

    @classmethod
    def from_command_line(cls, doc):
        """The server named by --kalcheck, as the benchmark's usage (its doc) says."""
        ap = argparse.ArgumentParser(description=doc.splitlines()[0])
        ap.add_argument("--kalcheck", required=True)
        return cls(ap.parse_args().kalcheck)

    def send(self, message):
        body = json.dumps(message).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.process.stdin.flush()

    def receive_bytes(self):
        length = 0
        while (line := self.process.stdout.readline()) != b"\r\n":
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":")[1])
        return self.process.stdout.read(length)

    def receive(self):
        return json.loads(self.receive_bytes())

    def open(self, uri, text):
        """Opens a document and reads the problems the server publishes for it."""
        self.send({"jsonrpc": "2.0", "method": "textDocument/didOpen",
                   "params": {"textDocument": {"uri": uri, "languageId": "kal", "version": 1, "text": text}}})
        return self.receive()

    def timed(self, method, params, times):
        """Asks the same request `times` times, each timed from sending it to reading its answer: the seconds of
        each and the last answer."""
        seconds = []
        for n in range(times):
            start = time.perf_counter()
            self.send({"jsonrpc": "2.0", "id": 100 + n, "method": method, "params": params})
            answer = self.receive()
            seconds.append(time.perf_counter() - start)
        return seconds, answer

    def finish(self):
        self.send({"jsonrpc": "2.0", "id": 0, "method": "shutdown"})
        self.receive()
        self.send({"jsonrpc": "2.0", "method": "exit"})
        self.process.wait()
