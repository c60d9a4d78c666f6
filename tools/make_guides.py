#!/usr/bin/env python3
"""Writes the command and function rows of both guides' tables from docs/words.json, the help of every word of
the dispatch table (a unit test holds the two together), which the language server's help also reads. A row is found by its first cell (the words it
names); headers and the rows about other statements stay as written. With --check, nothing is written and the
exit code says whether the guides match the table (the test command runs it so), and whether every result the
guides' table of + shows is one the joining case (tests/cases/arithmetic/joining_table) expects.

Usage: tools/make_guides.py [--check]
"""
import json
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
GUIDES = {"es": ROOT / "docs" / "guia.md", "en": ROOT / "docs" / "guide.md"}


def rows(words, language):
    """Each table row of the table's words: its first cell, and the whole row."""
    grouped = {}
    for entry in words:
        if entry["row"] > 0:
            grouped.setdefault(entry["row"], []).append(entry)
    made = {}
    for entries in grouped.values():
        first = entries[0]
        cell = first["cell"][language] if "cell" in first else " ".join(f"`{e['word']}`" for e in entries)
        made[cell] = "| " + " | ".join([cell] + [first[k][language] for k in ("operands", "what", "example")]) + " |"
    return made


def first_cell(line):
    m = re.match(r"^\| (.*?) \|", line)
    return m.group(1) if m else None


JOINING_CASE = ROOT / "tests" / "cases" / "arithmetic" / "joining_table.expect"
JOINING_HEADINGS = {"es": "#### La tabla de `+`", "en": "#### The table of `+`"}


def joining_results(text, language):
    """The results the guide's table of + shows: the last `...` of each cell of its rows."""
    start = text.index(JOINING_HEADINGS[language])
    end = text.index("\n#", start + 1)
    found = []
    for line in text[start:end].split("\n"):
        if line.startswith("|") and not line.startswith("|---"):
            for cell in re.split(r"(?<!\\)\|", line)[2:-1]:
                shown = re.findall(r"`([^`]*)`", cell)
                if shown and ":" in cell:
                    found.append(shown[-1].replace("\\|", "|"))
    return found


def main():
    check = "--check" in sys.argv[1:]
    table = json.loads((ROOT / "docs" / "words.json").read_text(encoding="utf-8"))["words"]
    words = [dict(entry, word=word) for word, entry in table.items()]
    stale = [f"docs/words.json: {e['word']} has no row in the guides" for e in words if e["row"] <= 0]
    for language, path in GUIDES.items():
        wanted = rows(words, language)
        lines = path.read_text(encoding="utf-8").split("\n")
        seen = set()
        inside = False  # the sections of statements, commands and functions
        for i, line in enumerate(lines):
            if line.startswith("## "):
                inside = line.startswith(("## 3.", "## 5.", "## 6."))
            cell = first_cell(line)
            if inside and cell in wanted:
                seen.add(cell)
                if line != wanted[cell]:
                    stale.append(f"{path.name}:{i + 1}: {cell}")
                    lines[i] = wanted[cell]
        stale += [f"{path.name}: no row for {cell}" for cell in wanted if cell not in seen]
        if not check:
            path.write_text("\n".join(lines), encoding="utf-8")
    # Every result the guides' table of + shows is one a case of the suite sees KAL.exe give.
    unseen = []
    seen_by_case = {line[len("box KAL: "):].rstrip("\n") for line in JOINING_CASE.read_text(encoding="utf-8").split("\n")
                    if line.startswith("box KAL: ")}
    for language, path in GUIDES.items():
        shown = joining_results(path.read_text(encoding="utf-8"), language)
        if len(shown) < 9:
            unseen.append(f"{path.name}: the table of + shows {len(shown)} results")
        unseen += [f"{path.name}: the table of + shows {r}, which {JOINING_CASE.name} never sees"
                   for r in shown if r not in seen_by_case]
    for s in stale:
        print(("differs from docs/words.json: " if check else "rewritten: ") + s)
    for u in unseen:
        print(u)
    return 1 if (check and stale) or unseen else 0


if __name__ == "__main__":
    sys.exit(main())
