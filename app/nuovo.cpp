#include "app/nuovo.h"

#include <filesystem>
#include <string>
#include <string_view>

#include "piattaforma/piattaforma.h"
#include "piattaforma/sostituzione.h"
#include "scenario/testi_nuovi.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

// A file made by this run and not yet finished: removed when the value goes, unless kept.
class file_nuovo {
 public:
  // Creates `file`, which must not exist yet: an author's file is never touched.
  explicit file_nuovo(fs::path file) : file_(std::move(file)) {
    const auto m = sistema::crea_nuovo(file_, file_);
    if (!m) throw errore_file(file_, traduci("file.esiste_gia"));
    maniglia_ = *m;
  }
  file_nuovo(const file_nuovo&) = delete;
  file_nuovo& operator=(const file_nuovo&) = delete;
  ~file_nuovo() {
    if (maniglia_ != -1) sistema::chiudi_senza_controllo(maniglia_);
    if (!tenuto_) sistema::elimina(file_);
  }

  void scrivi(std::string_view byte) { sistema::scrivi(maniglia_, byte, file_); }
  void chiudi() {
    const sistema::maniglia m = maniglia_;
    maniglia_ = -1;
    sistema::chiudi(m, file_);
  }
  void tieni() { tenuto_ = true; }

 private:
  fs::path file_;
  sistema::maniglia maniglia_ = -1;
  bool tenuto_ = false;
};

}  // namespace

std::string cartella_creata(const fs::path& cartella, const char* programma) {
  return std::string(programma) + ": " + traduci("file.cartella_creata", {{"cartella", sistema::testo(cartella)}});
}

void scrivi_coppia_nuova(const fs::path& linea, std::string_view testo_linea, const fs::path& treno,
                         std::string_view testo_treno, const char* programma, std::ostream& avvisi) {
  cartelle_nuove cartella(linea.parent_path());
  // Both are created before either is written: when the second is already there, the
  // first, just made and empty, goes again and the folder is as it was.
  file_nuovo file_linea(linea);
  file_nuovo file_treno(treno);
  file_linea.scrivi(testo_linea);
  file_treno.scrivi(testo_treno);
  file_linea.chiudi();
  file_treno.chiudi();
  file_linea.tieni();
  file_treno.tieni();
  if (cartella.fatte()) avvisi << cartella_creata(linea.parent_path(), programma) << "\n" << std::flush;
  cartella.tieni();
}

int scrivi_testi_nuovi(const riga_comando& r, std::ostream& uscita, std::ostream& avvisi) {
  const fs::path cartella = sistema::percorso(r.uscita);  // empty: the names alone, in the current folder
  const fs::path linea = cartella / sistema::percorso(r.linea + "_linea.txt");
  const fs::path treno = cartella / sistema::percorso(r.linea + "_" + r.treno + "-.txt");
  const testi_nuovi testi = testi_di_partenza();
  scrivi_coppia_nuova(linea, testi.linea, treno, testi.treno, NOME_PROGRAMMA, avvisi);
  const std::string nome_linea = sistema::testo(linea);
  const std::string nome_treno = sistema::testo(treno);
  // The command as it can be typed: a name with a blank in quotes, which both a POSIX
  // shell and the Windows prompt read as one argument.
  const auto argomento = [](const std::string& nome) {
    return nome.find_first_of(" \t") == std::string::npos ? nome : "\"" + nome + "\"";
  };
  uscita << traduci("mostra.scritti", {{"linea", nome_linea}, {"treno", nome_treno}}) << "\n"
         << traduci("nuovo.per_compilarli", {{"comando", std::string(NOME_PROGRAMMA) + " " + argomento(nome_linea) + " " +
                                                              argomento(nome_treno)}})
         << "\n"
         << std::flush;
  return STATO_SUCCESSO;
}

}  // namespace scenario
