-- KAL in Neovim (0.7 or later): load it from init.lua (dofile("/path/to/kal.lua")) or copy it there. Scripts named
-- *.kal, and *.txt files whose first line is ".codigo;" (as every example is named), open as KAL with kalcheck's
-- language server: problems as diagnostics, K shows the help of the word under the cursor,
-- vim.lsp.buf.code_action offers the quick fixes, vim.lsp.buf.signature_help the operands, and
-- vim.lsp.buf.definition, references and rename work on labels, variables and constants. kalcheck is taken from
-- the PATH, or from $KALCHECK.

-- Scripts are Windows-1252: a file that is no UTF-8 is read so.
vim.opt.fileencodings = "ucs-bom,utf-8,cp1252"
vim.cmd([[autocmd BufRead,BufNewFile *.kal setfiletype kal]])
vim.cmd([[autocmd BufRead *.txt if getline(1) =~# '^\.codigo\s*;' | setfiletype kal | endif]])

local kal_client = nil
function KalAttach()
  kal_client = kal_client or vim.lsp.start_client({name = "kal", cmd = {os.getenv("KALCHECK") or "kalcheck", "--lsp"},
                                                    root_dir = vim.fn.getcwd()})
  vim.lsp.buf_attach_client(0, kal_client)
  vim.keymap.set("n", "K", vim.lsp.buf.hover, {buffer = 0, desc = "KAL: help of the word under the cursor"})
end
vim.cmd([[autocmd FileType kal lua KalAttach()]])
