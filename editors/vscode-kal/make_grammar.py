#!/usr/bin/env python3
"""Writes syntaxes/kal.tmLanguage.json, the TextMate grammar of KAL scripts, with the command and function words
of docs/words.json, the table of the language's words that the guides and the language server read too, and the
characters that cut words of docs/characters.json. Run it after changing either; with --check it writes nothing
and says whether the grammar is current (CTest editors.grammar.words).
"""
import json
import re
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
TABLE = json.loads((HERE.parent.parent / "docs" / "words.json").read_text("utf-8"))
CHARACTERS = json.loads((HERE.parent.parent / "docs" / "characters.json").read_text("utf-8"))
WORDS = list(TABLE["words"])

# Commands that steer the run (the control groups: comparisons and jumps, the end; and the start) are coloured as
# control words.
CONTROL = {w[1:] for w, e in TABLE["words"].items() if TABLE["groups"][e["group"]].get("control")} | {"codigo"}


def listed(chars):
    """Characters for a regular expression's [...] class, each written as the class needs it."""
    return "".join("\\" + c if c in "\\]^-[" else c for c in chars)


# Name characters: letters with the accented ones and ñ, digits, "_".
NAME = "A-Za-z0-9_" + listed(CHARACTERS["letters"])
# The characters that end a word, as the tokenizer ends it: a blank, or a character that always stands alone.
BREAKS = listed(CHARACTERS["blank"] + CHARACTERS["alone"])
END = "(?=[" + BREAKS + "]|$)"
# A token starts at the line's start or after a character that ends a word.
START = "(?<![^" + BREAKS + "])"


def words(sigil):
    """The words with this sigil, without it."""
    return sorted({w[1:] for w in WORDS if w[0] == sigil}, key=lambda w: (-len(w), w))  # longest first, so no
    # word hides a longer one


def alternatives(ws):
    return "(?:" + "|".join(ws) + ")"


def main():
    functions = words("%")
    commands = words(".")
    control = [w for w in commands if w in CONTROL] + ["codigo"]
    others = [w for w in commands if w not in CONTROL]
    grammar = {
        "name": "KAL",
        "scopeName": "source.kal",
        "fileTypes": ["kal"],
        "patterns": [{"include": "#" + name} for name in (
            "comment", "selector", "text", "mask", "function", "command", "label", "variable", "constant", "field",
            "number", "operator")] + [{"match": ";", "name": "punctuation.terminator.statement.kal"}],
        "repository": {
            "comment": {
                "comment": "From ' to the next ; (the interpreter joins lines, so a comment may go on; the editor "
                           "ends it with the line).",
                "begin": "'", "end": "(;)|$",
                "beginCaptures": {"0": {"name": "punctuation.definition.comment.kal"}},
                "endCaptures": {"1": {"name": "punctuation.terminator.statement.kal"}},
                "name": "comment.line.quote.kal",
            },
            "selector": {"match": "\\[[" + NAME + ".@]+\\]", "name": "entity.name.section.database.kal"},
            "text": {
                "begin": "~", "end": END,
                "beginCaptures": {"0": {"name": "punctuation.definition.string.kal"}},
                "name": "string.unquoted.kal",
                "patterns": [{"match": "[_^]", "name": "constant.character.escape.kal"}],
            },
            "mask": {
                "comment": "A word with two # at least, outside the sigil classes.",
                "match": START + "(?=[^" + BREAKS + "]*#[^" + BREAKS + "]*#)[^" + BREAKS + "&~%'.:]+",
                "name": "string.other.mask.kal",
            },
            "function": {"patterns": [
                {"match": "%" + alternatives(functions) + END, "name": "support.function.kal"},
                {"match": "%[" + NAME + ".]+", "name": "invalid.illegal.unknown-function.kal"},
            ]},
            "command": {"patterns": [
                {"match": "(?i)\\." + alternatives(sorted(set(control), key=lambda w: (-len(w), w))) + END,
                 "name": "keyword.control.kal"},
                {"match": "(?i)\\." + alternatives(others) + END, "name": "keyword.other.command.kal"},
                {"match": "\\.[" + NAME + "]+", "name": "invalid.illegal.unknown-command.kal"},
            ]},
            "label": {"match": START + ":[" + NAME + "]+", "name": "entity.name.label.kal"},
            "variable": {"match": "&[" + NAME + ".]+", "name": "variable.other.kal"},
            "constant": {"match": "@[" + NAME + ".]+", "name": "variable.other.constant.kal"},
            "field": {"match": "#[" + NAME + ".@\\-]+", "name": "variable.other.field.kal"},
            "number": {"patterns": [
                {"match": START + "\\d+\\.\\d+" + END, "name": "constant.numeric.decimal.kal"},
                {"match": START + "\\d+" + END, "name": "constant.numeric.integer.kal"},
            ]},
            "operator": {"patterns": [
                {"match": ":=", "name": "keyword.operator.assignment.kal"},
                {"match": "[+\\-*]|\\b(?:DIV|MOD)\\b", "name": "keyword.operator.arithmetic.kal"},
            ]},
        },
    }
    out = HERE / "syntaxes" / "kal.tmLanguage.json"
    text = json.dumps(grammar, ensure_ascii=False, indent=2) + "\n"
    if "--check" in sys.argv[1:]:
        current = out.read_text("utf-8") == text
        print(f"{out.relative_to(HERE)} is {'current' if current else 'not what docs/words.json makes: run make_grammar.py'}")
        return 0 if current else 1
    out.write_text(text)
    print(f"wrote {out.relative_to(HERE)}: {len(functions)} functions, {len(commands)} commands")
    return 0


if __name__ == "__main__":
    sys.exit(main())
