#include "app/rapporto.h"

#include "lingue/catalogo.h"
#include "nucleo/nomi_testi.h"
#include "track/rapporto_errori.h"
#include "vista/json.h"

namespace scenario {

conteggio_diagnostiche mostra_diagnostiche(piattaforma& p, const elenco_diagnostiche& elenco,
                                           std::span<const testo_sorgente> testi,
                                           formato_diagnostiche formato) {
  const auto mostra = [&p](const std::string& testo) { p.mostra_messaggio(testo); };
  if (formato == formato_diagnostiche::testo) return rendi_diagnostiche(elenco, testi, mostra);
  return rendi_diagnostiche(elenco, testi, mostra, [](const diagnostica& d, const std::string& linea) {
    return diagnostica_in_json(d, messaggio_diagnostica(d), linea);
  });
}

std::string riepilogo_costruzione(const modello& m, int avvisi) {
  // Boards fill the table from entry 80 down, one per board cell; the stations fill it
  // from entry 1 up to just below them.
  int cartelli = 0, segnali = 0, rallentamenti = 0;
  for (const cella& c : m.percorso) {
    cartelli += c.tipo == tipo_cella::cartello;
    segnali += c.tipo == tipo_cella::segnale;
    rallentamenti += c.tipo == tipo_cella::inizio_rallentamento;
  }
  int stazioni = 0;
  for (int i = 1; i <= static_cast<int>(voce_tabella::ultimo_cartello) - cartelli; ++i) stazioni += m.tabella[static_cast<size_t>(i)] != voce{};
  const int64_t celle = static_cast<int64_t>(m.percorso.size());
  return std::string(NOME_PROGRAMMA) + ": " +
         traduci("riepilogo",
                 {{"stazioni", frase_conto(stazioni, dal_catalogo("riepilogo.stazione"), dal_catalogo("riepilogo.stazioni"))},
                  {"segnali", frase_conto(segnali, dal_catalogo("riepilogo.segnale"), dal_catalogo("riepilogo.segnali"))},
                  {"rallentamenti", frase_conto(rallentamenti, dal_catalogo("riepilogo.rallentamento"),
                                                dal_catalogo("riepilogo.rallentamenti"))},
                  {"celle", frase_conto(celle, dal_catalogo("riepilogo.cella"), dal_catalogo("riepilogo.celle"))},
                  {"avvisi", frase_conto(avvisi, dal_catalogo("riepilogo.avviso"), dal_catalogo("riepilogo.avvisi"))}});
}

bool mostra_errori(piattaforma& p, const elenco_diagnostiche& elenco) {
  bool trovati = false;
  for (const diagnostica& d : elenco) {
    if (d.livello != gravita::errore) continue;
    errore(p, std::to_string(d.numero), riga_diagnostica(d));
    trovati = true;
  }
  return trovati;
}

}  // namespace scenario
