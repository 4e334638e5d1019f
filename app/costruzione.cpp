#include "app/costruzione.h"

#include <system_error>

#include "piattaforma/blocco.h"
#include "app/rapporto.h"
#include "piattaforma/segnali.h"
#include "piattaforma/tappe_prova.h"
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {

namespace fs = std::filesystem;

testo_ingresso leggi_testo_ingresso(const fs::path& file, const std::string& etichetta) {
  testo_ingresso testo;
  testo.etichetta = etichetta;
  testo.byte = leggi_file(file);
  return testo;
}

uscite_su_file::uscite_su_file(fs::path cartella, std::string linea, std::string treno)
    : cartella_(std::move(cartella)), linea_(std::move(linea)), treno_(std::move(treno)) {}

uscite_su_file::~uscite_su_file() = default;

namespace {

std::string nome_compilato(file_compilato quale, const std::string& linea, const std::string& treno) {
  return quale == file_compilato::geometria ? nome_geometria(linea)
         : quale == file_compilato::tabella ? nome_tabella(linea, treno)
                                            : nome_percorso(linea, treno);
}

}  // namespace

file_temporaneo& uscite_su_file::crea(file_compilato quale) {
  auto& file = file_[static_cast<size_t>(quale)];
  file = std::make_unique<file_temporaneo>(cartella_ / sistema::percorso(nome_compilato(quale, linea_, treno_)));
  return *file;
}

destinazione_byte& uscite_su_file::apri(file_compilato quale) {
  if (quale != file_compilato::geometria) attendi_geometria();
  return crea(quale);
}

bool uscite_su_file::scrivi_geometria(piano_tracciato piano) {
  // Below this the threads' start costs about what the writing alongside saves (the
  // embedded line's file is under 1 MB).
  constexpr uint64_t IN_SFONDO_DA = uint64_t{4} << 20;
  if (byte_tracciato(piano) < IN_SFONDO_DA) return false;
  piano_ = std::move(piano);
  try {
    file_temporaneo& file = crea(file_compilato::geometria);
    try {
      geometria_ = std::make_unique<scrittura_in_sfondo>(
          file, [this](destinazione_byte& d) { serializza_tracciato(piano_, d); });
    } catch (const std::system_error&) {
      // No thread to be had: the file is made again, and written, in turn.
      file_[static_cast<size_t>(file_compilato::geometria)].reset();
      return false;
    }
  } catch (...) {
    guasto_geometria_ = std::current_exception();
  }
  tappa_di_prova("geometria");
  return true;
}

void uscite_su_file::attendi_geometria() {
  if (guasto_geometria_) {
    const std::exception_ptr guasto = guasto_geometria_;
    guasto_geometria_ = nullptr;
    std::rethrow_exception(guasto);
  }
  if (geometria_) geometria_->attendi();
}

void uscite_su_file::conferma() {
  attendi_geometria();
  // Every file is closed, and its close checked, and every name found free of a folder,
  // before the first takes its place.
  for (auto& file : file_) {
    if (file) file->chiudi();
  }
  for (auto& file : file_) {
    if (file) file->verifica_destinazione();
  }
  tappa_di_prova("scritti");
  std::vector<file_temporaneo*> insieme;
  for (auto& file : file_) {
    if (file) insieme.push_back(file.get());
  }
  conferma_insieme(insieme);
}

void geometria_in_sfondo(richiesta& r, uscite_su_file& uscite) {
  r.piano_pronto = [&uscite](piano_tracciato piano) { return uscite.scrivi_geometria(std::move(piano)); };
}

namespace {

// The five text writers, in the order the build writes them: line description, run
// description, notes, slow-down prescriptions, timetable card.
void scrivi_testi_incorporati(const fs::path& cartella, const modello& m) {
  sostituisci_file(cartella / sistema::percorso(nome_testo_linea(m)), componi_testo(elenco_linea()));
  sostituisci_file(cartella / sistema::percorso(nome_testo_treno(m)), componi_testo(elenco_treno()));
  sostituisci_file(cartella / sistema::percorso(nome_note(m)), componi_testo(elenco_note()));
  sostituisci_file(cartella / sistema::percorso(nome_rallentamenti(m)), componi_testo(elenco_rallentamenti()));
  sostituisci_file(cartella / sistema::percorso(nome_scheda(m)), componi_testo(elenco_scheda()));
}

// The description texts are the build's own scratch files: those the reading stage is
// done with go, and so does any the build wrote and the stage left, so none outlives it.
// From before they are written until they are gone, an interrupt removes them too.
class testi_di_lavoro {
 public:
  testi_di_lavoro(const fs::path& cartella, const modello& m)
      : linea_(cartella / sistema::percorso(nome_testo_linea(m))),
        treno_(cartella / sistema::percorso(nome_testo_treno(m))) {
    scarto_linea_.registra(sistema::testo(linea_));
    scarto_treno_.registra(sistema::testo(treno_));
  }
  ~testi_di_lavoro() { elimina(); }
  testi_di_lavoro(const testi_di_lavoro&) = delete;
  testi_di_lavoro& operator=(const testi_di_lavoro&) = delete;

  void elimina() {
    const segnali_sospesi sospesi;
    sistema::elimina(linea_);
    sistema::elimina(treno_);
    scarto_linea_.dimentica();
    scarto_treno_.dimentica();
  }

 private:
  fs::path linea_;
  fs::path treno_;
  scarto scarto_linea_;
  scarto scarto_treno_;
};

}  // namespace

int Form_Load(const fs::path& cartella, piattaforma& p) {
  modello m;
  m.linea = LINEA_INCORPORATA;
  m.treno = TRENO_INCORPORATO;
  p.mostra_finestra();
  richiesta r;
  r.linea = m.linea;
  r.treno = m.treno;
  r.genera_linea = true;
  // The embedded scenario is read as it always has been.
  r.permissivo = true;
  risultato esito;
  // Another build in this folder would overwrite and delete these very texts: one at a
  // time, from the first text written to the last compiled file in place.
  const blocco_cartella blocco(cartella);
  uscite_su_file uscite(cartella, r.linea, r.treno);
  geometria_in_sfondo(r, uscite);
  {
    testi_di_lavoro testi(cartella, m);
    scrivi_testi_incorporati(cartella, m);
    tappa_di_prova("testi");
    r.testo_linea = leggi_testo_ingresso(cartella / sistema::percorso(nome_testo_linea(m)), nome_testo_linea(m));
    r.testo_treno = leggi_testo_ingresso(cartella / sistema::percorso(nome_testo_treno(m)), nome_testo_treno(m));
    esito = memorizza_percorso(r, m, &uscite);
  }
  if (mostra_errori(p, esito.diagnostiche)) return STATO_ERRORE_SCENARIO;
  uscite.conferma();
  return STATO_SUCCESSO;
}

}  // namespace scenario
