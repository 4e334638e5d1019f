#include "app/costruzione.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/piattaforma.h"
#include "output/file_compilati.h"
#include "output/sostituzione.h"
#include "scenario/testi_incorporati.h"
#include "tests/supporto/cartella_temporanea.h"
#include "track/rapporto_errori.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using prova::cartella_temporanea;

// Records what the build shows instead of showing it.
class piattaforma_finta : public piattaforma {
 public:
  void mostra_finestra() override { ++finestre; }
  void mostra_messaggio(const std::string& testo) override { messaggi.push_back(testo); }

  int finestre = 0;
  std::vector<std::string> messaggi;
};

// A model of the embedded identifiers with a small track, as the reading stage leaves it.
modello modello_piccolo(const fs::path& cartella = {}) {
  modello m;
  m.cartella = cartella;
  m.linea = "Castrea_Tovena";
  m.treno = "R7302";
  m.tabella[85].nome = m.linea;
  m.tabella[86].nome = m.treno;
  m.percorso.assign(10, cella{});
  return m;
}

// The contents of every file in a folder, by name.
std::map<std::string, std::string> contenuto_cartella(const cartella_temporanea& c) {
  std::map<std::string, std::string> file;
  for (const auto& voce : fs::directory_iterator(c.percorso())) {
    const std::string nome = voce.path().filename().string();
    file[nome] = fs::is_directory(voce.path()) ? "<cartella>" : c.leggi(nome);
  }
  return file;
}

// ---- Header values -----------------------------------------------------------------------

TEST(TimbraIntestazione, ValoriECodici) {
  modello m = modello_piccolo();
  EXPECT_EQ(timbra_intestazione(m), 0);
  EXPECT_EQ(m.tabella[85].valore1, 610);
  EXPECT_EQ(m.percorso[1].dato1, 5121);
  // Identity codes of "r7302castrea_tovena" + "tgkwrp": og 2476, st 34533 (worked out in
  // the identity code tests). st needs the 32-bit field: it exceeds 32767.
  EXPECT_EQ(m.tabella[85].orario, 34533);
  EXPECT_EQ(m.percorso[1].dato2, 2476);
  // Nothing else is touched.
  EXPECT_EQ(m.percorso[0], cella{});
  EXPECT_EQ(m.percorso[2], cella{});
  EXPECT_EQ(m.tabella[86].valore1, 0);
  EXPECT_EQ(m.tabella[86].orario, 0);
}

TEST(TimbraIntestazione, ValoreGiaOccupato1250) {
  {
    modello m = modello_piccolo();
    m.tabella[85].valore1 = 7;
    m.tabella[85].orario = 9;  // also taken: the first check decides
    EXPECT_EQ(timbra_intestazione(m), 1250);
    EXPECT_EQ(m.tabella[85].valore1, 7);
    EXPECT_EQ(m.percorso[1].dato1, 0);
    EXPECT_EQ(m.tabella[85].orario, 9);
    EXPECT_EQ(m.percorso[1].dato2, 0);
  }
  {
    modello m = modello_piccolo();
    m.percorso[1].dato1 = -1;
    EXPECT_EQ(timbra_intestazione(m), 1250);
    EXPECT_EQ(m.tabella[85].valore1, 0);
    EXPECT_EQ(m.percorso[1].dato1, -1);
    EXPECT_EQ(m.tabella[85].orario, 0);
    EXPECT_EQ(m.percorso[1].dato2, 0);
  }
}

TEST(TimbraIntestazione, CodiceGiaOccupato1251) {
  {
    modello m = modello_piccolo();
    m.tabella[85].orario = 3600;
    EXPECT_EQ(timbra_intestazione(m), 1251);
    // The header values come before the code check and are stamped; the codes are not.
    EXPECT_EQ(m.tabella[85].valore1, 610);
    EXPECT_EQ(m.percorso[1].dato1, 5121);
    EXPECT_EQ(m.tabella[85].orario, 3600);
    EXPECT_EQ(m.percorso[1].dato2, 0);
  }
  {
    modello m = modello_piccolo();
    m.percorso[1].dato2 = 1;
    EXPECT_EQ(timbra_intestazione(m), 1251);
    EXPECT_EQ(m.tabella[85].orario, 0);
    EXPECT_EQ(m.percorso[1].dato2, 1);
  }
}

TEST(TimbraIntestazione, SenzaPercorsoNienteDaTimbrare) {
  // No cell 1 to carry the header: refused without touching anything.
  for (size_t celle : {0u, 1u}) {
    modello m = modello_piccolo();
    m.percorso.assign(celle, cella{});
    EXPECT_EQ(timbra_intestazione(m), 1250) << celle;
    EXPECT_EQ(m.tabella[85].valore1, 0);
    EXPECT_EQ(m.tabella[85].orario, 0);
  }
}

// ---- Compiled files ----------------------------------------------------------------------

TEST(ScriviFileCompilati, NomiDelloScenario) {
  const modello m = modello_piccolo();
  EXPECT_EQ(nome_geometria(m), "Castrea_Tovena_linea.dat");
  EXPECT_EQ(nome_tabella(m), "Castrea_Tovena_R7302.sim");
  EXPECT_EQ(nome_percorso(m), "Castrea_Tovena_R7302.dat");
}

TEST(ScriviFileCompilati, SenzaGeometriaLaLineaResta) {
  cartella_temporanea c;
  modello m = modello_piccolo(c.percorso());
  m.genera_linea = 0;
  m.tracciato.assign(5, {valore_tracciato::da_intero(1), valore_tracciato::da_intero(2)});
  m.percorso[3].tipo = 1;
  m.tabella[1].nome = "Castrea";
  c.scrivi("Castrea_Tovena_linea.dat", "geometria di prima");
  c.scrivi("Castrea_Tovena_R7302.dat", std::string(5000, 'v'));  // longer than the new one

  scrivi_file_compilati(m);

  EXPECT_EQ(c.leggi("Castrea_Tovena_linea.dat"), "geometria di prima");
  EXPECT_EQ(c.leggi("Castrea_Tovena_R7302.sim"), serializza_tabella(m.tabella));
  // 10 cells of 15 bytes, nothing left of the earlier 5000 bytes.
  EXPECT_EQ(c.leggi("Castrea_Tovena_R7302.dat"), serializza_percorso(m.percorso));
  EXPECT_EQ(fs::file_size(c / "Castrea_Tovena_R7302.dat"), 150u);
  EXPECT_EQ(contenuto_cartella(c).size(), 3u);

  m.genera_linea = 1;
  scrivi_file_compilati(m);
  EXPECT_EQ(c.leggi("Castrea_Tovena_linea.dat"), serializza_tracciato(m.tracciato));
}

TEST(ScriviFileCompilati, OrdineGeometriaTabellaPercorso) {
  // A folder standing at the table file's name stops the writing there: the geometry
  // file, written first, is already replaced; the track file, written last, is not.
  cartella_temporanea c;
  modello m = modello_piccolo(c.percorso());
  m.genera_linea = 1;
  m.tracciato.assign(3, {});
  c.scrivi("Castrea_Tovena_linea.dat", "vecchia geometria");
  c.scrivi("Castrea_Tovena_R7302.dat", "vecchio percorso");
  fs::create_directory(c / "Castrea_Tovena_R7302.sim");

  EXPECT_THROW(scrivi_file_compilati(m), errore_file);

  EXPECT_EQ(c.leggi("Castrea_Tovena_linea.dat"), serializza_tracciato(m.tracciato));
  EXPECT_EQ(c.leggi("Castrea_Tovena_R7302.dat"), "vecchio percorso");
  EXPECT_TRUE(fs::is_directory(c / "Castrea_Tovena_R7302.sim"));
  EXPECT_EQ(contenuto_cartella(c).size(), 3u);  // no temporary file left
}

// ---- The compile stage -------------------------------------------------------------------

TEST(MemorizzaPercorso, TestiMancanti101SenzaToccareIFile) {
  cartella_temporanea c;
  c.scrivi("Castrea_Tovena_linea.dat", "geometria");
  c.scrivi("Castrea_Tovena_R7302.sim", "tabella");
  c.scrivi("Castrea_Tovena_R7302.dat", "percorso");
  const auto prima = contenuto_cartella(c);

  modello m = modello_piccolo(c.percorso());
  m.percorso.clear();
  m.tabella[85].nome.clear();
  m.tabella[86].nome.clear();
  piattaforma_finta p;
  try {
    memorizza_percorso(m, p, 1);
    FAIL() << "la costruzione non si e' fermata";
  } catch (const fine_programma& fine) {
    EXPECT_EQ(fine.stato, 1);
  }
  EXPECT_EQ(m.codice_errore, 101);
  ASSERT_EQ(p.messaggi.size(), 1u);
  const std::string atteso = std::string(" Errore n. 101\n") + cerca_errore(101)->descrizione;
  EXPECT_EQ(p.messaggi[0].rfind(atteso, 0), 0u) << p.messaggi[0];
  EXPECT_EQ(contenuto_cartella(c), prima);
}

TEST(MemorizzaPercorso, PulisceLaTabellaPrimaDiLeggere) {
  // Whatever the table held before, the build starts from a cleared table: a stale
  // header value would otherwise be taken for a reading error 1250.
  cartella_temporanea c;
  modello m = modello_piccolo(c.percorso());
  for (voce& v : m.tabella) v.valore1 = 5;
  m.codice_errore = 77;
  piattaforma_finta p;
  EXPECT_THROW(memorizza_percorso(m, p, 0), fine_programma);
  EXPECT_EQ(m.codice_errore, 101);
  EXPECT_EQ(m.genera_linea, 0);
  for (const voce& v : m.tabella) EXPECT_EQ(v.valore1, 0);
}

TEST(Errore, MessaggioEFine) {
  piattaforma_finta p;
  try {
    errore(p, "1250");
    FAIL() << "errore e' tornato";
  } catch (const fine_programma& fine) {
    EXPECT_EQ(fine.stato, 1);
  }
  ASSERT_EQ(p.messaggi.size(), 1u);
  EXPECT_EQ(p.messaggi[0], " Errore n. 1250");

  EXPECT_THROW(errore(p, "6", "cartello\nfile:1:2"), fine_programma);
  ASSERT_EQ(p.messaggi.size(), 2u);
  EXPECT_EQ(p.messaggi[1], " Errore n. 6\ncartello\nfile:1:2");
}

TEST(PiattaformaConsole, AttendereUnaVolta) {
  std::ostringstream uscita;
  piattaforma_console console(uscita);
  console.mostra_finestra();
  console.mostra_finestra();
  EXPECT_EQ(uscita.str(), "Attendere\n");
  console.mostra_messaggio(" Errore n. 1251");
  EXPECT_EQ(uscita.str(), "Attendere\n Errore n. 1251\n");
}

// ---- The whole build, in this process ----------------------------------------------------

TEST(FormLoad, CostruzioneCompletaInUnaCartella) {
  cartella_temporanea c;
  modello m;
  m.cartella = c.percorso();
  piattaforma_finta p;
  Form_Load(m, p);
  EXPECT_EQ(p.finestre, 1);
  EXPECT_TRUE(p.messaggi.empty());
  EXPECT_EQ(m.codice_errore, 0);
  std::vector<std::string> nomi;
  for (const auto& [nome, _] : contenuto_cartella(c)) nomi.push_back(nome);
  const std::vector<std::string> attesi = {
      "Castrea_Tovena_R7302.dat", "Castrea_Tovena_R7302.sim",
      "Castrea_Tovena_R7302_note.txt", "Castrea_Tovena_R7302_rallentamenti.txt",
      "Castrea_Tovena_R7302_scheda_treno.txt", "Castrea_Tovena_linea.dat"};
  EXPECT_EQ(nomi, attesi);
  EXPECT_EQ(c.leggi("Castrea_Tovena_R7302.dat"), serializza_percorso(m.percorso));
  EXPECT_EQ(c.leggi("Castrea_Tovena_R7302.sim"), serializza_tabella(m.tabella));
}

TEST(FormLoad, GuastoDelFileSystemNonLasciaTestiDiDescrizione) {
  cartella_temporanea c;
  fs::create_directory(c / "Castrea_Tovena_R7302.dat");
  modello m;
  m.cartella = c.percorso();
  piattaforma_finta p;
  EXPECT_THROW(Form_Load(m, p), errore_file);
  EXPECT_FALSE(c.esiste(nome_testo_linea(m)));
  EXPECT_FALSE(c.esiste(nome_testo_treno(m)));
  EXPECT_TRUE(fs::is_directory(c / "Castrea_Tovena_R7302.dat"));
  EXPECT_TRUE(p.messaggi.empty());
}

}  // namespace
}  // namespace scenario
