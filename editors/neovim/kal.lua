-- KAL in Neovim (0.7 or later): load it from init.lua (dofile("/path/to/kal.lua")) or copy it there. Scripts named
-- *.kal, and *.txt files whose first line is ".codigo;" (as every example is named), open as KAL with kalcheck's
-- language server: problems as diagnostics, K shows the help of the word under the cursor,
-- vim.lsp.buf.code_action offers the quick fixes, vim.lsp.buf.signature_help the operands, vim.lsp.buf.formatting
-- (vim.lsp.buf.format from 0.8) lays the script out, the words are coloured as KAL reads them, and
-- vim.lsp.buf.definition, references and rename work on labels, variables and constants. kalcheck is taken from
-- the PATH, or from $KALCHECK.

-- Scripts are Windows-1252: a file that is no UTF-8 is read so.
vim.opt.fileencodings = "ucs-bom,utf-8,cp1252"
vim.cmd([[autocmd BufRead,BufNewFile *.kal setfiletype kal]])
vim.cmd([[autocmd BufRead *.txt if getline(1) =~# '^\.codigo\s*;' | setfiletype kal | endif]])

-- Colours from the server, each word as KAL reads it ("~hola«x" is a text and two refused words). Neovim 0.9 and
-- later ask for them by themselves; before, they are asked here after each change and laid on the grammar's.
local kal_client = nil
local colours = vim.api.nvim_create_namespace("kal_colours")
local groups = {keyword = "Statement", ["function"] = "Function", variable = "Identifier", property = "Identifier",
                string = "String", number = "Number", regexp = "String", label = "Label", operator = "Operator",
                namespace = "PreProc", comment = "Comment", refused = "Error"}
function KalColour(buf)
  local client = vim.lsp.get_client_by_id(kal_client)
  if not client or not vim.api.nvim_buf_is_loaded(buf) then return end
  local legend = client.server_capabilities.semanticTokensProvider.legend.tokenTypes
  client.request("textDocument/semanticTokens/full", {textDocument = {uri = vim.uri_from_bufnr(buf)}},
    function(err, result)
      if err or not result or not vim.api.nvim_buf_is_loaded(buf) then return end
      vim.api.nvim_buf_clear_namespace(buf, colours, 0, -1)
      local d, line, start = result.data, 0, 0
      for i = 1, #d, 5 do
        start = (d[i] == 0 and start or 0) + d[i + 1]
        line = line + d[i]
        local text = vim.api.nvim_buf_get_lines(buf, line, line + 1, false)[1] or ""
        -- The server counts UTF-16 units; Neovim's columns are bytes of the line.
        local from = vim.str_byteindex(text, start, true)
        local to = vim.str_byteindex(text, math.min(start + d[i + 2], vim.str_utfindex(text)), true)
        vim.api.nvim_buf_add_highlight(buf, colours, groups[legend[d[i + 3] + 1]] or "Normal", line, from, to)
      end
    end, buf)
end

function KalAttach()
  kal_client = kal_client or vim.lsp.start_client({name = "kal", cmd = {os.getenv("KALCHECK") or "kalcheck", "--lsp"},
                                                    root_dir = vim.fn.getcwd()})
  vim.lsp.buf_attach_client(0, kal_client)
  vim.keymap.set("n", "K", vim.lsp.buf.hover, {buffer = 0, desc = "KAL: help of the word under the cursor"})
  if not vim.lsp.semantic_tokens then
    local buf = vim.api.nvim_get_current_buf()
    vim.cmd(string.format("autocmd BufEnter,InsertLeave,TextChanged <buffer=%d> lua KalColourSoon(%d)", buf, buf))
    KalColourSoon(buf)
  end
end
vim.cmd([[autocmd FileType kal lua KalAttach()]])

-- After the client has sent the change it gathers for a moment, and once the server has started.
function KalColourSoon(buf)
  vim.defer_fn(function()
    local client = vim.lsp.get_client_by_id(kal_client)
    if client and client.server_capabilities then KalColour(buf) else KalColourSoon(buf) end
  end, 200)
end
