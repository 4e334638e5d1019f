-- The scenario texts in Neovim: every LINEA_linea.txt and LINEA_TRENO-.txt opened is
-- attached to one `compila_scenario --lsp` per folder. Works from Neovim 0.7 on (the
-- client calls that 0.8's vim.lsp.start wraps). Load it from init.lua with
--   dofile("/path/to/editors/neovim/compila_scenario.lua")
-- or set vim.g.compila_scenario to the program's path first when it is not on PATH,
-- vim.g.compila_scenario_lingua to "it" or "en" for a language other than the locale's,
-- vim.g.compila_scenario_impostazioni to the server's settings ({ severo = true, ... }),
-- and vim.g.compila_scenario_browser to the program that opens the page (xdg-open, open
-- or start by default).
--
-- On a text: K describes what is under the cursor, <C-k> (insert mode too) names the
-- value being typed, :FormattaScenario lays the text out in columns (a range of lines
-- too), :PaginaScenario opens the page of the open texts in the browser, which follows
-- every change (the lens at the top of the text does the same); completion is on
-- <C-x><C-o>. Every text's diagnostics show again when insert mode ends, those of the
-- texts a change in another made, and each shows its notes. A server that dies is
-- started again, at most three times in a row within a few seconds of its start.

-- What this file tells the author, in every language of the program's catalogue.
-- Made from lingue/*.po (make test checks it):
local TESTI_LINGUE = {
  it = {
    assente = "compila_scenario: '{programma}' non trovato; indicarne il percorso in vim.g.compila_scenario",
    riavvio = "compila_scenario: il server si è fermato (stato {stato}, segnale {segnale}): riavviato",
    arreso = "compila_scenario: il server si ferma appena avviato; non è più riavviato",
    pagina = "compila_scenario: la pagina dello scenario è {pagina}",
    senza_browser = "compila_scenario: nessun programma apre {pagina}; indicarne uno in vim.g.compila_scenario_browser",
  },
  en = {
    assente = "compila_scenario: '{programma}' not found; give its path in vim.g.compila_scenario",
    riavvio = "compila_scenario: the server stopped (status {stato}, signal {segnale}): restarted",
    arreso = "compila_scenario: the server stops as soon as it starts; it is not restarted again",
    pagina = "compila_scenario: the scenario's page is {pagina}",
    senza_browser = "compila_scenario: no program opens {pagina}; name one in vim.g.compila_scenario_browser",
  },
}
-- End of the texts from lingue/*.po.

-- The language as the program chooses it: vim.g.compila_scenario_lingua ("it", "en"), else
-- the first of LC_ALL, LC_MESSAGES and LANG that is set, else Italian. The server is told
-- the same in initialize, so that its hover and diagnostics speak it too.
local function lingua()
  if TESTI_LINGUE[vim.g.compila_scenario_lingua or ""] then return vim.g.compila_scenario_lingua end
  for _, nome in ipairs({ "LC_ALL", "LC_MESSAGES", "LANG" }) do
    local valore = os.getenv(nome)
    if valore and valore ~= "" then
      local l = (valore:match("^(%a+)") or ""):lower()
      return TESTI_LINGUE[l] and l or "it"
    end
  end
  return "it"
end

-- The text `id` with each {nome} replaced by argomenti[nome].
local function testo(id, argomenti)
  return (TESTI_LINGUE[lingua()][id]:gsub("{(%w+)}", function(nome)
    local v = (argomenti or {})[nome]
    return v ~= nil and tostring(v) or nil
  end))
end

local FORME = { "*_linea.txt", "*-.txt" }
local clienti = {}        -- client id by folder
local cadute = {}         -- quick deaths in a row, by folder
local avvisato = false    -- the missing program is told once

local function programma()
  return vim.g.compila_scenario or "compila_scenario"
end

local function e_scenario(nome)
  return nome:match("_linea%.txt$") ~= nil or nome:match("%-%.txt$") ~= nil
end

-- The help on the value under the cursor, asked for: the server gives it anywhere on a
-- record then, not only while values are typed.
local function firma()
  local parametri = vim.lsp.util.make_position_params()
  parametri.context = { triggerKind = 1, isRetrigger = false }
  vim.lsp.buf_request(0, "textDocument/signatureHelp", parametri, vim.lsp.handlers["textDocument/signatureHelp"])
end

-- The page at `uri` in the browser.
local function apri_nel_browser(uri)
  local pagina = vim.uri_to_fname(uri)
  local browser = vim.g.compila_scenario_browser
  if not browser then
    if vim.fn.has("win32") == 1 then
      browser = { "cmd", "/c", "start", "" }
    elseif vim.fn.has("mac") == 1 then
      browser = "open"
    else
      browser = "xdg-open"
    end
  end
  local comando = type(browser) == "table" and vim.deepcopy(browser) or { browser }
  if vim.fn.executable(comando[1]) ~= 1 then
    vim.notify(testo("senza_browser", { pagina = pagina }), vim.log.levels.WARN)
    return
  end
  table.insert(comando, pagina)
  vim.fn.jobstart(comando, { detach = true })
  vim.notify(testo("pagina", { pagina = pagina }), vim.log.levels.INFO)
end

-- The server's command that writes the page of the buffer's texts; the page it names is
-- opened in the browser (the server asks no editor of 0.7 to show it).
local function pagina(comando, contesto)
  local client = vim.lsp.get_client_by_id(contesto.client_id)
  if not client then return end
  client.request("workspace/executeCommand", comando, function(errore, esito)
    if errore then
      vim.notify(errore.message, vim.log.levels.ERROR)
    elseif esito and esito.uri then
      apri_nel_browser(esito.uri)
    end
  end, contesto.bufnr)
end
vim.lsp.commands["compilaScenario.pagina"] = pagina

local function su_testo(client, buf)
  local function mappa(modi, tasto, azione)
    vim.keymap.set(modi, tasto, azione, { buffer = buf, silent = true })
  end
  -- K runs man in 0.7 unless told otherwise.
  mappa("n", "K", vim.lsp.buf.hover)
  mappa({ "n", "i" }, "<C-k>", firma)
  vim.bo[buf].omnifunc = "v:lua.vim.lsp.omnifunc"
  vim.api.nvim_buf_create_user_command(buf, "FormattaScenario", function(a)
    if a.range > 0 then
      -- The last line whole: its last character (the range ends after it).
      local ultima = vim.api.nvim_buf_get_lines(buf, a.line2 - 1, a.line2, true)[1]
      vim.lsp.buf.range_formatting({}, { a.line1, 0 }, { a.line2, math.max(#ultima - 1, 0) })
    elseif vim.lsp.buf.format then
      vim.lsp.buf.format({ timeout_ms = 10000 })
    else
      vim.lsp.buf.formatting_sync(nil, 10000)
    end
  end, { range = true })
  vim.api.nvim_buf_create_user_command(buf, "PaginaScenario", function()
    pagina({ command = "compilaScenario.pagina", arguments = { vim.uri_from_bufnr(buf) } },
      { client_id = client.id, bufnr = buf })
  end, {})
  vim.lsp.codelens.refresh()
end

local avvia

-- Every loaded text of `cartella` on the client of that folder.
local function aggancia_cartella(cartella)
  for _, buf in ipairs(vim.api.nvim_list_bufs()) do
    local nome = vim.api.nvim_buf_get_name(buf)
    if vim.api.nvim_buf_is_loaded(buf) and e_scenario(nome) and vim.fn.fnamemodify(nome, ":p:h") == cartella then
      vim.lsp.buf_attach_client(buf, clienti[cartella])
    end
  end
end

avvia = function(cartella)
  local iniziato = vim.loop.now()
  clienti[cartella] = vim.lsp.start_client({
    name = "compila_scenario",
    cmd = { programma(), "--lsp" },
    root_dir = cartella,
    settings = { compilaScenario = vim.g.compila_scenario_impostazioni or vim.empty_dict() },
    before_init = function(parametri)
      parametri.locale = lingua()
      -- The float shows no related place: the server writes a diagnostic's notes into its
      -- message instead.
      parametri.capabilities.textDocument.publishDiagnostics.relatedInformation = false
    end,
    on_init = function(client)
      client.notify("workspace/didChangeConfiguration", { settings = client.config.settings })
    end,
    on_attach = function(client, buf) su_testo(client, buf) end,
    on_exit = function(codice, segnale)
      vim.schedule(function()
        clienti[cartella] = nil
        -- Ended by the editor itself (a quit, :LspStop): nothing to restart.
        if vim.v.exiting ~= vim.NIL or (codice == 0 and (segnale == 0 or segnale == 15)) then return end
        cadute[cartella] = vim.loop.now() - iniziato < 5000 and (cadute[cartella] or 0) + 1 or 0
        if cadute[cartella] >= 3 then
          vim.notify(testo("arreso"), vim.log.levels.ERROR)
          return
        end
        -- After Neovim's own line on the client that quit, which would hide it.
        vim.defer_fn(function()
          vim.notify(testo("riavvio", { stato = codice, segnale = segnale }), vim.log.levels.WARN)
        end, 200)
        avvia(cartella)
        aggancia_cartella(cartella)
      end)
    end,
  })
end

vim.api.nvim_create_autocmd({ "BufReadPost", "BufNewFile" }, {
  pattern = FORME,
  callback = function(a)
    if vim.fn.executable(programma()) ~= 1 then
      if not avvisato then
        avvisato = true
        -- After the start-up screen, as one line that asks for no key.
        vim.schedule(function() vim.notify(testo("assente", { programma = programma() }), vim.log.levels.WARN) end)
      end
      return
    end
    local cartella = vim.fn.fnamemodify(a.file, ":p:h")
    if not clienti[cartella] then avvia(cartella) end
    vim.lsp.buf_attach_client(a.buf, clienti[cartella])
  end,
})

-- Diagnostics that came while insert mode was on in another buffer (a line text changed,
-- its run texts checked again) wait for insert mode to end in that buffer: they are shown
-- in every attached buffer as soon as it ends in any.
vim.api.nvim_create_autocmd("InsertLeave", {
  callback = function()
    vim.schedule(function()
      for _, id in pairs(clienti) do
        for _, buf in ipairs(vim.lsp.get_buffers_by_client_id(id)) do
          if vim.api.nvim_buf_is_loaded(buf) then vim.diagnostic.show(nil, buf) end
        end
      end
    end)
  end,
})

-- The lens (the page's command) kept on each text.
vim.api.nvim_create_autocmd({ "BufEnter", "InsertLeave" }, {
  pattern = FORME,
  callback = function() if next(vim.lsp.buf_get_clients(0)) then vim.lsp.codelens.refresh() end end,
})
