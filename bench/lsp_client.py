"""The few calls the language server's benchmarks make: a `kalcheck --lsp` process, messages framed both ways."""
import argparse
import json
import subprocess


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

    def finish(self):
        self.send({"jsonrpc": "2.0", "id": 0, "method": "shutdown"})
        self.receive()
        self.send({"jsonrpc": "2.0", "method": "exit"})
        self.process.wait()
