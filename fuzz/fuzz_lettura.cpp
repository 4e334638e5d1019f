// Fuzz target of the whole compile stage, fed through the two description texts.
//
// The input bytes are split at the first byte 0: what comes before is the line
// description text, what comes after is the run description text (empty when there is
// no byte 0). Both are written into a private folder as the texts of the line "Fuzz" and
// the train "F1"; then the build reads them, runs the finishing pass and, when no error
// is pending, stamps the header values and serialises the three compiled files in memory.
//
// Besides what the sanitizers catch (reads or writes outside an array, overflows, leaks),
// the target stops the run with a message when:
//  - the error number left in `codice_errore`, or the one the header check returns, is
//    not in the catalogue;
//  - a description text that the reading stage has read is still in the folder: the
//    line text always, the run text unless the stage ended while reading the line text
//    (the run phase then does not take place, and the build driver removes it);
//  - the stage writes into table entry 0, which no station and no board may take;
//  - a serialised track is not 15 bytes a cell.
// Any exception that leaves the build (it catches its own reading failures) also stops
// the run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "app/costruzione.h"
#include "model/modello.h"
#include "output/file_compilati.h"
#include "app/sostituzione.h"
#include "scenario/testi_incorporati.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void guasto(const std::string& motivo) {
  std::fprintf(stderr, "fuzz_lettura: %s\n", motivo.c_str());
  std::fflush(stderr);
  std::abort();
}

// The folder of this process, made on first use and removed when the process ends
// normally. Every input reuses it; its files are removed after each input.
class cartella_processo {
 public:
  const fs::path& percorso() const { return cartella_.percorso(); }

  // Empties the folder, whatever the last input left in it.
  void svuota() const {
    for (const auto& voce : fs::directory_iterator(percorso())) {
      std::error_code ec;
      fs::remove_all(voce.path(), ec);
      if (ec) guasto("impossibile svuotare la cartella di lavoro: " + ec.message());
    }
  }

 private:
  cartella_privata cartella_{"fuzz-lettura"};
};

const cartella_processo& cartella() {
  static const cartella_processo c;
  return c;
}

void scrivi(const fs::path& file, std::string_view byte) {
  std::ofstream flusso(file, std::ios::binary | std::ios::trunc);
  flusso.write(byte.data(), static_cast<std::streamsize>(byte.size()));
  flusso.close();
  if (!flusso) guasto("impossibile scrivere " + file.string());
}

void controlla_catalogo(int32_t numero, const char* origine) {
  if (numero != 0 && !cerca_errore(numero)) {
    guasto(std::string(origine) + ": numero di errore fuori dal catalogo: " + std::to_string(numero));
  }
}

// The reading stage removes each text it has read. The line text is always read (it is
// always written here); the run text is left only when an error recorded in the line
// text ended the stage. An error 15 in the line text does not end it (the run phase
// follows), and a reading failure removes both texts.
void controlla_testi(const modello& m) {
  const bool fermata_nella_linea = m.codice_errore != 0 &&
                                   m.codice_errore != codice::oltre_percorso &&
                                   m.codice_errore != codice::lettura_fallita &&
                                   m.luogo_errore.file == nome_testo_linea(m);
  if (fs::exists(m.cartella / nome_testo_linea(m))) {
    guasto("testo della linea rimasto, errore " + std::to_string(m.codice_errore));
  }
  if (!fermata_nella_linea && fs::exists(m.cartella / nome_testo_treno(m))) {
    guasto("testo della corsa rimasto, errore " + std::to_string(m.codice_errore));
  }
}

void compila(std::string_view testo_linea, std::string_view testo_treno) {
  const cartella_processo& c = cartella();
  modello m;
  m.cartella = c.percorso();
  m.linea = "Fuzz";
  m.treno = "F1";
  scrivi(m.cartella / nome_testo_linea(m), testo_linea);
  scrivi(m.cartella / nome_testo_treno(m), testo_treno);

  leggi_e_rifinisci(m, 1);
  controlla_catalogo(m.codice_errore, "lettura e rifinitura");
  controlla_testi(m);
  if (!(m.tabella[0] == voce{})) guasto("voce 0 della tabella scritta");

  if (m.codice_errore == 0) {
    const int32_t intestazione = timbra_intestazione(m);
    controlla_catalogo(intestazione, "intestazione");
    if (intestazione == 0) {
      const std::string tracciato = serializza_tracciato(m.tracciato);
      const std::string tabella = serializza_tabella(m.tabella);
      const std::string percorso = serializza_percorso(m.percorso);
      if (percorso.size() != m.percorso.size() * 15) guasto("percorso serializzato di lunghezza errata");
      if (tracciato.empty() || tabella.empty()) guasto("file compilato vuoto");
    }
  }
  c.svuota();
}

}  // namespace
}  // namespace scenario

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dati, size_t dimensione) {
  const std::string_view byte(reinterpret_cast<const char*>(dati), dimensione);
  const size_t separatore = byte.find('\0');
  if (separatore == std::string_view::npos) {
    scenario::compila(byte, {});
  } else {
    scenario::compila(byte.substr(0, separatore), byte.substr(separatore + 1));
  }
  return 0;
}
