-- Neovim as the editor of a run text with a mistake, then of a second run text and of the
-- line text of both: asks what an author asks, and writes what it got as JSON to $ESITO.
-- Waits are on what the server published (its diagnostics and their versions), never on
-- time alone.
local esito = { diagnostiche = {}, hover = "", completamento = {}, correzioni = {} }
local versioni = {}  -- the version of the last diagnostics published, by URI
local pubblica = vim.lsp.handlers["textDocument/publishDiagnostics"]
vim.lsp.handlers["textDocument/publishDiagnostics"] = function(err, risultato, ctx, config)
  versioni[risultato.uri] = risultato.version
  return pubblica(err, risultato, ctx, config)
end

local r1 = vim.api.nvim_get_current_buf()
local function chiedi(buf, metodo, riga, colonna, extra)
  local p = { textDocument = { uri = vim.uri_from_bufnr(buf) } }
  if riga then p.position = { line = riga, character = colonna } end
  for k, v in pairs(extra or {}) do p[k] = v end
  local r = vim.lsp.buf_request_sync(buf, metodo, p, 10000) or {}
  for _, x in pairs(r) do if x.result then return x.result end end
  return nil
end
local function codici(buf)
  local c = {}
  for _, d in ipairs(vim.diagnostic.get(buf)) do c[#c + 1] = d.code end
  return c
end
local function ha_codice(buf, codice)
  return vim.tbl_contains(codici(buf), codice)
end
-- The diagnostics of the buffer's text as it stands now.
local function aggiornato(buf)
  return vim.wait(20000, function()
    return versioni[vim.uri_from_bufnr(buf)] == vim.api.nvim_buf_get_changedtick(buf)
  end, 20)
end
-- A text opened, once its first diagnostics have come.
local function apri(percorso)
  vim.cmd("edit " .. vim.fn.fnameescape(percorso))
  local buf = vim.api.nvim_get_current_buf()
  vim.wait(20000, function() return versioni[vim.uri_from_bufnr(buf)] ~= nil end, 20)
  return buf
end

if vim.wait(20000, function() return #vim.diagnostic.get(r1) > 0 end, 20) then
  for _, d in ipairs(vim.diagnostic.get(r1)) do
    table.insert(esito.diagnostiche, { riga = d.lnum, colonna = d.col, testo = d.message })
  end
  local riga = tonumber(vim.env.RIGA_STAZIONE)
  local h = chiedi(r1, "textDocument/hover", riga, 12)
  if h then esito.hover = h.contents.value end
  local c = chiedi(r1, "textDocument/completion", riga + 1, 0)
  for _, v in ipairs((c and c.items) or {}) do table.insert(esito.completamento, v.label) end
  local d = esito.diagnostiche[1]
  local a = chiedi(r1, "textDocument/codeAction", nil, nil, {
    range = { start = { line = d.riga, character = d.colonna }, ["end"] = { line = d.riga, character = d.colonna } },
    context = { diagnostics = {} } })
  for _, v in ipairs(a or {}) do table.insert(esito.correzioni, v.title) end

  -- The value under the cursor on the station's hours.
  local stazione = vim.api.nvim_buf_get_lines(r1, riga, riga + 1, true)[1]
  local f = chiedi(r1, "textDocument/signatureHelp", riga, tonumber(vim.env.COLONNA_ORE),
    { context = { triggerKind = 1, isRetrigger = false } })
  if f then
    local s = f.signatures[1]
    local attivo = f.activeParameter or s.activeParameter
    local dove = s.parameters[attivo + 1].label
    esito.firma = { valore = s.label:sub(dove[1] + 1, dove[2]), spiegazione = s.parameters[attivo + 1].documentation.value }
  end

  -- The second run text, then the line text: a maximum-speed indicator on the cell of the
  -- runs' signal at 1500 m is an error in both runs; taken away, both are clean of it.
  local r2 = apri(vim.env.TRENO2)
  local linea = apri(vim.env.LINEA)
  local cartelli = vim.fn.search("^indicatori_vmax", "n") - 1
  vim.api.nvim_buf_set_lines(linea, cartelli + 1, cartelli + 1, true, { "indicatori_vmax, 1500, 70, 75, 75, 0, , , , 0" })
  esito.due_corse_errate = vim.wait(20000, function() return ha_codice(r1, 16) and ha_codice(r2, 16) end, 20)
  vim.api.nvim_buf_set_lines(linea, cartelli + 1, cartelli + 2, true, {})
  esito.due_corse_corrette = vim.wait(20000, function() return not ha_codice(r1, 16) and not ha_codice(r2, 16) end, 20)

  -- The second run text laid out, through the editor's formatting, and saved.
  vim.cmd("buffer " .. r2)
  local prima = table.concat(vim.api.nvim_buf_get_lines(r2, 0, -1, true), "\n")
  vim.lsp.buf.formatting_sync(nil, 10000)
  esito.impaginato = table.concat(vim.api.nvim_buf_get_lines(r2, 0, -1, true), "\n") ~= prima
  vim.cmd("write")

  -- Completion as 0.7 inserts it (no snippets) in place of the station at 5400 m, its
  -- blanks then filled with that station's values: the record reads as before.
  local valori = vim.split(stazione:match("^stazione,(.*)$"), ",")
  vim.api.nvim_buf_set_lines(r2, riga, riga + 1, true, { "" })
  local voci = chiedi(r2, "textDocument/completion", riga, 0)
  for _, v in ipairs(vim.lsp.util.text_document_completion_list_to_complete_items(voci, "")) do
    if v.abbr == "stazione" then esito.parola_inserita = v.word end
  end
  local i = 0
  local riempita = (esito.parola_inserita or ""):gsub(",", function() i = i + 1; return "," .. (valori[i] or "") end)
  vim.api.nvim_buf_set_lines(r2, riga, riga + 1, true, { riempita })
  aggiornato(r2)
  esito.diagnostiche_riempita = codici(r2)
end
local f = io.open(vim.env.ESITO, "w")
f:write(vim.fn.json_encode(esito))
f:close()
vim.cmd("qa!")
