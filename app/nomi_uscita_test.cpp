#include "app/nomi_uscita.h"

#include <gtest/gtest.h>

#include <string>

namespace scenario {
namespace {

TEST(NomiUscita, IdentificativiCheNessunSistemaRifiuta) {
  // An identifier is part of a file's name on both systems: what Windows cannot hold in a
  // name is refused on Linux too, so that a scenario moves from one to the other.
  const std::string errato = "identificativo del treno non valido ";
  const struct {
    std::string id;
    std::string messaggio;  // empty: accepted
  } casi[] = {
      {"R1", ""}, {"Castrea_Tovena", ""}, {"V\xc3\xa0lmora", ""}, {"\xce\x9b\xce\xaf\xce\xbc\xce\xbd\xce\xb7", ""},
      {"R1.bis", ""}, {" R1", ""}, {"CONSOLE", ""}, {"COM10", ""}, {"LPT", ""}, {"NULL.x", ""}, {"R1~", ""},
      {"", "identificativo del treno vuoto"},
      {"R1:a", errato + "'R1:a': non può contenere ':'"},
      {"a/b", errato + "'a/b': non può contenere '/'"},
      {"a\\b", errato + "'a\\b': non può contenere '\\'"},
      {"<R1>", errato + "'<R1>': non può contenere '<'"},
      {"R\"1", errato + "'R\"1': non può contenere '\"'"},
      {"R1|2", errato + "'R1|2': non può contenere '|'"},
      {"R?", errato + "'R?': non può contenere '?'"},
      {"R*", errato + "'R*': non può contenere '*'"},
      {"R\x1b[2J", "identificativo del treno non valido: contiene caratteri di controllo"},
      {"R1.", errato + "'R1.': non può finire con un punto o uno spazio"},
      {"R1 ", errato + "'R1 ': non può finire con un punto o uno spazio"},
      // Windows opens these as devices, whatever the case and whatever follows a dot.
      {"CON", errato + "'CON': è il nome di un dispositivo di Windows"},
      {"nul", errato + "'nul': è il nome di un dispositivo di Windows"},
      {"Aux.linea", errato + "'Aux.linea': è il nome di un dispositivo di Windows"},
      {"PRN .x", errato + "'PRN .x': è il nome di un dispositivo di Windows"},
      {"COM1", errato + "'COM1': è il nome di un dispositivo di Windows"},
      {"lpt9", errato + "'lpt9': è il nome di un dispositivo di Windows"},
      {"COM\xc2\xb9", errato + "'COM\xc2\xb9': è il nome di un dispositivo di Windows"},
      {"CONOUT$", errato + "'CONOUT$': è il nome di un dispositivo di Windows"},
  };
  for (const auto& c : casi) {
    const auto e = identificativo_errato(c.id, identificativo::treno);
    EXPECT_EQ(e ? rendi(*e, lingua::italiano) : "", c.messaggio) << c.id;
  }
}

}  // namespace
}  // namespace scenario
