#!/usr/bin/env python3
"""Checks the language server (kalcheck --lsp) by talking to it as an editor does, over standard input and output:
problems as ranges, hover, completion, definition, references, rename, symbols and a change that clears the problems,
on lines with accents, a euro sign, a tab and a character beyond 16 bits; signature help, every quick fix, the
formatting and the colours; then the protocol abuses it must survive.

Usage: lsp_test.py KALCHECK [--wine KALCHECK.EXE --prefix DIR]
"""
import json
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

import report

# The script as the editor holds it; positions below count UTF-16 units, by hand.
SCRIPT = [
    ".codigo;",
    "'Cuenta en €\tcon ñ y una cara \U0001F600;",  # 1: the word "€\tcon" at 11-16, its tab at 12
    "&año := 5",                 # 2: no ";", so "5&b" is one refused word
    "&b := 6;",
    "@iva := 21;",
    "&ñu := ~€; .avisso &ñu;",   # 5: .avisso at 11-18, &ñu at 0-3 and 19-22
    ":vuelta;",                  # 6
    ".saltar :vuelt;",           # 7: :vuelt at 8-14
    ".saltaruno :vuelta;",       # 8: :vuelta at 11-18
    "[agenda];",                 # 9
    "&n := #nombre;",            # 10
    "&total := &año + &n;",      # 11: &año at 10-14
    ".aviso &total;",            # 12
    "&m := %MAY &ñu;",           # 13: &ñu at 11-14
    "&q := &n DIV &año; .cmp &q 3;",  # 14: DIV at 9-12, the number 3 at 27
    ".fin;",
]
FIXED = {1: "'Cuenta en € con ñ y una cara \U0001F600;", 2: "&año := 5;", 5: "&ñu := ~€; .aviso &ñu;", 7: ".saltar :vuelta;",
         14: "&q := &n DIV &año;"}


def rng(line, start, end):
    return {"start": {"line": line, "character": start}, "end": {"line": line, "character": end}}


class Client(report.FramedPipe):
    def __init__(self, command, env, cwd):
        super().__init__(command, env, cwd)
        self.next_id = 0

    def send(self, method, params=None, request=True):
        message = {"jsonrpc": "2.0", "method": method, "params": params or {}}
        if request:
            self.next_id += 1
            message["id"] = self.next_id
        self.write(message)

    def receive(self):
        message = self.read()
        if message is None:
            raise EOFError("the server closed its output")
        return message

    def request(self, method, params=None):
        self.send(method, params)
        while True:
            m = self.receive()
            if m.get("id") == self.next_id:
                return m

    def notify(self, method, params):
        self.send(method, params, request=False)


def conversation(command, env, failures):
    with tempfile.TemporaryDirectory() as tmp:
        # A folder named with a blank and an accent, as people name theirs: the server finds the database there.
        folder = Path(tmp) / "Mis guiones" / "Año 2026"
        # The structure file of the database the script selects, with the number field "nombre" and the text
        # field "año".
        (folder / "agenda").mkdir(parents=True)
        (folder / "agenda" / "agenda.z04").write_bytes(b"".join(
            i.to_bytes(4, "little") + name.encode("cp1252").ljust(31, b"\0") + kind.to_bytes(2, "little") +
            (20).to_bytes(2, "little") + b"\0\0" + bytes(12001) for i, name, kind in ((1, "nombre", 1), (2, "año", 3))))
        uri = (folder / "guion.txt").as_uri()
        c = Client(command, env, folder)

        def expect(what, got, want):
            if got != want:
                failures.append(f"{what}: got {json.dumps(got, ensure_ascii=False)}, "
                                f"want {json.dumps(want, ensure_ascii=False)}")

        def at(line, character):
            return {"textDocument": {"uri": uri}, "position": {"line": line, "character": character}}

        init = c.request("initialize", {"processId": None, "rootUri": None, "capabilities": {}, "locale": "es"})
        expect("rename offered", init["result"]["capabilities"].get("renameProvider"), True)
        c.notify("initialized", {})
        c.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "kal", "version": 1,
                                                           "text": "\r\n".join(SCRIPT) + "\r\n"}})
        published = c.receive()
        got = [(d["range"], d["severity"], d["message"]) for d in published["params"]["diagnostics"]]
        expect("diagnostics", got, [
            (rng(1, 11, 16), 1, "€\tcon: Esta expresión es ERRONEA !!"),
            (rng(1, 12, 13), 2, "un tabulador pegado a una palabra forma parte de ella: sepárelas con espacios"),
            (rng(2, 8, 9), 1, "5&b: Esta expresión es ERRONEA !! ¿Falta un ; al final de la línea 3?"),
            (rng(5, 11, 18), 1, ".&avisso: Instrucción Desconocida ... (forma: orden, variable). ¿Quería decir .aviso?"),
            (rng(7, 8, 14), 1, "No existe la etiqueta :vuelt a la que salta el programa. ¿Quería decir :vuelta?"),
            # On the operand the problem names.
            (rng(14, 27, 28), 1, ".&v: Instrucción Desconocida ... (forma: orden, variable, número). El operando 2 de "
                                 ".cmp es un número (3): las órdenes solo toman variables; póngalo antes en una "
                                 "variable (&v := 3;)"),
        ])

        hover = c.request("textDocument/hover", at(12, 3))["result"]
        expect("hover on .aviso", hover["contents"]["value"].split("\n")[0], "**.aviso** texto")
        expect("hover range", hover["range"], rng(12, 0, 6))
        expect("hover on a variable", c.request("textDocument/hover", at(5, 20))["result"]["contents"]["value"],
               "`&ñu`: recibe valor por primera vez en la línea 6")
        expect("hover on a jump", c.request("textDocument/hover", at(8, 14))["result"]["contents"]["value"],
               "`:vuelta`: salta a la línea 7")
        for what, position, value, where in (
                ("+", at(11, 15), "**+** suma dos números; si uno es un texto general, los junta (`abc + 5` da `abc5`)",
                 rng(11, 15, 16)),
                ("DIV", at(14, 10), "**DIV** el cociente completo, con decimales (`7 DIV 2` da `3.5`)", rng(14, 9, 12)),
                ("a field", at(10, 8), "`#nombre`: número, hasta 20 caracteres ([agenda]). KAL quita cada `.` y "
                 "lee `'` como el punto decimal: guarde `8'20` para leer `8.20`; `8.20` se lee `820`", rng(10, 6, 13)),
                ("a database", at(9, 2), "`[agenda]`: \n- `#nombre`: número, hasta 20 caracteres\n"
                                         "- `#año`: texto, hasta 20 caracteres", rng(9, 0, 8))):
            got = c.request("textDocument/hover", position)["result"] or {}
            expect(f"hover on {what}", (got.get("contents", {}).get("value"), got.get("range")), (value, where))

        def labels(line, character):
            return sorted(i["label"] for i in c.request("textDocument/completion", at(line, character))["result"])

        commands = labels(12, 1)
        expect("command words after .", ["aviso" in commands, "avisosino" in commands, "MAY" in commands],
               [True, True, False])
        functions = c.request("textDocument/completion", at(13, 7))["result"]
        may = [i for i in functions if i["label"] == "MAY"]
        expect("function MAY with its operand", [(i["insertText"], i["insertTextFormat"]) for i in may],
               [("MAY &${1:texto}", 2)])
        expect("labels after a jump", labels(8, 12), ["vuelta"])
        expect("variables after &", labels(11, 11), ["año", "m", "n", "q", "total", "ñu"])
        expect("constants after @", labels(4, 1), ["iva"])
        expect("fields after #", labels(10, 7), ["año", "nombre"])

        expect("definition of a jump", c.request("textDocument/definition", at(8, 13))["result"],
               {"uri": uri, "range": rng(6, 0, 7)})
        expect("definition of a variable", c.request("textDocument/definition", at(11, 12))["result"],
               {"uri": uri, "range": rng(2, 0, 4)})
        refs = c.request("textDocument/references", dict(at(13, 12), context={"includeDeclaration": True}))
        expect("references", [r["range"] for r in refs["result"]], [rng(5, 0, 3), rng(5, 19, 22), rng(13, 11, 14)])

        renamed = c.request("textDocument/rename", dict(at(5, 1), newName="ñandú"))["result"]["changes"][uri]
        expect("rename", [(e["range"], e["newText"]) for e in renamed],
               [(rng(5, 0, 3), "&ñandú"), (rng(5, 19, 22), "&ñandú"), (rng(13, 11, 14), "&ñandú")])
        for position, name in ((at(5, 1), "mal-nombre"), (at(6, 2), "otra_vez"), (at(5, 1), "x" * 255)):
            error = c.request("textDocument/rename", dict(position, newName=name)).get("error", {})
            expect(f"rename to {name} refused", error.get("code"), -32803)

        symbols = c.request("textDocument/documentSymbol", {"textDocument": {"uri": uri}})["result"]
        expect("symbols", [(s["name"], s["range"]) for s in symbols],
               [(":vuelta", rng(6, 0, 7)), ("[agenda]", rng(9, 0, 8))])

        # Signature help: the operands of the statement's command or function word, the cursor's one marked.
        def signature(position):
            got = c.request("textDocument/signatureHelp", position).get("result")
            if got is None:
                return None
            s = got["signatures"][got["activeSignature"]]
            return s["label"], [p["label"] for p in s["parameters"]], got["activeParameter"]
        expect("signature help offered", init["result"]["capabilities"].get("signatureHelpProvider"),
               {"triggerCharacters": [" "]})
        for what, position, want in (
                ("after .aviso", at(12, 7), (".aviso texto", [[7, 12]], 0)),
                ("in its operand", at(12, 9), (".aviso texto", [[7, 12]], 0)),
                ("after a function of an assignment", at(13, 11), ("%MAY texto", [[5, 10]], 0)),
                ("on the second operand, after a statement", at(14, 27), (".cmp a, b", [[5, 6], [8, 9]], 1)),
                ("after the statement's end", at(14, 29), None),
                ("where no word is", at(11, 10), None),
                ("in a comment", at(1, 20), None)):
            expect(f"signature help {what}", signature(position), want)
        # Labels count UTF-16 units: "alineación" is 10 of them.
        drawing = (folder / "dibujo.txt").as_uri()
        c.notify("textDocument/didOpen", {"textDocument": {"uri": drawing, "languageId": "kal", "version": 1,
                                                           "text": ".codigo;\r\n.pintartexto &t &a \r\n"}})
        c.receive()
        got = signature({"textDocument": {"uri": drawing}, "position": {"line": 1, "character": 19}})
        expect("signature help of .pintartexto", got and (got[1][:3], got[2]), ([[13, 18], [20, 30], [32, 33]], 2))

        fixed = [FIXED.get(i, line) for i, line in enumerate(SCRIPT)]
        c.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 2},
                                            "contentChanges": [{"text": "\r\n".join(fixed) + "\r\n"}]})
        expect("diagnostics after the fix", c.receive()["params"]["diagnostics"], [])

        expect("shutdown", c.request("shutdown").get("result", "missing"), None)
        c.notify("exit", {})
        expect("exit code after shutdown and exit", c.p.wait(timeout=60), 0)

        # English hover texts for an English client.
        c = Client(command, env, folder)
        c.request("initialize", {"capabilities": {}, "locale": "en-GB"})
        c.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "kal", "version": 1,
                                                           "text": "\r\n".join(fixed) + "\r\n"}})
        c.receive()
        expect("English hover", c.request("textDocument/hover", at(12, 3))["result"]["contents"]["value"]
               .split("\n")[0], "**.aviso** text")
        c.p.stdin.close()
        expect("exit code at the end of input", c.p.wait(timeout=60), 0)


# Each quick fix, applied, leaves a script kalcheck accepts: (what, script, the script mended by hand[, the words of
# the problem fixed, when it is not the one error]).
FIXES = [
    ("a missing ;", ".codigo;\r\n&a := 1  \r\n&b := 2;\r\n.aviso &b;\r\n.fin;\r\n",
     ".codigo;\r\n&a := 1;  \r\n&b := 2;\r\n.aviso &b;\r\n.fin;\r\n"),
    ("= for :=", ".codigo;\r\n&a = 1;\r\n.aviso &a;\r\n.fin;\r\n", ".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n"),
    ("a decimal comma", ".codigo;\r\n&a := 1.234,56;\r\n.aviso &a;\r\n.fin;\r\n",
     ".codigo;\r\n&a := 1234.56;\r\n.aviso &a;\r\n.fin;\r\n"),
    ("a misspelt command", ".codigo;\r\n&a := 1;\r\n.avisso &a;\r\n.fin;\r\n",
     ".codigo;\r\n&a := 1;\r\n.aviso &a;\r\n.fin;\r\n"),
    ("a misspelt function", ".codigo;\r\n&t := ~hola;\r\n&m := %MAYY &t;\r\n.aviso &m;\r\n.fin;\r\n",
     ".codigo;\r\n&t := ~hola;\r\n&m := %MAY &t;\r\n.aviso &m;\r\n.fin;\r\n"),
    ("a misspelt label", ".codigo;\r\n:vuelta;\r\n&a := 1;\r\n.cmp &a &a;\r\n.saltarcero :vuelt;\r\n.fin;\r\n",
     ".codigo;\r\n:vuelta;\r\n&a := 1;\r\n.cmp &a &a;\r\n.saltarcero :vuelta;\r\n.fin;\r\n"),
    ("a missing .fin;, with the file's own line ends", ".codigo;\n&a := 1;\n.aviso &a;",
     ".codigo;\n&a := 1;\n.aviso &a;\n.fin;\n"),
    ("a label with _, and the jumps to it", ".codigo;\r\n:mi_vuelta;\r\n&a := 1;\r\n.cmp &a &a;\r\n"
     ".saltaruno :mi_vuelta;\r\n.saltarcero :mi_vuelta;\r\n.fin;\r\n",
     ".codigo;\r\n:mivuelta;\r\n&a := 1;\r\n.cmp &a &a;\r\n.saltaruno :mivuelta;\r\n.saltarcero :mivuelta;\r\n"
     ".fin;\r\n", "nunca se registra"),
    ("a text where a variable goes, on a line of its own", ".codigo;\r\n  .aviso ~hola;\r\n.fin;\r\n",
     ".codigo;\r\n  &v := ~hola;\r\n  .aviso &v;\r\n.fin;\r\n"),
    ("a number starting a sum, &v taken in another case", ".codigo;\n&V := 1; &t := 5 + &V;\n.aviso &t;\n.fin;\n",
     ".codigo;\n&V := 1; &v2 := 5;\n&t := &v2 + &V;\n.aviso &t;\n.fin;\n"),
]


def applied(text, edits):
    """The text with the protocol's edits applied, their positions counted in UTF-16 units."""
    starts = [0] + [m.end() for m in re.finditer(r"\r\n|\r|\n", text)]

    def place(p):
        i, units = starts[p["line"]], 0
        while units < p["character"]:
            units, i = units + (2 if ord(text[i]) > 0xFFFF else 1), i + 1
        return i
    for e in sorted(edits, key=lambda e: place(e["range"]["start"]), reverse=True):
        text = text[:place(e["range"]["start"])] + e["newText"] + text[place(e["range"]["end"]):]
    return text


def quick_fixes(command, env, failures):
    """Every sure fix through the server, applied as the editor applies it, and the result given to kalcheck."""
    with tempfile.TemporaryDirectory() as tmp:
        c = Client(command + ["--lsp"], env, tmp)
        init = c.request("initialize", {"capabilities": {}})
        if init["result"]["capabilities"].get("codeActionProvider") != {"codeActionKinds": ["quickfix"]}:
            failures.append(f"quick fixes not offered: {init['result']['capabilities']}")
        for n, (what, script, mended, *on) in enumerate(FIXES):
            uri = (Path(tmp) / f"f{n}.txt").as_uri()
            c.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "kal", "version": 1,
                                                               "text": script}})
            published = c.receive()["params"]["diagnostics"]
            errors = [d for d in published if (on[0] in d["message"] if on else d["severity"] == 1)]
            if len(errors) != 1:
                failures.append(f"quick fix of {what}: {len(errors)} problems, expected one: {errors}")
                continue
            actions = c.request("textDocument/codeAction", {"textDocument": {"uri": uri}, "range": errors[0]["range"],
                                                            "context": {"diagnostics": errors}})["result"]
            if [(a["kind"], a["isPreferred"], a["diagnostics"][0]["message"]) for a in actions] != \
                    [("quickfix", True, errors[0]["message"])]:
                failures.append(f"quick fix of {what}: actions {actions}")
                continue
            got = applied(script, actions[0]["edit"]["changes"][uri])
            if got != mended:
                failures.append(f"quick fix of {what} ({actions[0]['title']}): gave {got!r}, want {mended!r}")
            (Path(tmp) / f"f{n}.txt").write_bytes(got.encode("cp1252"))
            checked = subprocess.run(command + [f"f{n}.txt"], cwd=tmp, env=env, capture_output=True, timeout=300)
            if checked.returncode != 0:
                failures.append(f"quick fix of {what}: kalcheck exit {checked.returncode}: {checked.stdout!r}")
        # Only quick fixes are made: an editor asking for other kinds gets none.
        only = c.request("textDocument/codeAction", {"textDocument": {"uri": (Path(tmp) / "f0.txt").as_uri()},
                                                     "range": rng(1, 0, 9), "context": {"diagnostics": [],
                                                                                        "only": ["refactor"]}})
        if only.get("result") != []:
            failures.append(f"code actions of another kind: {only}")
        c.p.stdin.close()
        c.p.wait(timeout=60)


# Laid out: statements on lines of their own, one blank between tokens, command words small, labels at the line
# start; the comment (with a character beyond 16 bits) and the statement with an error stay as written.
LAYOUT = (".codigo;\r\n'nota con € y \U0001F600   rara;   &x   :=   1;\r\n:vuelta;  .AVISO   &x;\r\n"
          "  .avisso   &x;  .cmp &x &x;\r\n.fin;\r\n")
LAID_OUT = (".codigo;\r\n'nota con € y \U0001F600   rara;\r\n&x := 1;\r\n:vuelta;\r\n.aviso &x;\r\n"
            "  .avisso   &x;\r\n  .cmp &x &x;\r\n.fin;\r\n")


def formatting(command, env, failures):
    """The whole document and one line of it laid out through the server, the edits applied as an editor does."""
    c = Client(command, env, None)
    init = c.request("initialize", {"capabilities": {}})["result"]["capabilities"]
    if not (init.get("documentFormattingProvider") and init.get("documentRangeFormattingProvider")):
        failures.append(f"formatting not offered: {init}")
    uri = "file:///tmp/formato.txt"
    c.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "kal", "version": 1, "text": LAYOUT}})
    c.receive()
    options = {"tabSize": 4, "insertSpaces": True}
    whole = c.request("textDocument/formatting", {"textDocument": {"uri": uri}, "options": options})["result"]
    if applied(LAYOUT, whole) != LAID_OUT:
        failures.append(f"formatting gave {applied(LAYOUT, whole)!r}")
    line = c.request("textDocument/rangeFormatting", {"textDocument": {"uri": uri}, "range": rng(2, 0, 23),
                                                      "options": options})["result"]
    want = LAYOUT.replace(":vuelta;  .AVISO   &x;", ":vuelta;\r\n.aviso &x;")
    if applied(LAYOUT, line) != want:
        failures.append(f"formatting the line of :vuelta gave {applied(LAYOUT, line)!r}")
    c.p.stdin.close()
    c.p.wait(timeout=60)


# Coloured as KAL reads it: a comment opener makes all its statement a comment, and "~hola«x" is a text and two
# refused tokens. Each as (line, character, length, type, read only), by hand.
COLOURED = ".codigo;\n&a := 5 'nota;\n&t := ~hola«x;\n@c := 1; &f := ##/##; &m := %MAY &f; .AVISO &m; :fin;\n" \
           "[agenda]; &n := #nombre;\n.fin;\n"
COLOURS = [(0, 0, 7, "keyword", 0), (0, 7, 1, "operator", 0)] + \
    [(1, c, n, "comment", 0) for c, n in ((0, 2), (3, 2), (6, 1), (8, 5), (13, 1))] + \
    [(2, 0, 2, "variable", 0), (2, 3, 2, "operator", 0), (2, 6, 5, "string", 0), (2, 11, 1, "refused", 0),
     (2, 12, 1, "refused", 0), (2, 13, 1, "operator", 0),
     (3, 0, 2, "variable", 1), (3, 3, 2, "operator", 0), (3, 6, 1, "number", 0), (3, 7, 1, "operator", 0),
     (3, 9, 2, "variable", 0), (3, 12, 2, "operator", 0), (3, 15, 5, "regexp", 0), (3, 20, 1, "operator", 0),
     (3, 22, 2, "variable", 0), (3, 25, 2, "operator", 0), (3, 28, 4, "function", 0), (3, 33, 2, "variable", 0),
     (3, 35, 1, "operator", 0), (3, 37, 6, "keyword", 0), (3, 44, 2, "variable", 0), (3, 46, 1, "operator", 0),
     (3, 48, 4, "label", 0), (3, 52, 1, "operator", 0),
     (4, 0, 8, "namespace", 0), (4, 8, 1, "operator", 0), (4, 10, 2, "variable", 0), (4, 13, 2, "operator", 0),
     (4, 16, 7, "property", 0), (4, 23, 1, "operator", 0), (5, 0, 4, "keyword", 0), (5, 4, 1, "operator", 0)]


def colours(command, env, failures):
    """The semantic tokens of a script, decoded with the legend the server gave."""
    c = Client(command, env, None)
    provider = c.request("initialize", {"capabilities": {}})["result"]["capabilities"].get("semanticTokensProvider", {})
    types, modifiers = provider.get("legend", {}).get("tokenTypes", []), provider.get("legend", {}).get("tokenModifiers")
    uri = "file:///tmp/colores.txt"
    c.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "kal", "version": 1, "text": COLOURED}})
    c.receive()
    data = c.request("textDocument/semanticTokens/full", {"textDocument": {"uri": uri}})["result"]["data"]
    got, line, start = [], 0, 0
    for i in range(0, len(data), 5):
        line, start = line + data[i], (start if data[i] == 0 else 0) + data[i + 1]
        got.append((line, start, data[i + 2], types[data[i + 3]], data[i + 4]))
    if got != COLOURS or modifiers != ["readonly"] or not provider.get("full"):
        failures.append(f"colours: {provider}, {got}")
    c.p.stdin.close()
    c.p.wait(timeout=60)


def abuse(command, env, failures):
    """Malformed input gets the protocol's errors (a notification gets none), and the server goes on serving."""
    c = Client(command, env, None)

    def error_code():
        return c.receive().get("error", {}).get("code")

    c.send("textDocument/hover", {})
    got = [error_code()]                                 # before initialize
    c.raw(b"Content-Lenght: 5\r\n\r\nhello")             # a header without a length
    c.send("initialize", {"capabilities": {}})
    got.append(error_code())
    if c.receive().get("id") != c.next_id:
        failures.append("initialize after a bad header was not answered")
    c.raw(b"Content-Length: 5\r\n\r\n{nope")             # not JSON
    got.append(error_code())
    body = b'{"jsonrpc":"2.0","id":50,"method":"shutdown"}'
    c.raw(b"Content-Length: 20\r\n\r\n" + body)          # a length too short: the rest is skipped, up to
    c.send("kal/nada", {})                               # the next header, which ends the damaged line
    got += [error_code(), error_code(), error_code()]
    c.raw(b'Content-Length: 2\r\n\r\n[]')                # JSON, but no request
    got.append(error_code())
    deep = b'{"jsonrpc":"2.0","id":60,"method":"textDocument/hover","params":' + b"[" * 100000 + b"]" * 100000 + b"}"
    c.raw(b"Content-Length: %d\r\n\r\n" % len(deep) + deep)  # nested far past any message of the protocol
    got.append(error_code())
    if got != [-32002, -32700, -32700, -32700, -32700, -32601, -32600, -32700]:
        failures.append(f"abuse: error codes {got}")
    # A document far larger than any script gets one problem, its size, and nothing else is read of it.
    big = "file:///grande.txt"
    c.notify("textDocument/didOpen", {"textDocument": {"uri": big, "languageId": "kal", "version": 1,
                                                       "text": ".codigo;\r\n" + "&a := &a + 1;\r\n" * 330000}})
    diagnostics = c.receive()["params"]["diagnostics"]
    if len(diagnostics) != 1 or "demasiado grande" not in diagnostics[0]["message"]:
        failures.append(f"abuse: a 5 MB document got {len(diagnostics)} problems: {diagnostics[:2]}")
    refs = c.request("textDocument/references", {"textDocument": {"uri": big}, "position": {"line": 1, "character": 1},
                                                  "context": {"includeDeclaration": True}})
    if refs.get("result") != []:
        failures.append(f"abuse: references in a too large document: {str(refs)[:200]}")
    c.notify("textDocument/didChange", {"textDocument": {"uri": "file:///x"}, "contentChanges": []})  # no text
    bad_uri = "file:///a%zz/b%4.txt"  # percent signs that escape nothing, where fields are looked for
    c.notify("textDocument/didOpen", {"textDocument": {"uri": bad_uri, "languageId": "kal", "version": 1,
                                                       "text": ".codigo;\r\n[agenda];\r\n&n := #\r\n"}})
    c.receive()
    fields = c.request("textDocument/completion", {"textDocument": {"uri": bad_uri},
                                                   "position": {"line": 2, "character": 7}})
    if fields.get("result") != []:
        failures.append(f"abuse: fields for a URI with stray percent signs: {fields!r}")
    # Half a UTF-16 pair, as clients write one: the document opens, the half read as U+FFFD.
    lone = "file:///mitad.txt"
    c.notify("textDocument/didOpen", {"textDocument": {"uri": lone, "languageId": "kal", "version": 1,
                                                       "text": ".codigo;\r\n'media \ud800 cara;\r\n.fin;\r\n"}})
    published = c.receive().get("params", {})
    if published.get("uri") != lone or published.get("diagnostics") != []:
        failures.append(f"abuse: a lone surrogate: {published!r}")
    # Structure files that are a named pipe, a link to an endless device, or far too large are passed over.
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        for name in ("tubo", "cero", "enorme"):
            (folder / name).mkdir()
        os.mkfifo(folder / "tubo" / "tubo.z04")
        os.symlink("/dev/zero", folder / "cero" / "cero.z04")
        with open(folder / "enorme" / "enorme.z04", "wb") as f:
            f.truncate(33 << 20)
        uri = (folder / "bases.txt").as_uri()
        c.notify("textDocument/didOpen", {"textDocument": {"uri": uri, "languageId": "kal", "version": 1,
                                                           "text": ".codigo;\r\n[tubo];\r\n[cero];\r\n[enorme];\r\n&n := #\r\n"}})
        c.receive()
        for line in (1, 2, 3):
            hover = c.request("textDocument/hover", {"textDocument": {"uri": uri}, "position": {"line": line, "character": 2}})
            said = hover.get("result", {}).get("contents", {}).get("value", "")
            if "no hay estructura" not in said:
                failures.append(f"abuse: hover on a selector of line {line}: {hover!r}")
        fields = c.request("textDocument/completion", {"textDocument": {"uri": uri}, "position": {"line": 4, "character": 7}})
        if fields.get("result") != []:
            failures.append(f"abuse: fields of structures that are no files: {fields!r}")
    if c.request("shutdown").get("result", "missing") is not None:
        failures.append("abuse: the server stopped serving")
    after = c.request("textDocument/hover", {"textDocument": {"uri": big}, "position": {"line": 0, "character": 0}})
    if after.get("error", {}).get("code") != -32600:
        failures.append(f"abuse: a request after shutdown got {after!r}")
    c.p.stdin.close()
    if c.p.wait(timeout=60) != 0:
        failures.append("abuse: the end of input did not end the server cleanly")


def main():
    runs = [(name, command + ["--lsp"], env) for name, command, env in report.kalcheck_builds(__doc__.splitlines()[0])]
    failures = []
    for name, command, env in runs:
        found = []
        conversation(command, env, found)
        quick_fixes(command[:-1], env, found)
        formatting(command, env, found)
        colours(command, env, found)
        abuse(command, env, found)
        failures += [f"{name}: {f}" for f in found]
    return report.finish("lsp", failures)


if __name__ == "__main__":
    sys.exit(main())
