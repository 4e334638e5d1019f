-- The scenario texts in Neovim: every LINEA_linea.txt and LINEA_TRENO-.txt opened is
-- attached to one `compila_scenario --lsp` per folder. Works from Neovim 0.7 on (the
-- client calls that 0.8's vim.lsp.start wraps). Load it from init.lua with
--   dofile("/path/to/editors/neovim/compila_scenario.lua")
-- or set vim.g.compila_scenario to the program's path first when it is not on PATH, and
-- vim.g.compila_scenario_lingua to "it" or "en" for a language other than the locale's.
--
-- On a text: K describes what is under the cursor, <C-k> (insert mode too) names the
-- value being typed, :FormattaScenario lays the text out in columns; completion is on
-- <C-x><C-o>. A server that dies is started again, at most three times in a row within
-- a few seconds of its start.

-- What this file tells the author, in every language of the program's catalogue.
-- Made from lingue/*.po (make test checks it):
local TESTI_LINGUE = {
  it = {
    assente = "compila_scenario: '{programma}' non trovato; indicarne il percorso in vim.g.compila_scenario",
    riavvio = "compila_scenario: il server si è fermato (stato {stato}, segnale {segnale}): riavviato",
    arreso = "compila_scenario: il server si ferma appena avviato; non è più riavviato",
  },
  en = {
    assente = "compila_scenario: '{programma}' not found; give its path in vim.g.compila_scenario",
    riavvio = "compila_scenario: the server stopped (status {stato}, signal {segnale}): restarted",
    arreso = "compila_scenario: the server stops as soon as it starts; it is not restarted again",
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

local function su_testo(buf)
  local function mappa(modi, tasto, azione)
    vim.keymap.set(modi, tasto, azione, { buffer = buf, silent = true })
  end
  -- K runs man in 0.7 unless told otherwise.
  mappa("n", "K", vim.lsp.buf.hover)
  mappa({ "n", "i" }, "<C-k>", vim.lsp.buf.signature_help)
  vim.bo[buf].omnifunc = "v:lua.vim.lsp.omnifunc"
  vim.api.nvim_buf_create_user_command(buf, "FormattaScenario", function()
    if vim.lsp.buf.format then
      vim.lsp.buf.format({ timeout_ms = 10000 })
    else
      vim.lsp.buf.formatting_sync(nil, 10000)
    end
  end, {})
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
    before_init = function(parametri) parametri.locale = lingua() end,
    on_attach = function(_, buf) su_testo(buf) end,
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
        vim.notify(testo("riavvio", { stato = codice, segnale = segnale }), vim.log.levels.WARN)
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
