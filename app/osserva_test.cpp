#include "app/osserva.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "app/modo_autore.h"
#include "scenario/testi_nuovi.h"
#include "tests/supporto/cartella_temporanea.h"

namespace scenario {
namespace {

using namespace prova;

TEST(Osserva, PaginaDiUnaCompilazioneFallita) {
  // After a failed build: its messages, escaped, above the last good scenario marked old;
  // while watching the page reads itself again, and not once the watch is over.
  const stato_anteprima fallita{"{\"linea\":\"V\"}", "Val_linea.txt:3:1: error: Errore n. 1: <L>\n", "10:42:07, compilazione n. 2"};
  const std::string durante = pagina_osservata(fallita, 2);
  EXPECT_NE(durante.find("Val_linea.txt:3:1: error: Errore n. 1: &lt;L&gt;"), std::string::npos);
  EXPECT_NE(durante.find("10:42:07, compilazione n. 2"), std::string::npos);
  EXPECT_NE(durante.find("<body class=\"vecchia\" data-ricarica=\"2\">"), std::string::npos);
  EXPECT_NE(durante.find("{\"linea\":\"V\"}</script>"), std::string::npos);
  const std::string dopo = pagina_osservata(fallita, 0);
  EXPECT_NE(dopo.find("<body class=\"vecchia\">"), std::string::npos);
  // A good build: no messages, nothing marked old.
  const std::string riuscita = pagina_osservata({"{}", "", "10:42:09, compilazione n. 3"}, 2);
  EXPECT_EQ(riuscita.find("compilazione_fallita"), std::string::npos);
  EXPECT_NE(riuscita.find("<body data-ricarica=\"2\">"), std::string::npos);
}

// The hook as the integrator wires it: the scenario's data made from the three compiled
// files' bytes. A stub stands in for the decoder.
TEST(Osserva, DatiDaiFileCompilati) {
  cartella_temporanea c;
  const testi_nuovi testi = testi_di_partenza();
  c.scrivi("Val_linea.txt", testi.linea);
  c.scrivi("Val_R1-.txt", testi.treno);
  riga_comando r;
  r.azione = azione_richiesta::costruzione_autore;
  r.testo_linea = (c / "Val_linea.txt").string();
  r.testo_treno = (c / "Val_R1-.txt").string();
  r.linea = "Val";
  r.treno = "R1";
  r.uscita = c.percorso().string();
  r.anteprima = (c / "p.html").string();
  std::ostringstream messaggi;
  piattaforma_console console(messaggi);
  ASSERT_EQ(costruzione_autore(r, console), 0) << messaggi.str();

  const auto dati = [](std::string_view g, std::string_view t, std::string_view p) {
    return std::string(g) + "|" + std::string(t) + "|" + std::string(p);
  };
  // The track of a 10000 m line: cells 0 to (10000 + 7000) / 50, 15 bytes each.
  EXPECT_EQ(c.leggi("Val_R1.dat").size(), 341u * 15);
  EXPECT_EQ(dati_compilati(r, dati), dati(c.leggi("Val_linea.dat"), c.leggi("Val_R1.sim"), c.leggi("Val_R1.dat")));
}

}  // namespace
}  // namespace scenario
