// Started from Explorer (a double click, files dropped on it) the program is the only one
// in a console window of its own, which closes with it: what it wrote is shown once more
// in a message box until the user closes it. Here it is started as Explorer starts it,
// with a new console; the box is found among the windows, read, and closed by its OK.
// Started from a prompt, which shares the console, nothing waits.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/supporto/cartella_temporanea.h"

namespace scenario {
namespace {

namespace fs = std::filesystem;
using namespace prova;

std::string utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

fs::path da_utf8(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return fs::path(w);
}

struct riquadro {
  HWND finestra = nullptr;
  std::string titolo, testo;
};

// The message box that the process `pid` shows: its caption and its text (the one
// static control with text in it).
riquadro riquadro_di(DWORD pid) {
  riquadro r;
  struct ricerca {
    DWORD pid;
    HWND trovata;
  } cerca{pid, nullptr};
  EnumWindows(
      [](HWND f, LPARAM p) -> BOOL {
        auto* c = reinterpret_cast<ricerca*>(p);
        DWORD di = 0;
        GetWindowThreadProcessId(f, &di);
        wchar_t classe[16] = {};
        GetClassNameW(f, classe, 16);
        if (di != c->pid || std::wstring(classe) != L"#32770") return TRUE;
        c->trovata = f;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&cerca));
  if (cerca.trovata == nullptr) return r;
  r.finestra = cerca.trovata;
  wchar_t titolo[256] = {};
  GetWindowTextW(r.finestra, titolo, 256);
  r.titolo = utf8(titolo);
  EnumChildWindows(
      r.finestra,
      [](HWND f, LPARAM p) -> BOOL {
        wchar_t classe[16] = {};
        GetClassNameW(f, classe, 16);
        wchar_t testo[4096] = {};
        GetWindowTextW(f, testo, 4096);
        if (_wcsicmp(classe, L"Static") != 0 || testo[0] == L'\0') return TRUE;
        *reinterpret_cast<std::string*>(p) = utf8(testo);
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&r.testo));
  return r;
}

struct esito_congedo {
  int stato = -1;
  std::string titolo, testo;  // of the box, when one came
  bool riquadro = false;
};

// Runs `riga` in `corrente` with a console of its own, as Explorer does; closes the box
// that the process started shows, if any, and returns what it said and the exit status.
esito_congedo avvia_come_esplora(std::wstring riga, const fs::path& corrente) {
  esito_congedo e;
  STARTUPINFOW avvio{};
  avvio.cb = sizeof avvio;
  PROCESS_INFORMATION p{};
  if (!CreateProcessW(nullptr, riga.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                      corrente.wstring().c_str(), &avvio, &p)) {
    ADD_FAILURE() << "CreateProcessW: " << GetLastError();
    return e;
  }
  CloseHandle(p.hThread);
  // The box, or the end: whichever comes first.
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (WaitForSingleObject(p.hProcess, 20) == WAIT_TIMEOUT && std::chrono::steady_clock::now() < limite) {
    // Read once it is on the screen: by then its text has been given to it.
    const riquadro r = riquadro_di(p.dwProcessId);
    if (r.finestra == nullptr || !IsWindowVisible(r.finestra)) continue;
    e = {-1, r.titolo, r.testo, true};
    PostMessageW(r.finestra, WM_COMMAND, IDOK, 0);
    break;
  }
  if (WaitForSingleObject(p.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(p.hProcess, 137);
  DWORD stato = 0;
  GetExitCodeProcess(p.hProcess, &stato);
  CloseHandle(p.hProcess);
  e.stato = static_cast<int>(stato);
  return e;
}

// Wine without an X display (scripts/prove_windows.sh gives it Xvfb) makes no window at
// all: neither the new console's nor the box.
bool wine_senza_schermo() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  return wine && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
}

TEST(CongedoWindows, DaEsploraUnRiquadroDaPromptNulla) {
  if (wine_senza_schermo()) GTEST_SKIP() << "Wine senza schermo non mostra finestre";
  cartella_temporanea c;
  const fs::path copia = c / "compila_scenario.exe";
  fs::copy_file(ESEGUIBILE, copia);
  const std::wstring programma = L"\"" + copia.wstring() + L"\"";

  // The embedded build, double-clicked: the console held "Attendere" alone.
  esito_congedo e = avvia_come_esplora(programma, c.percorso());
  EXPECT_TRUE(e.riquadro);
  EXPECT_EQ(e.titolo, "compila_scenario");
  // Where the files went: beside the program.
  const std::string riuscita = "Compilazione riuscita: i file compilati sono nella cartella ";
  ASSERT_TRUE(e.testo.starts_with(riuscita)) << e.testo;
  EXPECT_TRUE(fs::equivalent(da_utf8(e.testo.substr(riuscita.size(), e.testo.size() - riuscita.size() - 1)),
                             c.percorso()))
      << e.testo;
  EXPECT_EQ(e.stato, 0);
  EXPECT_TRUE(c.esiste("Castrea_Tovena_R7302.sim"));

  // A failure: what the console showed, the same words.
  e = avvia_come_esplora(programma + L" --sconosciuta", c.percorso());
  EXPECT_TRUE(e.riquadro);
  EXPECT_EQ(e.testo, "compila_scenario: opzione non riconosciuta '--sconosciuta'; 'compila_scenario --help' per "
                     "l'aiuto");
  EXPECT_EQ(e.stato, 2);

  // From a prompt that shares the console: no box, the program ends by itself.
  e = avvia_come_esplora(L"cmd /c " + programma + L" --sconosciuta", c.percorso());
  EXPECT_FALSE(e.riquadro);
  EXPECT_EQ(e.stato, 2);
}

TEST(CongedoWindows, UnTestoDaEsploraSiCompilaAccantoASe) {
  // The entry of Explorer's menu on a run text, as the installer writes its command
  // ("compila_scenario.exe" "%1"), started in another folder: the text's line text is
  // found beside it, the compiled files go beside them, and the box says where. Then the
  // same with a mistake whose message is long: the box shows it whole, cause included.
  if (wine_senza_schermo()) GTEST_SKIP() << "Wine senza schermo non mostra finestre";
  cartella_temporanea c, altrove;
  const fs::path testi = c.percorso() / fs::path(L"Scenari \u00e8 prova");
  fs::create_directory(testi);
  const fs::path esempi = fs::path(CARTELLA_RIFERIMENTI) / ".." / ".." / "examples";
  fs::copy_file(esempi / "Valmora_linea.txt", testi / "Valmora_linea.txt");
  fs::copy_file(esempi / "Valmora_R2215-.txt", testi / "Valmora_R2215-.txt");
  const auto argomento = [](const fs::path& p) { return L"\"" + p.wstring() + L"\""; };
  esito_congedo e = avvia_come_esplora(argomento(ESEGUIBILE) + L" " + argomento(testi / "Valmora_R2215-.txt"),
                                       altrove.percorso());
  ASSERT_TRUE(e.riquadro);
  EXPECT_EQ(e.stato, 0) << e.testo;
  const std::string riuscita = "Compilazione riuscita: i file compilati sono nella cartella ";
  // After the build's summary, the last line of the box.
  const size_t dove = e.testo.rfind("\n\n" + riuscita);
  ASSERT_NE(dove, std::string::npos) << e.testo;
  const size_t da = dove + 2 + riuscita.size();
  EXPECT_TRUE(fs::equivalent(da_utf8(e.testo.substr(da, e.testo.size() - da - 1)), testi)) << e.testo;
  for (const char* nome : {"Valmora_linea.dat", "Valmora_R2215.sim", "Valmora_R2215.dat"}) {
    EXPECT_TRUE(fs::exists(testi / nome)) << nome;
  }
  EXPECT_TRUE(fs::is_empty(altrove.percorso()));

  // A line text whose partner is not there, under a long folder's name: one line, whole.
  const fs::path lunga = c / std::string(150, 'l');
  fs::create_directory(lunga);
  fs::copy_file(esempi / "Valmora_linea.txt", lunga / "Sola_linea.txt");
  e = avvia_come_esplora(argomento(ESEGUIBILE) + L" " + argomento(lunga / "Sola_linea.txt"), altrove.percorso());
  ASSERT_TRUE(e.riquadro);
  EXPECT_EQ(e.stato, 2);
  EXPECT_TRUE(e.testo.ends_with("nessun testo della corsa accanto a 'Sola_linea.txt': cercato Sola_TRENO-.txt; "
                                "'compila_scenario --help' per l'aiuto"))
      << e.testo;
}

TEST(CongedoWindows, MostraScenarioDaSoloDiceACheServe) {
  if (wine_senza_schermo()) GTEST_SKIP() << "Wine senza schermo non mostra finestre";
  cartella_temporanea c;
  const esito_congedo e = avvia_come_esplora(L"\"" + fs::path(MOSTRA_SCENARIO).wstring() + L"\"", c.percorso());
  ASSERT_TRUE(e.riquadro);
  EXPECT_EQ(e.titolo, "mostra_scenario");
  EXPECT_TRUE(e.testo.starts_with("mostra_scenario mostra uno scenario compilato")) << e.testo;
  EXPECT_NE(e.testo.find("mostra_scenario -o pagina.html LINEA TRENO"), std::string::npos) << e.testo;
  EXPECT_EQ(e.stato, 2);
}

TEST(CongedoWindows, TanteDiagnosticheInUnRiquadroCheLeRiassume) {
  // Texts dropped on the program with more diagnostics than a box holds: the box shows
  // the first diagnostics without the texts' lines under them, says how many more there
  // are, and names the log beside the texts that holds the console's text whole.
  if (wine_senza_schermo()) GTEST_SKIP() << "Wine senza schermo non mostra finestre";
  cartella_temporanea c;
  const fs::path copia = c / "compila_scenario.exe";
  fs::copy_file(ESEGUIBILE, copia);
  std::string linea = "[generale]\r\n";
  for (int i = 0; i < 20; ++i) linea += "sconosciuta, " + std::to_string(i) + "\r\n";
  c.scrivi("Molti_linea.txt", linea);
  c.scrivi("Molti_T1-.txt", linea);
  const auto argomento = [](const fs::path& p) { return L"\"" + p.wstring() + L"\""; };
  const esito_congedo e = avvia_come_esplora(
      argomento(copia) + L" " + argomento(c / "Molti_linea.txt") + L" " + argomento(c / "Molti_T1-.txt"), c.percorso());
  ASSERT_TRUE(e.riquadro);
  EXPECT_EQ(e.stato, 1);
  // Twelve diagnostics, a blank line, the note: forty were written, twenty a text.
  std::vector<std::string> righe;
  for (size_t a = 0; a <= e.testo.size();) {
    const size_t b = std::min(e.testo.find('\n', a), e.testo.size());
    righe.push_back(e.testo.substr(a, b - a));
    a = b + 1;
  }
  ASSERT_EQ(righe.size(), 14u) << e.testo;
  for (size_t i = 0; i < 12; ++i) EXPECT_NE(righe[i].find(": error: Errore n. 301: "), std::string::npos) << righe[i];
  EXPECT_EQ(righe[12], "");
  const fs::path registro = c / "compila_scenario.log";
  EXPECT_TRUE(righe[13].starts_with("Altre ")) << righe[13];
  EXPECT_TRUE(righe[13].ends_with(" è nel file " + registro.string())) << righe[13];
  // The log: every diagnostic with its text's line, in Windows' line ends.
  const std::string tutto = c.leggi("compila_scenario.log");
  EXPECT_NE(tutto.find("21 | sconosciuta, 19\r\n"), std::string::npos) << tutto;
}

}  // namespace
}  // namespace scenario
