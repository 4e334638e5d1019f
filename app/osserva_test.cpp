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

TEST(Osserva, RicaricaDopoLaTestaDellaPagina) {
  struct caso {
    std::string pagina;
    size_t posto;  // where the script goes: after the <head> tag, else at the start
  };
  const caso casi[] = {
      {"<html><head><title>t</title></head></html>", 12},
      {"<!DOCTYPE html><HTML><HEAD lang=\"it\">x</HEAD>", 37},
      {"<header>senza testa</header>", 0},  // <header> is not <head>
      {"", 0},
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.pagina);
    const std::string con = con_ricarica(c.pagina, "10:42:07 3", "p a&\".html.ricarica.js");
    // The page is all there, around the script, which opens right at its place.
    const size_t fine = con.find("</script>\n");
    ASSERT_NE(fine, std::string::npos);
    EXPECT_EQ(con.substr(0, c.posto) + con.substr(fine + 10), c.pagina);
    EXPECT_EQ(con.find("\n<script>"), c.posto);
    EXPECT_NE(con.find("var marca = \"10:42:07 3\";"), std::string::npos);
    // The script's name cannot close its string: blank, ampersand and quote are encoded.
    EXPECT_NE(con.find("\"p%20a%26%22.html.ricarica.js\""), std::string::npos);
  }
}

// The hook as the integrator wires it: a page writer given the three compiled files'
// bytes. A stub writer stands in for the real one.
TEST(Osserva, PaginaDalloScrittoreEMarcaAccanto) {
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

  const auto scrittore = [](std::string_view g, std::string_view t, std::string_view p) {
    return "<html><head></head><body>" + std::string(g) + "|" + std::string(t) + "|" +
           std::string(p) + "</body></html>";
  };
  const std::string pagina = scrittore(c.leggi("Val_linea.dat"), c.leggi("Val_R1.sim"), c.leggi("Val_R1.dat"));
  // The track of a 10000 m line: cells 0 to (10000 + 7000) / 50, 15 bytes each.
  EXPECT_EQ(c.leggi("Val_R1.dat").size(), 341u * 15);

  EXPECT_EQ(scrivi_anteprima_osservata(r, scrittore, "10:42:07 1"), pagina);
  EXPECT_EQ(c.leggi("p.html"), con_ricarica(pagina, "10:42:07 1", "p.html.ricarica.js"));
  EXPECT_EQ(c.leggi("p.html.ricarica.js"), "ricarica_anteprima(\"10:42:07 1\");\n");
  // A second build: a new mark in both.
  scrivi_anteprima_osservata(r, scrittore, "10:42:09 2");
  EXPECT_EQ(c.leggi("p.html.ricarica.js"), "ricarica_anteprima(\"10:42:09 2\");\n");

  // The end of the watch: the page as the writer made it, and no script left beside it.
  chiudi_anteprima_osservata(r, pagina);
  EXPECT_EQ(c.leggi("p.html"), pagina);
  EXPECT_FALSE(c.esiste("p.html.ricarica.js"));
}

}  // namespace
}  // namespace scenario
