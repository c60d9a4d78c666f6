#!/usr/bin/env python3
"""Checks the packaged Visual Studio Code extension: it holds the bundled client, the grammar, both language
servers and the debug adapter, its manifest starts the client for KAL files and contributes the debugger, a .txt
script is taken as KAL by its first line, and the packaged native server answers an editor.

Usage: vsix_test.py KAL.VSIX
"""
import json
import re
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

import report


def main():
    failures = []
    with zipfile.ZipFile(sys.argv[1]) as vsix, tempfile.TemporaryDirectory() as tmp:
        names = set(vsix.namelist())
        for wanted in ("extension/package.json", "extension/out/extension.js", "extension/syntaxes/kal.tmLanguage.json",
                       "extension/server/kalcheck", "extension/server/kalcheck.exe",
                       "extension/server/kaldebug.exe"):
            if wanted not in names:
                failures.append(f"missing {wanted}")
        if any(n.startswith("extension/node_modules/") for n in names):
            failures.append("node_modules packaged: the client is meant to be bundled")
        manifest = json.loads(vsix.read("extension/package.json"))
        if manifest.get("main") != "./out/extension.js" or "onLanguage:kal" not in manifest.get("activationEvents", []):
            failures.append("the manifest does not start the client for KAL files")
        # A .txt script, which the editor opens as plain text, is taken as KAL by its first line.
        first = re.compile(manifest["contributes"]["languages"][0].get("firstLine", "$^"))
        example = (Path(__file__).resolve().parents[2] / "examples" / "saludo.txt").read_bytes().split(b"\r\n")[0]
        if not first.search(example.decode("cp1252")) or first.search("'.codigo;") or \
                "onLanguage:plaintext" not in manifest.get("activationEvents", []):
            failures.append("a .txt script that begins with .codigo; is not taken as KAL")
        if "extension/server/kalcheck" in names:
            server = Path(tmp) / "kalcheck"
            server.write_bytes(vsix.read("extension/server/kalcheck"))
            server.chmod(0o755)
            said = subprocess.run([str(server), "--version"], capture_output=True, timeout=60).stdout.decode()
            if said != f"kalcheck {manifest.get('version')}\n":
                failures.append(f"the extension's version {manifest.get('version')} is not its server's: {said!r}")
        contributes = manifest.get("contributes", {})
        if "kal.server.path" not in contributes.get("configuration", {}).get("properties", {}):
            failures.append("no setting to point at another server")
        # "Crear programa" for KAL files, with a setting for the kalpack it runs.
        commands = {c.get("command") for c in contributes.get("commands", [])}
        palette = contributes.get("menus", {}).get("commandPalette", [])
        if "kal.crearPrograma" not in commands or "kal.pack.path" not in \
                contributes.get("configuration", {}).get("properties", {}) or \
                {"command": "kal.crearPrograma", "when": "editorLangId == kal"} not in palette:
            failures.append("the manifest does not contribute \"Crear programa\" for KAL files")
        # F5 on a KAL script: the kal debugger for KAL files, started by the extension.
        debuggers = contributes.get("debuggers", [])
        if not any(d.get("type") == "kal" and "kal" in d.get("languages", []) for d in debuggers) \
                or {"language": "kal"} not in contributes.get("breakpoints", []) \
                or "onDebugResolve:kal" not in manifest.get("activationEvents", []):
            failures.append("the manifest does not contribute the kal debugger, or the extension does not start it")
        if "extension/server/kalcheck" in names:
            server = Path(tmp) / "kalcheck"
            server.write_bytes(vsix.read("extension/server/kalcheck"))
            server.chmod(0o755)
            body = json.dumps({"jsonrpc": "2.0", "id": 1, "method": "initialize", "params": {"capabilities": {}}})
            exit_ = json.dumps({"jsonrpc": "2.0", "method": "exit"})
            data = "".join(f"Content-Length: {len(b)}\r\n\r\n{b}" for b in (body, exit_)).encode()
            out = subprocess.run([str(server), "--lsp"], input=data, capture_output=True, timeout=60).stdout
            if b'"hoverProvider":true' not in out:
                failures.append(f"the packaged server did not answer: {out[:200]!r}")
    return report.finish("vsix", failures)


if __name__ == "__main__":
    sys.exit(main())
