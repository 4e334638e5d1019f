-- Neovim as the editor of a run text with a mistake: waits for the server's diagnostics,
-- asks a hover and a completion, and writes what it got as JSON to $ESITO.
local esito = { diagnostiche = {}, hover = "", completamento = {}, correzioni = {} }
local buf = vim.api.nvim_get_current_buf()
local arrivate = vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 50)
for _, d in ipairs(vim.diagnostic.get(buf)) do
  table.insert(esito.diagnostiche, { riga = d.lnum, colonna = d.col, testo = d.message })
end
local function chiedi(metodo, riga, colonna, extra)
  local p = { textDocument = { uri = vim.uri_from_bufnr(buf) } }
  if riga then p.position = { line = riga, character = colonna } end
  for k, v in pairs(extra or {}) do p[k] = v end
  local r = vim.lsp.buf_request_sync(buf, metodo, p, 10000) or {}
  for _, x in pairs(r) do if x.result then return x.result end end
  return nil
end
if arrivate then
  local riga = tonumber(vim.env.RIGA_STAZIONE)
  local h = chiedi("textDocument/hover", riga, 12)
  if h then esito.hover = h.contents.value end
  local c = chiedi("textDocument/completion", riga + 1, 0)
  for _, v in ipairs((c and c.items) or {}) do table.insert(esito.completamento, v.label) end
  local d = esito.diagnostiche[1]
  local a = chiedi("textDocument/codeAction", nil, nil, {
    range = { start = { line = d.riga, character = d.colonna }, ["end"] = { line = d.riga, character = d.colonna } },
    context = { diagnostics = {} } })
  for _, v in ipairs(a or {}) do table.insert(esito.correzioni, v.title) end
end
local f = io.open(vim.env.ESITO, "w")
f:write(vim.fn.json_encode(esito))
f:close()
vim.cmd("qa!")
