#include "lingue/riferimento.h"

#include <initializer_list>

#include "lingue/parole_formato.h"
#include "model/formato.h"
#include "nucleo/verifica_orario.h"
#include "track/rapporto_errori.h"

namespace scenario {

namespace {

using formato::campo;
using formato::lettura;
using formato::record;

// A table's header row and its rule, the columns' names from the catalogue.
std::string intestazione(std::initializer_list<const char*> colonne, lingua l) {
  std::string riga = "|", regola = "|";
  for (const char* id : colonne) {
    riga += " " + rendi(frase(id), l) + " |";
    regola += "---|";
  }
  return riga + "\n" + regola + "\n";
}

std::string riga(std::initializer_list<std::string> celle) {
  std::string s = "|";
  for (const std::string& c : celle) s += " " + c + " |";
  return s + "\n";
}

std::string codice(std::string_view s) { return "`" + std::string(s) + "`"; }

// A bound as the reference writes it: a true minus sign.
std::string numero_in_testo(int64_t n) { return n < 0 ? "\xe2\x88\x92" + std::to_string(-n) : std::to_string(n); }

const char* nome_lettura(lettura x) {
  switch (x) {
    case lettura::numero32: return dal_catalogo("riferimento.lettura.32");
    case lettura::numero16: return dal_catalogo("riferimento.lettura.16");
    case lettura::numero8: return dal_catalogo("riferimento.lettura.8");
    case lettura::testo: return dal_catalogo("riferimento.lettura.testo");
  }
  return "";
}

// "`tre` and `progressiva`, **exact**"
std::string riconoscimento(const record& r, lingua l) {
  std::string s = r.parole[1].empty() ? codice(r.parole[0])
                                      : rendi(frase("riferimento.riconosce_due", {{"prima", codice(r.parole[0])},
                                                                                  {"seconda", codice(r.parole[1])}}),
                                              l);
  if (r.esatto) s += ", " + rendi(frase("riferimento.esatto"), l);
  return s;
}

// The range an author may write and the number a value beyond it gets.
std::string limiti(const campo& c, lingua l) {
  const auto [min_lettura, max_lettura] = formato::limiti_lettura(c.letto);
  const bool da = c.minimo != min_lettura;
  const bool a = c.massimo != max_lettura;
  const argomento minimo{"minimo", numero_in_testo(c.minimo)}, massimo{"massimo", numero_in_testo(c.massimo)};
  std::string s;
  if (c.letto == lettura::testo) {
    s = rendi(frase("riferimento.limite.testo"), l);
  } else {
    s = rendi(da && a ? frase("riferimento.limite.tra", {minimo, massimo})
              : da    ? frase("riferimento.limite.da", {minimo})
              : a     ? frase("riferimento.limite.fino", {massimo})
                      : frase("riferimento.limite.qualsiasi"),
              l);
    if (c.numero_sopra != 0 && c.numero_sopra == c.numero_sotto) {
      s += " (" + std::to_string(c.numero_sopra) + ")";
    } else {
      if (c.numero_sotto != 0) s += " " + rendi(frase("riferimento.numero_sotto", {{"numero", c.numero_sotto}}), l);
      if (c.numero_sopra != 0) s += " " + rendi(frase("riferimento.numero_sopra", {{"numero", c.numero_sopra}}), l);
    }
  }
  // The values the field means within it, and those an author means, with their numbers.
  const auto significato = [&](const formato::intervallo& x, const char* id, int32_t numero) {
    if (x.tutto()) return;
    const argomento minimo_x{"minimo", numero_in_testo(x.minimo)}, massimo_x{"massimo", numero_in_testo(x.massimo)};
    const bool con_da = x.minimo != min_lettura && x.minimo != INT64_MIN;
    const bool con_a = x.massimo != max_lettura && x.massimo != INT64_MAX;
    const messaggio valori = c.letto == lettura::testo ? frase("riferimento.inteso.testo")
                             : con_da && con_a         ? frase("riferimento.limite.tra", {minimo_x, massimo_x})
                             : con_da                  ? frase("riferimento.limite.da", {minimo_x})
                                                       : frase("riferimento.limite.fino", {massimo_x});
    s += "; " + rendi(frase(id, {{"valori", valori}, {"numero", numero}}), l);
  };
  significato(c.inteso, "riferimento.inteso", avviso::valore_non_inteso);
  significato(c.solito, "riferimento.solito", avviso::valore_insolito);
  return s;
}

std::string tabella_record(formato::testo t, formato::ambito dove, lingua l) {
  std::string s = intestazione({dal_catalogo("riferimento.colonna.parola"), dal_catalogo("riferimento.colonna.riconosciuta"),
                                dal_catalogo("riferimento.colonna.valori")},
                               l);
  for (const record& r : formato::records(t, dove)) {
    std::string parola = codice(r.forme.front());
    if (r.forme.size() > 1) parola += " \xe2\x80\xa6 " + codice(r.forme.back());
    std::string valori;
    for (const campo& c : r.campi) {
      if (!valori.empty()) valori += ", ";
      valori += std::string(c.nome);
      if (!c.unita.empty()) valori += " (" + std::string(c.unita) + ")";
    }
    s += riga({parola, riconoscimento(r, l), valori});
  }
  return s;
}

std::string tabella_campi(const record& r, lingua l) {
  std::string s = intestazione({"#", dal_catalogo("riferimento.colonna.valore"), dal_catalogo("riferimento.colonna.unita"),
                                dal_catalogo("riferimento.colonna.larghezza"), dal_catalogo("riferimento.colonna.limiti"),
                                dal_catalogo("riferimento.colonna.significato"), dal_catalogo("riferimento.colonna.memoria")},
                               l);
  int i = 1;
  for (const campo& c : r.campi) {
    s += riga({std::to_string(i++), codice(c.nome), std::string(c.unita), rendi(frase(nome_lettura(c.letto)), l),
               limiti(c, l), rendi(significato_campo(r, c), l), rendi(memoria_campo(r, c), l)});
  }
  return s;
}

// The catalogue of numbers in three tables: the errors of a scenario, the values that
// their field cannot hold (30 to 39, and a text's unreadable coding), and the numbers
// from 301 up, where those that would lose what was written are marked as errors.
enum class gruppo_errori { scenario, campo, avvisi };

gruppo_errori gruppo(const voce_catalogo& v) {
  if (v.numero >= 301 && v.numero < 1000) return gruppo_errori::avvisi;
  if ((v.numero >= 30 && v.numero <= 39) || v.numero == codice::codifica_testo) return gruppo_errori::campo;
  return gruppo_errori::scenario;
}

// "errore.N.PARTE": the ids of the numbers are made here, not named one by one; the
// catalogue's test checks each number's.
std::string di_errore(const voce_catalogo& v, std::string_view parte, lingua l) {
  std::string id = "errore." + std::to_string(v.numero) + "." + std::string(parte);
  return rendi(frase(std::move(id)), l);
}

std::string tabella_errori(gruppo_errori g, lingua l) {
  std::string s = g == gruppo_errori::scenario
                      ? intestazione({dal_catalogo("riferimento.colonna.numero"), dal_catalogo("riferimento.colonna.descrizione"),
                                      dal_catalogo("riferimento.colonna.posizione"), dal_catalogo("riferimento.colonna.spiegazione")},
                                     l)
                      : intestazione({dal_catalogo("riferimento.colonna.numero"), dal_catalogo("riferimento.colonna.descrizione"),
                                      dal_catalogo("riferimento.colonna.cosa_fare")},
                                     l);
  for (const voce_catalogo& v : catalogo_errori()) {
    if (gruppo(v) != g) continue;
    const std::string n = std::to_string(v.numero), descrizione = rendi(descrizione_errore(v.numero), l);
    if (g == gruppo_errori::scenario) {
      const std::string dove = v.con_posizione ? di_errore(v, "posizione", l) : "\xe2\x80\x94";
      s += riga({n, descrizione, dove, di_errore(v, "spiegazione", l)});
    } else {
      const std::string perdita = v.perdita ? rendi(frase("riferimento.errore_di_scenario"), l) + " " : "";
      s += riga({n, descrizione, perdita + di_errore(v, "spiegazione", l)});
    }
  }
  return s;
}

}  // namespace

std::string blocco_riferimento(std::string_view nome, lingua l) {
  using formato::ambito;
  using formato::testo;
  if (nome == "linea generale") return tabella_record(testo::linea, ambito::generale, l);
  if (nome == "linea corpo") return tabella_record(testo::linea, ambito::corpo, l);
  if (nome == "treno") return tabella_record(testo::treno, ambito::corpo, l);
  if (nome == "errori") return tabella_errori(gruppo_errori::scenario, l);
  if (nome == "errori di campo") return tabella_errori(gruppo_errori::campo, l);
  if (nome == "avvisi") return tabella_errori(gruppo_errori::avvisi, l);
  if (nome == "marcia") return esempio_marcia(l);
  constexpr std::string_view prefisso = "campi ";
  if (nome.starts_with(prefisso)) {
    const std::string_view parola = nome.substr(prefisso.size());
    for (const testo t : {testo::linea, testo::treno}) {
      if (const record* r = formato::cerca(t, parola)) return tabella_campi(*r, l);
    }
  }
  return {};
}

}  // namespace scenario
