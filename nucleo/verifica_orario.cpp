#include "nucleo/verifica_orario.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "model/formato.h"
#include "text/lettura_dati.h"
#include "track/rapporto_errori.h"

namespace scenario {

namespace {

// The station record's value that holds its hours: the warning stands there.
constexpr size_t ORE = 13;

// A number to at most `cifre` decimals, without trailing zeros, in the language's own way:
// "0,79", "0.79", "0,5", "4".
messaggio numero_decimale(double x, int cifre) {
  char b[64];
  std::snprintf(b, sizeof b, "%.*f", cifre, x);
  std::string t = b;
  const size_t punto = t.find('.');
  if (punto == std::string::npos) return messaggio(t);
  while (t.back() == '0') t.pop_back();
  if (t.back() == '.') return messaggio(t.substr(0, punto));
  return frase("marcia.decimale", {{"intero", t.substr(0, punto)}, {"decimali", t.substr(punto + 1)}});
}

// The record of the station of each table entry, found in one pass over the records: a
// long text holds a hundred thousand, and the timetable is checked station by station.
std::array<const record_letto*, VOCI_TABELLA> record_delle_stazioni(const modello& m) {
  std::array<const record_letto*, VOCI_TABELLA> per_voce{};
  const formato::record* stazione = formato::cerca(formato::testo::treno, "stazione");
  for (const record_letto& r : m.letti.records) {
    if (r.descrizione != stazione || r.voce < 0 || static_cast<size_t>(r.voce) >= per_voce.size()) continue;
    if (per_voce[static_cast<size_t>(r.voce)] == nullptr) per_voce[static_cast<size_t>(r.voce)] = &r;
  }
  return per_voce;
}

// Whether the reading already warned about the time on this record's line.
bool orario_gia_detto(const modello& m, const luogo_testo& dove) {
  for (const diagnostica& d : m.diagnostiche) {
    const bool di_orario = d.numero == avviso::orari_indietro || d.numero == avviso::mezzanotte_in_due_modi ||
                           d.numero == avviso::salto_di_orario;
    if (di_orario && d.luogo && d.luogo->file == dove.file && d.luogo->riga == dove.riga) return true;
  }
  return false;
}

}  // namespace

messaggio testo_ipotesi(const ipotesi_marcia& ip) {
  return frase("marcia.ipotesi",
               {{"accelerazione", numero_decimale(ip.accelerazione, 2)},
                {"origine_accelerazione", frase(ip.accelerazione_data ? "marcia.data" : "marcia.predefinita")},
                {"frenatura", numero_decimale(ip.frenatura, 2)},
                {"origine_frenatura", ip.frenatura_data ? frase("marcia.data")
                                                        : frase("marcia.da_massa", {{"massa", ip.massa_frenata}})},
                {"lunghezza", numero_decimale(ip.lunghezza_treno, 1)},
                {"vetture", std::max(ip.vetture, 0)},
                {"vettura", numero_decimale(LUNGHEZZA_VETTURA, 1)}});
}

messaggio testo_durata(int64_t secondi) {
  const int64_t a = secondi < 0 ? -secondi : secondi;
  messaggio d = a < 60 ? frase("marcia.durata_secondi", {{"secondi", a}})
                       : frase("marcia.durata", {{"minuti", a / 60}, {"secondi", a % 60}});
  return secondi < 0 ? frase("marcia.negativa", {{"durata", std::move(d)}}) : d;
}

messaggio testo_minimo(double minimo, const std::optional<double>& blocco) {
  if (const auto s = secondi_necessari(minimo)) return testo_durata(*s);
  return frase("marcia.non_passa", {{"metri", static_cast<int64_t>(std::floor(blocco.value_or(0)))}});
}

std::optional<int64_t> margine(const tratta_marcia& t) {
  const auto s = secondi_necessari(t.minimo);
  if (!s) return std::nullopt;
  return t.concesso() - *s;
}

std::string esempio_marcia(lingua l) {
  // 3200 m on the level from a stop to the next under 90 km/h, 4 vehicles braked at 120 %,
  // four minutes in the timetable: stop points at 200 m and 3400 m (cells 5 and 69).
  constexpr int32_t DA = 200, A = 3400, KMH = 90, VETTURE = 4, MASSA = 120, CONCESSO = 240;
  std::vector<cella> percorso(200);
  for (cella& c : percorso) {
    c.velocita = KMH / 5;
    c.pendenza = 100;
  }
  std::array<voce, VOCI_TABELLA> tabella{};
  tabella[voce_tabella::dati_treno].inizio = MASSA;
  tabella[voce_tabella::dati_treno].posizione = VETTURE;
  int16_t k = 0;
  for (const int32_t punto : {DA, A}) {
    voce& v = tabella[static_cast<size_t>(++k)];
    v.tipo = 12;
    v.posizione = punto;
    v.nome = "S";
    v.orario = 8 * 3600 + (k - 1) * CONCESSO;
    percorso[static_cast<size_t>(punto / 50 + 1)].tipo = tipo_cella::fermata;
    percorso[static_cast<size_t>(punto / 50 + 1)].dato1 = k;
  }
  const marcia_tesa m = calcola_marcia_tesa(percorso, tabella, {});
  const tratta_marcia& t = m.tratte.at(0);
  const ipotesi_marcia& ip = m.ipotesi;
  const double v = KMH / 3.6, d = A - DA;
  const double avvio = v * v / (2 * ip.accelerazione), arresto = v * v / (2 * ip.frenatura);
  auto n = [&](double x, int cifre) { return numero_decimale(x, cifre); };
  auto riga = [&](const char* cosa, const char* come, std::vector<argomento> a) {
    return "| " + rendi(frase(cosa), l) + " | " + rendi(frase(come, std::move(a)), l) + " |\n";
  };
  std::string r = "| " + rendi(frase("riferimento.marcia.passo"), l) + " | " + rendi(frase("riferimento.marcia.calcolo"), l) +
                  " |\n|---|---|\n";
  r += riga("riferimento.marcia.tratta", "riferimento.marcia.tratta.come",
            {{"metri", A - DA}, {"kmh", KMH}, {"ms", n(v, 2)}, {"concesso", testo_durata(CONCESSO)}});
  r += riga("riferimento.marcia.treno", "riferimento.marcia.treno.come",
            {{"vetture", VETTURE}, {"massa", MASSA}, {"ipotesi", testo_ipotesi(ip)}});
  r += riga("riferimento.marcia.frenatura", "riferimento.marcia.frenatura.come", {{"massa", MASSA}, {"b", n(ip.frenatura, 4)}});
  r += riga("riferimento.marcia.avvio", "riferimento.marcia.avvio.come",
            {{"t", n(v / ip.accelerazione, 1)}, {"d", n(avvio, 1)}});
  r += riga("riferimento.marcia.arresto", "riferimento.marcia.arresto.come",
            {{"t", n(v / ip.frenatura, 1)}, {"d", n(arresto, 1)}});
  r += riga("riferimento.marcia.limite", "riferimento.marcia.limite.come",
            {{"d", n(d - avvio - arresto, 1)}, {"t", n((d - avvio - arresto) / v, 1)}});
  r += riga("riferimento.marcia.totale", "riferimento.marcia.totale.come",
            {{"t", n(t.minimo, 1)}, {"durata", testo_minimo(t.minimo, t.blocco)}});
  r += riga("riferimento.marcia.senza", "riferimento.marcia.senza.come",
            {{"metri", A - DA}, {"ms", n(v, 2)}, {"t", n(t.minimo_senza_ipotesi, 1)},
             {"durata", testo_minimo(t.minimo_senza_ipotesi, t.blocco_senza_ipotesi)}});
  r += riga("riferimento.marcia.margine", "riferimento.marcia.margine.come",
            {{"concesso", testo_durata(t.concesso())}, {"necessari", testo_minimo(t.minimo, t.blocco)},
             {"margine", testo_durata(margine(t).value_or(0))}});
  return r;
}

void verifica_orario(modello& m, const scelte_marcia& scelte) {
  const marcia_tesa mt = calcola_marcia_tesa(m.percorso, m.tabella, scelte);
  std::optional<std::array<const record_letto*, VOCI_TABELLA>> stazioni;
  const auto record_stazione = [&](int voce) -> const record_letto* {
    if (!stazioni) stazioni = record_delle_stazioni(m);
    return voce >= 0 && static_cast<size_t>(voce) < stazioni->size() ? (*stazioni)[static_cast<size_t>(voce)] : nullptr;
  };
  for (const tratta_marcia& t : mt.tratte) {
    const auto libero = secondi_necessari(t.minimo_senza_ipotesi);
    const auto tesa = secondi_necessari(t.minimo);
    const bool contro_limiti = !libero || t.concesso() < *libero;
    if (!contro_limiti && tesa && t.concesso() >= *tesa) continue;
    const fermata_marcia& da = mt.fermate[t.da];
    const fermata_marcia& a = mt.fermate[t.a];
    const record_letto* r = record_stazione(a.voce);
    if (r == nullptr) continue;
    const luogo_testo dove = luogo_valore_letto(m.letti, *r, ORE);
    if (orario_gia_detto(m, dove)) continue;
    const voce& arrivo = m.tabella[static_cast<size_t>(a.voce)];
    std::vector<argomento> detto = {{"da", m.tabella[static_cast<size_t>(da.voce)].nome},
                                    {"concesso", testo_durata(t.concesso())}};
    // Past a place the train cannot pass, that place.
    const auto metri = [](const std::optional<double>& b) { return static_cast<int64_t>(std::floor(b.value_or(0))); };
    if (contro_limiti && libero) {
      detto.emplace_back("minimo", testo_durata(*libero));
      registra_avviso(m, avviso::orario_sotto_limiti, arrivo.posizione, dove, frase("marcia.avviso.limiti", std::move(detto)));
    } else if (contro_limiti) {
      detto.emplace_back("metri", metri(t.blocco_senza_ipotesi));
      registra_avviso(m, avviso::orario_sotto_limiti, arrivo.posizione, dove, frase("marcia.avviso.limite_zero", std::move(detto)));
    } else {
      detto.emplace_back("ipotesi", testo_ipotesi(mt.ipotesi));
      if (tesa) {
        detto.emplace_back("minimo", testo_durata(*tesa));
      } else {
        detto.emplace_back("metri", metri(t.blocco));
      }
      registra_avviso(m, avviso::orario_sotto_marcia, arrivo.posizione, dove,
                      frase(tesa ? "marcia.avviso.marcia" : "marcia.avviso.blocco", std::move(detto)));
    }
    if (const record_letto* p = record_stazione(da.voce)) {
      m.diagnostiche.back().note.push_back({luogo_valore_letto(m.letti, *p, ORE), {}, frase("marcia.nota.partenza")});
    }
  }
}

}  // namespace scenario
