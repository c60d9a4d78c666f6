#!/usr/bin/env python3
"""Checks the language server with a real client no one here wrote: Neovim, headless, with its built-in LSP client.
Neovim starts with the README's setup (editors/neovim/kal.lua) and opens an example, named .txt as they all are,
with a misspelt command planted after accented characters; the test reads back what Neovim made of it: a KAL file
read as Windows-1252 with K mapped to hover, the diagnostic, the text its range covers, the colours from the server, a hover, the quick fix
Neovim applies and the formatting it asks for, written back as Windows-1252 and accepted by kalcheck.

Usage: neovim_test.py KALCHECK
"""
import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path

import report

EXAMPLE = Path(__file__).resolve().parents[2] / "examples" / "saludo.txt"
KAL_LUA = Path(__file__).resolve().parents[2] / "editors" / "neovim" / "kal.lua"
# Neovim starts with the README's setup alone and opens the .txt example as a person would; this asks what it made
# of it.
PROBE = r"""
local buf = vim.api.nvim_get_current_buf()
vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 50)
local found = {}
for _, d in ipairs(vim.diagnostic.get(buf)) do
  local line = vim.api.nvim_buf_get_lines(buf, d.lnum, d.lnum + 1, false)[1]
  table.insert(found, {line = d.lnum, word = line:sub(d.col + 1, d.end_col), message = d.message})
end
-- The colours kal.lua lays from the server's semantic tokens on the line with accents.
local ns = vim.api.nvim_get_namespaces()["kal_colours"]
vim.wait(20000, function() return #vim.api.nvim_buf_get_extmarks(buf, ns, 0, -1, {}) > 0 end, 50)
local colours = {}
for _, m in ipairs(vim.api.nvim_buf_get_extmarks(buf, ns, {2, 0}, {2, -1}, {details = true})) do
  table.insert(colours, {m[3], m[4].end_col, m[4].hl_group})
end
local hover = vim.NIL
local replies = vim.lsp.buf_request_sync(buf, "textDocument/hover",
  {textDocument = {uri = vim.uri_from_bufnr(buf)}, position = {line = 4, character = 13}}, 10000)
for _, r in pairs(replies or {}) do
  if r.result then hover = r.result.contents.value end
end
-- The diagnostic's quick fix, applied by Neovim's own client, and the script written back.
local d = vim.diagnostic.get(buf)[1]
local fixed = vim.NIL
if d then
  -- Asked as Neovim's code action asks at the cursor, and applied by its own edit machinery (this Neovim's
  -- code_action offers no choice without a prompt).
  local asked = {textDocument = {uri = vim.uri_from_bufnr(buf)},
                 range = {start = {line = d.lnum, character = d.col}, ["end"] = {line = d.lnum, character = d.col}},
                 context = {diagnostics = vim.lsp.diagnostic.get_line_diagnostics(buf, d.lnum)}}
  for _, r in pairs(vim.lsp.buf_request_sync(buf, "textDocument/codeAction", asked, 10000) or {}) do
    for _, action in ipairs(r.result or {}) do
      if action.isPreferred then vim.lsp.util.apply_workspace_edit(action.edit, "utf-16") end
    end
  end
  fixed = vim.api.nvim_buf_get_lines(buf, d.lnum, d.lnum + 1, false)[1]
  -- Then the whole script laid out by the server through Neovim's own formatting, and written back.
  vim.lsp.buf.formatting_sync(nil, 10000)
  vim.cmd("write")
end
local k = vim.fn.maparg("K", "n", false, true)
local f = io.open("result.json", "w")
f:write(vim.fn.json_encode({diagnostics = found, hover = hover, fixed = fixed, colours = colours, filetype = vim.bo.filetype,
                            encoding = vim.bo.fileencoding, k = k.desc or vim.NIL}))
f:close()
vim.cmd("qa!")
"""

def main():
    kalcheck = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        folder = Path(tmp)
        script = EXAMPLE.read_bytes().replace(b"&pregunta := ~\xbfC\xf3mo_te_llamas?;",
                                              b"&pregunta := ~\xbfC\xf3mo_te_llamas?; .avisso &pregunta;")
        script = script.replace(b".saltar :final;", b".SALTAR   :final;")
        (folder / "saludo.txt").write_bytes(script)
        (folder / "prueba.lua").write_text(PROBE)
        subprocess.run(["nvim", "--headless", "-u", str(KAL_LUA), "-i", "NONE", "saludo.txt", "-c", "luafile prueba.lua"],
                       cwd=folder,
                       env=dict(os.environ, KALCHECK=kalcheck), timeout=120, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        result = json.loads((folder / "result.json").read_text()) if (folder / "result.json").exists() else {}
        written = (folder / "saludo.txt").read_bytes()
        checked = subprocess.run([kalcheck, "saludo.txt"], cwd=folder, capture_output=True, timeout=60)
    want = [{"line": 2, "word": ".avisso", "message": ".&avisso: Instrucción Desconocida ... (forma: orden, variable). "
                                                     "¿Quería decir .aviso?"}]
    if result.get("diagnostics") != want:
        failures.append(f"diagnostics: {result.get('diagnostics')!r}")
    # Columns in bytes of Neovim's UTF-8 line: "¿" and "ó" take two each.
    colours = [[0, 9, "Identifier"], [10, 12, "Operator"], [13, 32, "String"], [32, 33, "Operator"],
               [34, 41, "Statement"], [42, 51, "Identifier"], [51, 52, "Operator"]]
    if result.get("colours") != colours:
        failures.append(f"colours of the line with accents: {result.get('colours')!r}")
    if not str(result.get("hover")).startswith("**%INPUTDATA**"):
        failures.append(f"hover: {result.get('hover')!r}")
    if result.get("fixed") != "&pregunta := ~¿Cómo_te_llamas?; .aviso &pregunta;":
        failures.append(f"the line after Neovim applied the quick fix: {result.get('fixed')!r}")
    laid_out = EXAMPLE.read_bytes().replace(b"llamas?;\r\n", b"llamas?;\r\n.aviso &pregunta;\r\n")
    if written != laid_out or checked.returncode != 0:
        failures.append(f"the script Neovim wrote back: kalcheck exit {checked.returncode}, {checked.stdout!r}")
    seen = {k: result.get(k) for k in ("filetype", "encoding", "k")}
    if seen != {"filetype": "kal", "encoding": "cp1252", "k": "KAL: help of the word under the cursor"}:
        failures.append(f"the .txt script as Neovim opened it: {seen}")
    return report.finish("neovim", failures)


if __name__ == "__main__":
    sys.exit(main())
