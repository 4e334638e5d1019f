// What Explorer, the Start menu and an installer read from the Windows programs: each
// carries its icon and a version resource that names it and the version it prints.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace scenario
