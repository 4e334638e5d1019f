// What Windows reads from the programs: Explorer, the Start menu and an installer their
// icon and version resource; `type`, `more` and Notepad what they write into a file.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/supporto/cartella_temporanea.h"
#include "tests/supporto/esecuzione.h"
#include "tests/supporto/esecuzione_sfondo.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;

std::wstring valore_stringa(const std::vector<char>& dati, const wchar_t* nome) {
  void* valore = nullptr;
  UINT lunghezza = 0;
  const std::wstring chiave = std::wstring(L"\\StringFileInfo\\041004B0\\") + nome;
  if (!VerQueryValueW(dati.data(), chiave.c_str(), &valore, &lunghezza) || lunghezza == 0) return {};
  return std::wstring(static_cast<const wchar_t*>(valore));
}

TEST(RisorseWindows, VersioneEIconaInEntrambiIProgrammi) {
  unsigned maggiore = 0, minore = 0, correzione = 0;
  ASSERT_EQ(std::sscanf(VERSIONE_PROGRAMMA, "%u.%u.%u", &maggiore, &minore, &correzione), 3);
  for (const fs::path programma : {fs::path(ESEGUIBILE), fs::path(MOSTRA_SCENARIO)}) {
    SCOPED_TRACE(programma.string());
    DWORD ignorato = 0;
    const DWORD dimensione = GetFileVersionInfoSizeW(programma.c_str(), &ignorato);
    ASSERT_GT(dimensione, 0u) << "nessuna risorsa di versione";
    std::vector<char> dati(dimensione);
    ASSERT_TRUE(GetFileVersionInfoW(programma.c_str(), 0, dimensione, dati.data()));
    VS_FIXEDFILEINFO* fissa = nullptr;
    UINT lunghezza = 0;
    ASSERT_TRUE(VerQueryValueW(dati.data(), L"\\", reinterpret_cast<void**>(&fissa), &lunghezza));
    EXPECT_EQ(fissa->dwFileVersionMS, (maggiore << 16) | minore);
    EXPECT_EQ(fissa->dwFileVersionLS, correzione << 16);
    EXPECT_EQ(fissa->dwProductVersionMS, fissa->dwFileVersionMS);
    EXPECT_EQ(valore_stringa(dati, L"FileVersion"), fs::path(VERSIONE_PROGRAMMA).wstring());
    EXPECT_EQ(valore_stringa(dati, L"OriginalFilename"), programma.filename().wstring());
    EXPECT_FALSE(valore_stringa(dati, L"FileDescription").empty());
    // The icon, as the group Explorer picks a size from.
    const HMODULE modulo = LoadLibraryExW(programma.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(modulo, nullptr);
    EXPECT_NE(FindResourceW(modulo, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */), nullptr);
    FreeLibrary(modulo);
  }
}

size_t conta(const std::string& testo, const std::string& parte) {
  size_t n = 0;
  for (size_t i = testo.find(parte); i != std::string::npos; i = testo.find(parte, i + 1)) ++n;
  return n;
}

TEST(UscitaWindows, InUnFileUtf16ConCrLfPerLePersoneUtf8PerIProgrammi) {
  // Diagnostics with an accent ("è") redirected to a file: UTF-16 with its mark, every
  // line ended by CR LF, as `type` and Notepad read it. The same diagnostics as JSON, read
  // by programs: UTF-8, as on every system.
  const std::filesystem::path esempi = std::filesystem::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "examples";
  prova::cartella_temporanea c;
  std::string treno = prova::leggi_tutto(esempi / "Valmora_R2215-.txt");
  const size_t segnale = treno.find("segnale,");
  ASSERT_NE(segnale, std::string::npos);
  treno.insert(segnale, "segnle, 100\r\n");
  c.scrivi("Errato_linea.txt", prova::leggi_tutto(esempi / "Valmora_linea.txt"));
  c.scrivi("Errato_R1-.txt", treno);
  {
    prova::processo_sfondo p(ESEGUIBILE, {"--lingua=it", "-c", "Errato_linea.txt", "Errato_R1-.txt"}, c.percorso(),
                             c.percorso());
    EXPECT_EQ(p.attendi(), 1) << p.errori();
    const std::string grezzi = p.errori_grezzi();
    ASSERT_TRUE(grezzi.starts_with("\xFF\xFE")) << grezzi;
    const std::string a_capo("\n\0", 2), cr_lf("\r\0\n\0", 4);
    EXPECT_GT(conta(grezzi, cr_lf), 2u);
    EXPECT_EQ(conta(grezzi, a_capo), conta(grezzi, cr_lf));
    // "è" (U+00E8) as one UTF-16 unit; and read back, the diagnostic as everywhere.
    EXPECT_NE(grezzi.find(std::string("\xE8\0", 2)), std::string::npos);
    EXPECT_NE(p.errori().find("Errato_R1-.txt:"), std::string::npos) << p.errori();
    EXPECT_NE(p.errori().find(": error: Errore n. 301: parola chiave sconosciuta: la riga non è letta come record"), std::string::npos)
        << p.errori();
  }
  prova::processo_sfondo j(ESEGUIBILE, {"--lingua=it", "-c", "--diagnostica=json", "Errato_linea.txt", "Errato_R1-.txt"},
                           c.percorso(), c.percorso());
  EXPECT_EQ(j.attendi(), 1);
  const std::string json = j.uscita_grezza() + j.errori_grezzi();
  EXPECT_TRUE(json.starts_with("{")) << json;
  EXPECT_EQ(json.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace scenario
