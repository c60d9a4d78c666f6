#!/usr/bin/env python3
"""Writes KAL.xml, a Notepad++ User Defined Language for KAL scripts, with the command and function words of
docs/words.json (the help of every word of the interpreter's dispatch table): commands, control words and
functions by class, variables, constants, fields, labels and texts by their sigil, comments from ' to ;, and as
operators the characters that always stand alone (docs/characters.json, the tokenizer's), which end a word there
as they end KAL's. With --check, nothing is written and the exit code says whether KAL.xml is current.

Usage: editors/notepad++/make_udl.py [--check]
"""
import json
import sys
from pathlib import Path
from xml.sax.saxutils import escape

HERE = Path(__file__).resolve().parent
TABLE = json.loads((HERE.parent.parent / "docs" / "words.json").read_text("utf-8"))
CHARACTERS = json.loads((HERE.parent.parent / "docs" / "characters.json").read_text("utf-8"))
WORDS = list(TABLE["words"])
# Commands that steer the run (the control groups: comparisons and jumps, and the end), coloured apart as in the
# editor grammar.
CONTROL = {w for w, e in TABLE["words"].items() if TABLE["groups"][e["group"]].get("control")}

# (UDL keyword list, words, style name, colour, bold)
LISTS = [
    ("Keywords1", sorted(w for w in WORDS if w[0] == "." and w not in CONTROL), "COMMANDS", "0000C0", True),
    ("Keywords2", sorted(CONTROL) + [".codigo"], "CONTROL", "8000FF", True),
    ("Keywords3", sorted(w for w in WORDS if w[0] == "%"), "FUNCTIONS", "007070", True),
    ("Keywords4", ["&"], "VARIABLES", "000000", False),
    ("Keywords5", ["@"], "CONSTANTS", "804000", False),
    ("Keywords6", ["#"], "FIELDS", "806000", False),
    ("Keywords7", [":"], "LABELS", "C00000", True),
    ("Keywords8", ["~"], "TEXTS", "008000", False),
]


def udl():
    keyword_lists = {
        "Comments": "00' 01 02; 03 04",
        "Numbers, prefix1": "", "Numbers, prefix2": "", "Numbers, extras1": "", "Numbers, extras2": "",
        "Numbers, suffix1": "", "Numbers, suffix2": "", "Numbers, range": "",
        "Operators1": " ".join(CHARACTERS["alone"]), "Operators2": ":= DIV MOD",
        "Folders in code1, open": "", "Folders in code1, middle": "", "Folders in code1, close": "",
        "Folders in code2, open": "", "Folders in code2, middle": "", "Folders in code2, close": "",
        "Folders in comment, open": "", "Folders in comment, middle": "", "Folders in comment, close": "",
        "Delimiters": "00[ 01 02] 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20 21 22 23",
    }
    for name, words, _, _, _ in LISTS:
        keyword_lists[name] = " ".join(words)
    styles = [("DEFAULT", "000000", False), ("COMMENTS", "808080", False), ("LINE COMMENTS", "808080", False),
              ("NUMBERS", "FF8000", False), ("OPERATORS", "000080", True), ("DELIMITERS1", "0080C0", False)]
    styles += [(f"KEYWORDS{i + 1}", colour, bold) for i, (_, _, _, colour, bold) in enumerate(LISTS)]
    out = ['<?xml version="1.0" encoding="UTF-8" ?>', "<!-- Made by make_udl.py from docs/words.json. -->",
           "<NotepadPlus>", '    <UserLang name="KAL" ext="kal" udlVersion="2.1">', "        <Settings>",
           '            <Global caseIgnored="no" allowFoldOfComments="no" foldCompact="no" forcePureLC="0" '
           'decimalSeparator="0" />',
           '            <Prefix Keywords1="no" Keywords2="no" Keywords3="no" Keywords4="yes" Keywords5="yes" '
           'Keywords6="yes" Keywords7="yes" Keywords8="yes" />',
           "        </Settings>", "        <KeywordLists>"]
    out += [f'            <Keywords name="{escape(k)}">{escape(v)}</Keywords>' for k, v in keyword_lists.items()]
    out += ["        </KeywordLists>", "        <Styles>"]
    out += [f'            <WordsStyle name="{n}" fgColor="{c}" bgColor="FFFFFF" fontStyle="{1 if b else 0}" '
            f'nesting="0" />' for n, c, b in styles]
    out += ["        </Styles>", "    </UserLang>", "</NotepadPlus>", ""]
    return "\r\n".join(out)


def main():
    target = HERE / "KAL.xml"
    text = udl()
    if "--check" in sys.argv[1:]:
        current = target.read_text("utf-8") if target.exists() else ""
        if current.replace("\r\n", "\n") != text.replace("\r\n", "\n"):
            print("editors/notepad++/KAL.xml is not what make_udl.py makes from docs/words.json: run it")
            return 1
        return 0
    target.write_bytes(text.encode("utf-8"))
    print(f"wrote {target.name}: {sum(len(w) for _, w, _, _, _ in LISTS[:3])} words")
    return 0


if __name__ == "__main__":
    sys.exit(main())
