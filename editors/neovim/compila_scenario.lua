-- The scenario texts in Neovim: every LINEA_linea.txt and LINEA_TRENO-.txt opened is
-- attached to one `compila_scenario --lsp` per folder. Works from Neovim 0.7 on (the
-- client calls that 0.8's vim.lsp.start wraps). Load it from init.lua with
--   dofile("/path/to/editors/neovim/compila_scenario.lua")
-- or set vim.g.compila_scenario to the program's path first when it is not on PATH.
local clienti = {}
vim.api.nvim_create_autocmd({ "BufReadPost", "BufNewFile" }, {
  pattern = { "*_linea.txt", "*-.txt" },
  callback = function(a)
    local cartella = vim.fn.fnamemodify(a.file, ":p:h")
    if not clienti[cartella] then
      clienti[cartella] = vim.lsp.start_client({
        name = "compila_scenario",
        cmd = { vim.g.compila_scenario or "compila_scenario", "--lsp" },
        root_dir = cartella,
      })
    end
    vim.lsp.buf_attach_client(a.buf, clienti[cartella])
    vim.bo[a.buf].omnifunc = "v:lua.vim.lsp.omnifunc"
  end,
})
