#include "nucleo/nomi_testi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace scenario {
namespace {

TEST(NomiTesti, IdentificativiCheNessunSistemaRifiuta) {
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

// Names compared as Windows compares them, for ASCII letters.
bool senza_maiuscole(std::string_view a, std::string_view b) {
  const auto basso = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return basso(x) == basso(y); });
}

TEST(NomiTesti, CompagnoDalNomeComeLoConfrontaIlSistema) {
  // The identifiers are what the names write, whatever the case of the fixed parts; where
  // the system tells letter case apart, a name in other letters is not of either form.
  EXPECT_EQ(linea_del_nome("Val_Linea.TXT", senza_maiuscole), "Val");
  EXPECT_EQ(linea_del_nome("Val_Linea.TXT", stessi_byte), "");
  EXPECT_EQ(treno_del_nome("VAL_R1-.Txt", "Val", senza_maiuscole), "R1");
  EXPECT_EQ(treno_del_nome("VAL_R1-.Txt", "Val", stessi_byte), "");
  // "_linea.txt" alone names no line; a run needs a train between the line and "-.txt".
  EXPECT_EQ(linea_del_nome("_linea.txt", stessi_byte), "");
  EXPECT_EQ(treno_del_nome("Val_-.txt", "Val", stessi_byte), "");
  // A run text's partner is the longest line with a text, found in any case.
  const std::vector<std::string> nomi = {"castrea_LINEA.txt", "Castrea_Tovena_linea.TXT", "nota.txt"};
  const partner_testo p = partner_del_nome("Castrea_Tovena_R7302-.txt", nomi, senza_maiuscole);
  EXPECT_EQ(p.nome, "Castrea_Tovena_linea.TXT");
  EXPECT_TRUE(p.linea);
  EXPECT_FALSE(p.errore);
  const partner_testo esatto = partner_del_nome("Castrea_Tovena_R7302-.txt", nomi, stessi_byte);
  ASSERT_TRUE(esatto.errore);
  EXPECT_EQ(esatto.errore->id, "uso.manca_linea");
}

}  // namespace
}  // namespace scenario
