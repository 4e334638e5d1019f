#include "track/intestazione.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace scenario {
namespace {

// A model of the embedded identifiers with a small track, as the reading stage leaves it.
modello modello_piccolo() {
  modello m;
  m.linea = "Castrea_Tovena";
  m.treno = "R7302";
  m.tabella[85].nome = m.linea;
  m.tabella[86].nome = m.treno;
  m.percorso.assign(10, cella{});
  return m;
}

TEST(TimbraIntestazione, ControlliEValori) {
  // The four places: entry 85 valore1, cell 1 dato1, entry 85 orario, cell 1 dato2. Cell 1
  // taken by real objects of the texts is the driver's test below.
  using posti = std::array<int32_t, 4>;
  struct caso {
    const char* cosa;
    posti prima;
    int32_t risultato;
    posti dopo;
    size_t celle = 10;
  };
  // Identity codes of "r7302castrea_tovena" + "tgkwrp": og 2476, st 34533 (worked out in
  // the identity code tests). st needs the 32-bit field: it exceeds 32767.
  const caso casi[] = {
      {"free places", {0, 0, 0, 0}, 0, {610, 5121, 34533, 2476}},
      {"value taken; the code too, but the first check decides", {7, 0, 9, 0}, 1250, {7, 0, 9, 0}},
      // The header values come before the code check and are stamped; the codes are not.
      {"code taken", {0, 0, 3600, 0}, 1251, {610, 5121, 3600, 0}},
      // No cell 1 to carry the header: refused without touching anything.
      {"no track", {0, 0, 0, 0}, 1250, {0, 0, 0, 0}, 0},
      {"no cell 1", {0, 0, 0, 0}, 1250, {0, 0, 0, 0}, 1},
  };
  const auto metti = [](modello& m, const posti& v) {
    m.tabella[85].valore1 = static_cast<int16_t>(v[0]);
    m.tabella[85].orario = v[2];
    if (m.percorso.size() < 2) return;
    m.percorso[1].dato1 = static_cast<int16_t>(v[1]);
    m.percorso[1].dato2 = static_cast<int16_t>(v[3]);
  };
  for (const caso& c : casi) {
    SCOPED_TRACE(c.cosa);
    modello m = modello_piccolo();
    m.percorso.resize(c.celle);
    metti(m, c.prima);
    modello atteso = m;
    metti(atteso, c.dopo);
    EXPECT_EQ(timbra_intestazione(m), c.risultato);
    EXPECT_EQ(m.diagnostiche.size(), c.risultato == 0 ? 0u : 1u);
    // Nothing but the four places changes.
    EXPECT_TRUE(m.percorso == atteso.percorso);
    EXPECT_TRUE(m.tabella == atteso.tabella);
  }
}

}  // namespace
}  // namespace scenario
