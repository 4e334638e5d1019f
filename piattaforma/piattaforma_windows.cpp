// The Windows half of the platform layer (piattaforma.h, blocco.h, segnali.h).
// The system is spoken to in wide characters; paths and texts are UTF-8 outside.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <streambuf>

#include "piattaforma/blocco.h"
#include "piattaforma/piattaforma.h"
#include "piattaforma/segnali.h"
#include "piattaforma/sostituzione.h"
#include "piattaforma/tappe_prova.h"

namespace scenario {

namespace fs = std::filesystem;

namespace {

std::string utf8_di(std::wstring_view w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring largo_di(std::string_view s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// The system's own words for an error, in the user's language.
std::string parole_di_sistema(DWORD numero) {
  wchar_t* testo = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      numero, 0, reinterpret_cast<wchar_t*>(&testo), 0, nullptr);
  std::wstring w = n > 0 && testo != nullptr ? std::wstring(testo, n) : L"error " + std::to_wstring(numero);
  if (testo != nullptr) LocalFree(testo);
  while (!w.empty() && (w.back() == L'\n' || w.back() == L'\r' || w.back() == L' ' || w.back() == L'.')) {
    w.pop_back();
  }
  return utf8_di(w);
}

// A failure's reason: the common ones in the catalogue's words (the language the program
// speaks, which may not be the system's), the others in the system's.
std::string motivo_di(DWORD numero) {
  switch (numero) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return motivo(causa_file::non_trovato);
    case ERROR_ACCESS_DENIED: return motivo(causa_file::accesso_negato);
    case ERROR_WRITE_PROTECT: return motivo(causa_file::disco_sola_lettura);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return motivo(causa_file::in_uso);
    case ERROR_DIRECTORY: return motivo(causa_file::non_cartella);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return motivo(causa_file::disco_pieno);
    case ERROR_FILE_TOO_LARGE: return motivo(causa_file::file_troppo_grande);
    case ERROR_FILENAME_EXCED_RANGE: return motivo(causa_file::nome_troppo_lungo);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return motivo(causa_file::nome_non_valido);
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return motivo(causa_file::esistente);
    default: return parole_di_sistema(numero);
  }
}
std::string motivo_ultimo() { return motivo_di(GetLastError()); }

// A path as the system takes it whatever its length. A full path from MAX_PATH less the
// 12 characters a folder keeps for a short name on goes in its extended form, "\\?\"
// ("\\?\UNC\" for a network share), which no limit applies to and which the system
// passes on as it is: its full form already has every "." and ".." resolved and every
// "/" turned into "\". Shorter paths go as they are. (The manifest declares the programs
// aware of long paths too; that alone helps only where the system's setting allows it.)
std::wstring esteso(const fs::path& p) {
  const std::wstring& nome = p.native();
  if (nome.starts_with(L"\\\\?\\")) return nome;
  const DWORD n = GetFullPathNameW(nome.c_str(), 0, nullptr, nullptr);
  if (n < MAX_PATH - 12) return nome;
  std::wstring pieno(n, L'\0');
  const DWORD k = GetFullPathNameW(nome.c_str(), n, pieno.data(), nullptr);
  if (k == 0 || k >= n) return nome;
  pieno.resize(k);
  if (pieno.starts_with(L"\\\\.\\")) return pieno;  // a device
  return pieno.starts_with(L"\\\\") ? L"\\\\?\\UNC\\" + pieno.substr(2) : L"\\\\?\\" + pieno;
}

// The same for a failure on `file`: access to a file is denied most often by its
// read-only mark, which the author can take off, and is then said as such.
std::string motivo_di(DWORD numero, const fs::path& file) {
  if (numero == ERROR_ACCESS_DENIED) {
    const DWORD attributi = GetFileAttributesW(esteso(file).c_str());
    if (attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY) &&
        !(attributi & FILE_ATTRIBUTE_DIRECTORY)) {
      return motivo(causa_file::file_sola_lettura);
    }
  }
  return motivo_di(numero);
}

HANDLE maniglia_di(sistema::maniglia m) { return reinterpret_cast<HANDLE>(m); }
sistema::maniglia da_maniglia(HANDLE h) { return reinterpret_cast<sistema::maniglia>(h); }

}  // namespace

// ---- Interrupts --------------------------------------------------------------------------

namespace {

// A build has at most three temporary compiled files, one text being replaced and the two
// description texts of the embedded build.
constexpr int POSTI = 16;
constexpr size_t LUNGHEZZA = 4096;

wchar_t percorsi[POSTI][LUNGHEZZA];
bool occupato[POSTI];

// Held by segnali_sospesi and by the handler: the handler runs on a thread of its own
// and waits here for a registration or a set of renames under way. A critical section
// may be entered again by the thread that holds it, so holds nest.
CRITICAL_SECTION sezione;
std::atomic<bool> sezione_pronta{false};

// While the texts are watched, Ctrl-C and Ctrl-Break only ask the watch to end.
std::atomic<HANDLE> fine_osservazione{nullptr};

BOOL WINAPI al_controllo(DWORD tipo) {
  const bool tastiera = tipo == CTRL_C_EVENT || tipo == CTRL_BREAK_EVENT;
  if (tastiera) {
    if (const HANDLE fine = fine_osservazione.load(); fine != nullptr) {
      SetEvent(fine);
      return TRUE;
    }
  }
  if (sezione_pronta) EnterCriticalSection(&sezione);
  for (int i = 0; i < POSTI; ++i) {
    if (occupato[i]) DeleteFileW(percorsi[i]);
  }
  // As the signals on POSIX: SIGINT for the keyboard, SIGHUP for the console closed,
  // SIGTERM for the session's end.
  ExitProcess(tastiera ? 130 : tipo == CTRL_CLOSE_EVENT ? 129 : 143);
}

}  // namespace

void prepara_segnali() {
  if (!sezione_pronta.exchange(true)) InitializeCriticalSection(&sezione);
  // A Ctrl-C ignored by whoever started the program stays ignored: the system then calls
  // no handler for it.
  SetConsoleCtrlHandler(al_controllo, TRUE);
}

segnali_sospesi::segnali_sospesi() {
  if (sezione_pronta) EnterCriticalSection(&sezione);
}

segnali_sospesi::~segnali_sospesi() {
  if (sezione_pronta) LeaveCriticalSection(&sezione);
}

void scarto::registra(const std::string& percorso) {
  dimentica();
  const std::wstring largo = esteso(sistema::percorso(percorso));
  if (largo.size() >= LUNGHEZZA) throw errore_file(sistema::percorso(percorso), motivo_di(ERROR_FILENAME_EXCED_RANGE));
  const segnali_sospesi sospesi;
  for (int i = 0; i < POSTI; ++i) {
    if (occupato[i]) continue;
    std::memcpy(percorsi[i], largo.c_str(), (largo.size() + 1) * sizeof(wchar_t));
    occupato[i] = true;
    posto_ = i;
    return;
  }
  throw errore_file(sistema::percorso(percorso), traduci("file.troppi_temporanei"));
}

void scarto::dimentica() {
  if (posto_ < 0) return;
  const segnali_sospesi sospesi;
  occupato[posto_] = false;
  posto_ = -1;
}

// ---- The folder lock ---------------------------------------------------------------------

namespace {

// The folder's final path: links, junctions and substituted drives resolved, the case as
// the disk stores it, so that every name of one folder gives the same text.
std::wstring percorso_finale(const fs::path& cartella) {
  const HANDLE h = CreateFileW(esteso(cartella).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw errore_file(cartella, motivo_ultimo());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) {
    const DWORD numero = GetLastError();
    CloseHandle(h);
    throw errore_file(cartella, motivo_di(numero));
  }
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    throw errore_file(cartella, motivo_di(ERROR_DIRECTORY));
  }
  std::wstring finale(MAX_PATH, L'\0');
  DWORD n = GetFinalPathNameByHandleW(h, finale.data(), static_cast<DWORD>(finale.size()), FILE_NAME_NORMALIZED);
  if (n >= finale.size()) {
    finale.resize(n + 1);
    n = GetFinalPathNameByHandleW(h, finale.data(), static_cast<DWORD>(finale.size()), FILE_NAME_NORMALIZED);
  }
  CloseHandle(h);
  // Without a final path (some network redirectors), the absolute name as given.
  if (n == 0 || n >= finale.size()) return fs::absolute(cartella).lexically_normal().wstring();
  finale.resize(n);
  return finale;
}

}  // namespace

blocco_cartella::blocco_cartella(const fs::path& cartella) {
  // A mutex's name holds no backslash and is short: the path's FNV-1a digest stands for
  // it. Two folders whose digests met would only take turns, never lose a file.
  uint64_t impronta = 14695981039346656037ull;
  for (const wchar_t c : percorso_finale(cartella)) {
    impronta = (impronta ^ static_cast<uint16_t>(c)) * 1099511628211ull;
  }
  // Global: builds from two sessions of one machine (a remote desktop) take turns too. A
  // sandboxed process may not name global objects; its session's own then serve.
  HANDLE mutex = nullptr;
  for (const wchar_t* spazio : {L"Global", L"Local"}) {
    wchar_t nome[80];
    std::swprintf(nome, 80, L"%ls\\compila_scenario-cartella-%016llx", spazio,
                  static_cast<unsigned long long>(impronta));
    mutex = CreateMutexW(nullptr, FALSE, nome);
    if (mutex != nullptr || GetLastError() != ERROR_ACCESS_DENIED) break;
  }
  if (mutex == nullptr) throw errore_file(cartella, motivo_ultimo());
  // WAIT_ABANDONED: the build before died holding it. Its set is whole all the same (a
  // name holds the earlier file or the whole new one), and the mutex is now ours.
  const DWORD atteso = WaitForSingleObject(mutex, INFINITE);
  if (atteso != WAIT_OBJECT_0 && atteso != WAIT_ABANDONED) {
    const DWORD numero = GetLastError();
    CloseHandle(mutex);
    throw errore_file(cartella, motivo_di(numero));
  }
  maniglia_ = da_maniglia(mutex);
  tappa_di_prova("blocco");
}

blocco_cartella::~blocco_cartella() {
  if (maniglia_ == -1) return;
  ReleaseMutex(maniglia_di(maniglia_));
  CloseHandle(maniglia_di(maniglia_));
}

// ---- Standard output and error ----------------------------------------------------------

namespace {

// What the program has written on its console, for the message box at its end (which
// shows a few lines only) and the log beside it.
std::string mostrato_in_console;
constexpr size_t MOSTRATO_AL_PIU = 8 << 20;

// Standard output or error. On a console, the text in wide characters through the
// console's own call: the C runtime hands a console one byte at a time, and a character
// of two or more bytes arrives in pieces that the console cannot put together. Anywhere
// else (a pipe, a file) the bytes as they are, so that both systems print the same bytes.
// A file redirected from the start (`> file`, not `>> file` onto an earlier text) takes
// UTF-16 with CR LF: see uscita_per_programmi in piattaforma.h.
bool file_nuovo(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK) return false;
  LARGE_INTEGER dove{};
  return SetFilePointerEx(h, LARGE_INTEGER{}, &dove, FILE_CURRENT) && dove.QuadPart == 0;
}

std::atomic<bool> per_programmi{false};

class uscita_windows : public std::streambuf {
 public:
  explicit uscita_windows(DWORD quale) : maniglia_(GetStdHandle(quale)) {
    DWORD modo = 0;
    console_ = maniglia_ != nullptr && maniglia_ != INVALID_HANDLE_VALUE && GetConsoleMode(maniglia_, &modo);
    largo_ = !console_ && file_nuovo(maniglia_);
  }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) zona_.push_back(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* testo, std::streamsize n) override {
    zona_.append(testo, static_cast<size_t>(n));
    // A long view is passed on a piece at a time.
    if (zona_.size() >= 64 * 1024 && !scarica()) return 0;
    return n;
  }
  int sync() override { return scarica() ? 0 : -1; }

 private:
  // Writes what is held; on a console a character whose last bytes have not come yet
  // waits for them.
  bool scarica() {
    const bool largo = largo_ && !per_programmi;
    size_t fine = zona_.size();
    if (console_ || largo) fine = fine_caratteri_interi(zona_);
    const std::string_view pronto(zona_.data(), fine);
    const bool scritto = console_ ? scrivi_console(pronto) : largo ? scrivi_largo(pronto) : scrivi_byte(pronto);
    zona_.erase(0, fine);
    return scritto;
  }

  // The length of the longest start of `t` that ends with a whole UTF-8 character.
  static size_t fine_caratteri_interi(std::string_view t) {
    for (size_t indietro = 1; indietro <= std::min<size_t>(3, t.size()); ++indietro) {
      const auto c = static_cast<unsigned char>(t[t.size() - indietro]);
      if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
      const size_t lunghezza = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      return lunghezza > indietro ? t.size() - indietro : t.size();
    }
    return t.size();
  }

  bool scrivi_console(std::string_view utf8) {
    if (mostrato_in_console.size() < MOSTRATO_AL_PIU) {
      mostrato_in_console.append(utf8.substr(0, MOSTRATO_AL_PIU - mostrato_in_console.size()));
    }
    const std::wstring largo = largo_di(utf8);
    for (size_t fatto = 0; fatto < largo.size();) {
      const DWORD pezzo = static_cast<DWORD>(std::min<size_t>(largo.size() - fatto, 8192));
      DWORD scritti = 0;
      if (!WriteConsoleW(maniglia_, largo.data() + fatto, pezzo, &scritti, nullptr) || scritti == 0) return false;
      fatto += scritti;
    }
    return true;
  }

  // UTF-16 little-endian with CR LF, its byte-order mark first when the file is still
  // empty (standard output and error may be one file: the first to write puts it).
  bool scrivi_largo(std::string_view utf8) {
    std::string righe;
    for (const char c : utf8) {
      if (c == '\n' && (righe.empty() ? !cr_prima_ : righe.back() != '\r')) righe += '\r';
      righe += c;
    }
    if (!utf8.empty()) cr_prima_ = utf8.back() == '\r';
    std::wstring largo = largo_di(righe);
    if (file_nuovo(maniglia_)) largo.insert(largo.begin(), L'\xFEFF');
    return scrivi_byte(std::string_view(reinterpret_cast<const char*>(largo.data()), largo.size() * sizeof(wchar_t)));
  }

  bool scrivi_byte(std::string_view byte) {
    while (!byte.empty()) {
      DWORD scritti = 0;
      const DWORD pezzo = static_cast<DWORD>(std::min<size_t>(byte.size(), 1u << 30));
      if (!WriteFile(maniglia_, byte.data(), pezzo, &scritti, nullptr) || scritti == 0) return false;
      byte.remove_prefix(scritti);
    }
    return true;
  }

  HANDLE maniglia_;
  bool console_ = false;
  bool largo_ = false;
  bool cr_prima_ = false;
  std::string zona_;
};

}  // namespace

namespace sistema {

// ---- Process, names and folders ----------------------------------------------------------

std::vector<std::string> prepara_processo(int, char**) {
  // The C runtime's argv holds the arguments in the local code page, where a name in
  // another script is lost: the wide command line holds them all.
  std::vector<std::string> argomenti;
  int n = 0;
  wchar_t** larghi = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 1; larghi != nullptr && i < n; ++i) argomenti.push_back(utf8_di(larghi[i]));
  if (larghi != nullptr) LocalFree(larghi);
  // Bytes in as they are: no CR taken away, so the language server's frames arrive whole.
  _setmode(_fileno(stdin), _O_BINARY);
  // Standard output and error through the system's own calls; they live as long as the
  // process, since the streams are flushed once more after every object is gone.
  std::cout.rdbuf(new uscita_windows(STD_OUTPUT_HANDLE));
  std::cerr.rdbuf(new uscita_windows(STD_ERROR_HANDLE));
  return argomenti;
}

namespace {

// The whole of the console's text, with Windows' line ends, into `file`, replacing an
// earlier log. Whether it was written.
bool scrivi_registro(const fs::path& file, std::string_view testo) {
  std::string byte;
  for (const char c : testo) {
    if (c == '\n') byte += '\r';
    byte += c;
  }
  const HANDLE h = CreateFileW(esteso(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD scritti = 0;
  const bool fatto = WriteFile(h, byte.data(), static_cast<DWORD>(byte.size()), &scritti, nullptr) &&
                     scritti == byte.size();
  return CloseHandle(h) && fatto;
}

}  // namespace

void uscita_per_programmi() { per_programmi = true; }

bool avviato_da_esplora() {
  // A console without a window the user sees (a process started hidden, as editors start
  // the language server; Wine's console on a terminal) or shared with a prompt: nobody
  // loses what it shows.
  const HWND finestra = GetConsoleWindow();
  DWORD processi[2];
  return finestra != nullptr && IsWindowVisible(finestra) && GetConsoleProcessList(processi, 2) == 1;
}

void congedo(const char* titolo, std::string_view se_nulla, const fs::path& cartella_registro, std::string_view coda) {
  if (!avviato_da_esplora()) return;
  std::string tutto = mostrato_in_console;
  if (tutto.starts_with(std::string(ATTENDERE) + "\n")) tutto.erase(0, std::strlen(ATTENDERE) + 1);
  // A box does not scroll, and a line longer than it is wide takes several: a few lines,
  // enough for the first diagnostics, on a screen of the smallest size.
  const riassunto r = riassunto_per_riquadro(tutto, 12, 160);
  std::string testo = r.testo.empty() ? std::string(se_nulla) : r.testo;
  if (!coda.empty()) testo += (testo.empty() ? "" : "\n\n") + std::string(coda);
  if (testo.empty()) return;
  if (r.ridotto) {
    // The rest where the author can read it all: beside the texts, else in the
    // temporary folder; else how to see it at a prompt.
    const std::string nome = std::string(titolo) + ".log";
    fs::path registro = (cartella_registro.empty() ? fs::current_path() : cartella_registro) / percorso(nome);
    bool scritto = scrivi_registro(registro, tutto);
    if (!scritto) {
      registro = cartella_temporanei() / percorso(nome);
      scritto = scrivi_registro(registro, tutto);
    }
    testo += "\n\n";
    if (r.righe_tolte > 0) {
      testo += rendi(frase_conto(static_cast<int64_t>(r.righe_tolte), dal_catalogo("congedo.altra_riga"),
                                 dal_catalogo("congedo.altre_righe"))) +
               " ";
    }
    testo += scritto ? traduci("congedo.registro", {{"file", sistema::testo(registro)}})
                     : traduci("congedo.da_prompt", {{"programma", titolo}});
  }
  MessageBoxW(nullptr, largo_di(testo).c_str(), largo_di(titolo).c_str(), MB_OK);
}

fs::path percorso(std::string_view utf8) { return fs::path(largo_di(utf8)); }
std::string testo(const fs::path& p) { return utf8_di(p.native()); }

bool percorsi_di_windows() { return true; }

bool stesso_nome(std::string_view a, std::string_view b) {
  const std::wstring x = largo_di(a), y = largo_di(b);
  return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE) ==
         CSTR_EQUAL;
}

fs::path cartella_eseguibile(const char*) {
  std::wstring nome(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, nome.data(), static_cast<DWORD>(nome.size()));
    if (n == 0) return fs::current_path();
    if (n < nome.size()) {
      nome.resize(n);
      return fs::path(nome).parent_path();
    }
    nome.resize(nome.size() * 2);
  }
}

fs::path cartella_temporanei() {
  wchar_t cartella[MAX_PATH + 2];
  const DWORD n = GetTempPathW(MAX_PATH + 2, cartella);
  return n > 0 && n <= MAX_PATH + 1 ? fs::path(std::wstring(cartella, n)) : fs::current_path();
}

fs::path crea_cartella_unica(const fs::path& base, std::string_view prefisso) {
  static constexpr char cifre[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  uint64_t stato = (static_cast<uint64_t>(GetTickCount64()) << 20) ^ GetCurrentProcessId();
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    std::string nome = std::string(prefisso) + "-";
    for (int i = 0; i < 6; ++i) {
      stato = stato * 6364136223846793005ull + 1442695040888963407ull;
      nome += cifre[(stato >> 33) % (sizeof cifre - 1)];
    }
    const fs::path cartella = base / percorso(nome);
    if (CreateDirectoryW(esteso(cartella).c_str(), nullptr)) return cartella;
    if (GetLastError() != ERROR_ALREADY_EXISTS) throw errore_file(base, motivo_ultimo());
  }
  throw errore_file(base, motivo_di(ERROR_ALREADY_EXISTS));
}

namespace {

// A network path in its plain form ("\\server\share\...", also from "\\?\UNC\server\..."),
// with no separator at its end; empty for any other path.
std::wstring forma_unc(const fs::path& p) {
  std::wstring nome = p.native();
  std::replace(nome.begin(), nome.end(), L'/', L'\\');
  if (nome.starts_with(L"\\\\?\\UNC\\")) {
    nome = L"\\\\" + nome.substr(8);
  } else if (!nome.starts_with(L"\\\\") || nome.starts_with(L"\\\\?\\") || nome.starts_with(L"\\\\.\\")) {
    return {};
  }
  while (nome.size() > 2 && nome.back() == L'\\') nome.pop_back();
  return nome;
}

// The network share a path is on ("\\server\share"), or empty when it is on none.
fs::path condivisione_di(const fs::path& p) {
  const std::wstring nome = forma_unc(p);
  if (nome.empty()) return {};
  const size_t server = nome.find(L'\\', 2);
  if (server == std::wstring::npos) return fs::path(nome);
  const size_t condivisa = nome.find(L'\\', server + 1);
  return fs::path(condivisa == std::wstring::npos ? nome : nome.substr(0, condivisa));
}

}  // namespace

esito_cartella crea_cartella(const fs::path& cartella) {
  if (CreateDirectoryW(esteso(cartella).c_str(), nullptr)) return esito_cartella::fatta;
  const DWORD numero = GetLastError();
  // A share that cannot be reached is named, not the folder that was to be made in it.
  const fs::path condivisione = condivisione_di(cartella);
  if (!condivisione.empty() &&
      (numero == ERROR_BAD_NETPATH || numero == ERROR_BAD_NET_NAME || numero == ERROR_NETWORK_UNREACHABLE ||
       numero == ERROR_NETNAME_DELETED || numero == ERROR_UNEXP_NET_ERR || numero == ERROR_HOST_UNREACHABLE ||
       numero == ERROR_NO_NET_OR_BAD_PATH || (numero == ERROR_PATH_NOT_FOUND && forma_unc(cartella) == condivisione.native()))) {
    throw errore_file(condivisione, traduci("file.condivisione_irraggiungibile", {{"motivo", parole_di_sistema(numero)}}));
  }
  if (numero == ERROR_PATH_NOT_FOUND) return esito_cartella::manca_genitore;
  // A drive's root answers "access denied" rather than "already there".
  const DWORD attributi = GetFileAttributesW(esteso(cartella).c_str());
  if (attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_DIRECTORY)) return esito_cartella::esistente;
  throw errore_file(cartella, motivo_di(numero == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : numero));
}

uint64_t numero_processo() { return GetCurrentProcessId(); }

lingua lingua_utente() {
  // As gettext does on Windows: LC_ALL, LC_MESSAGES or LANG when one is set (a shell of
  // POSIX tools, Wine), the interface language otherwise; LANGUAGE before either.
  std::string variabili[4];
  const wchar_t* nomi[] = {L"LANGUAGE", L"LC_ALL", L"LC_MESSAGES", L"LANG"};
  for (size_t i = 0; i < 4; ++i) {
    if (const wchar_t* v = _wgetenv(nomi[i]); v != nullptr) variabili[i] = utf8_di(v);
  }
  wchar_t nome[LOCALE_NAME_MAX_LENGTH] = {};
  const LCID lingua_interfaccia = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (LCIDToLocaleName(lingua_interfaccia, nome, LOCALE_NAME_MAX_LENGTH, 0) == 0) nome[0] = L'\0';
  const std::string interfaccia = utf8_di(nome);
  return lingua_delle_variabili(variabili[0].c_str(), variabili[1].c_str(), variabili[2].c_str(),
                                variabili[3].c_str(), interfaccia.empty() ? "C" : interfaccia);
}

size_t leggi_ingresso(int d, char* zona, size_t dimensione) {
  const int n = _read(d, zona, static_cast<unsigned>(std::min<size_t>(dimensione, 1u << 30)));
  return n > 0 ? static_cast<size_t>(n) : 0;
}

bool altro_in_arrivo(int d) {
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(d));
  if (h == INVALID_HANDLE_VALUE) return false;
  switch (GetFileType(h)) {
    case FILE_TYPE_PIPE: {
      DWORD pronti = 0;
      return PeekNamedPipe(h, nullptr, 0, nullptr, &pronti, nullptr) && pronti > 0;
    }
    case FILE_TYPE_DISK: return true;  // a file never makes a read wait
    default: return false;             // a console: what has come is answered first
  }
}

// A write into a pipe whose reader has gone simply fails on Windows.
void scrittura_su_tubo_chiuso_fallisce() {}

std::tm ora_locale(std::time_t t) {
  std::tm locale{};
  localtime_s(&locale, &t);
  return locale;
}

// ---- Files -------------------------------------------------------------------------------

std::string leggi_regolare(const fs::path& file, size_t limite) {
  // Folders open too (for the message that names them); a device or a pipe is known by
  // its type before anything is read from it.
  const HANDLE h = CreateFileW(esteso(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD numero = GetLastError();
    throw errore_file(file, motivo_di(numero));
  }
  struct chiusura {
    HANDLE h;
    ~chiusura() { CloseHandle(h); }
  } chiudi_h{h};
  if (GetFileType(h) != FILE_TYPE_DISK) throw errore_file(file, motivo(causa_file::non_regolare));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) throw errore_file(file, motivo_ultimo());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw errore_file(file, motivo(causa_file::cartella));
  const uint64_t dimensione = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  if (dimensione > limite) throw testo_troppo_grande(file, limite);
  std::string contenuto;
  contenuto.reserve(static_cast<size_t>(dimensione));
  char pezzo[64 * 1024];
  for (;;) {
    DWORD letti = 0;
    if (!ReadFile(h, pezzo, sizeof pezzo, &letti, nullptr)) throw errore_file(file, motivo_ultimo());
    if (letti == 0) break;
    // A file that grows while it is read is held to the same limit.
    if (contenuto.size() + letti > limite) throw testo_troppo_grande(file, limite);
    contenuto.append(pezzo, letti);
  }
  return contenuto;
}

// The process heap grows as it must; nothing is prepared ahead.
memoria_preparata::memoria_preparata(uint64_t) {}

memoria_preparata::~memoria_preparata() = default;

std::optional<maniglia> crea_nuovo(const fs::path& file, const fs::path& nome) {
  // Shared for deleting: the interrupt's handler removes a temporary file still open.
  const HANDLE h = CreateFileW(esteso(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) return da_maniglia(h);
  const DWORD numero = GetLastError();
  if (numero == ERROR_FILE_EXISTS || numero == ERROR_ALREADY_EXISTS) return std::nullopt;
  throw errore_file(nome, motivo_di(numero));
}

// A new file takes the folder's inherited permissions, as every file made there does; a
// read-only earlier file is refused before any rename (verifica_sostituibile).
void prendi_permessi(maniglia, const fs::path&, const fs::path&) {}

void scrivi(maniglia m, std::string_view byte, const fs::path& nome) {
  while (!byte.empty()) {
    const DWORD pezzo = static_cast<DWORD>(std::min<size_t>(byte.size(), 1u << 30));
    DWORD scritti = 0;
    if (!WriteFile(maniglia_di(m), byte.data(), pezzo, &scritti, nullptr)) throw errore_file(nome, motivo_ultimo());
    byte.remove_prefix(scritti);
  }
}

// The writes find their room as they come.
void riserva(maniglia, uint64_t) {}

void scrivi_a(maniglia m, uint64_t posizione, std::string_view byte, const fs::path& nome) {
  while (!byte.empty()) {
    OVERLAPPED dove{};
    dove.Offset = static_cast<DWORD>(posizione);
    dove.OffsetHigh = static_cast<DWORD>(posizione >> 32);
    const DWORD pezzo = static_cast<DWORD>(std::min<size_t>(byte.size(), 1u << 30));
    DWORD scritti = 0;
    if (!WriteFile(maniglia_di(m), byte.data(), pezzo, &scritti, &dove)) throw errore_file(nome, motivo_ultimo());
    posizione += scritti;
    byte.remove_prefix(scritti);
  }
}

void chiudi(maniglia m, const fs::path& nome) {
  if (!CloseHandle(maniglia_di(m))) throw errore_file(nome, motivo_ultimo());
}

void chiudi_senza_controllo(maniglia m) { CloseHandle(maniglia_di(m)); }

bool sola_lettura(const fs::path& file) {
  const DWORD attributi = GetFileAttributesW(esteso(file).c_str());
  return attributi != INVALID_FILE_ATTRIBUTES && (attributi & FILE_ATTRIBUTE_READONLY) != 0;
}

// A file made here takes the folder's inherited permissions, as the earlier one did: only
// its other names would be lost.
bool da_riscrivere_sul_posto(const fs::path& file) {
  const HANDLE h = CreateFileW(esteso(file).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION informazioni{};
  const bool altri_nomi = GetFileInformationByHandle(h, &informazioni) && informazioni.nNumberOfLinks > 1;
  CloseHandle(h);
  return altri_nomi;
}

void riscrivi_sul_posto(const fs::path& file, std::string_view byte, const fs::path& nome) {
  const HANDLE h = CreateFileW(esteso(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw errore_file(nome, motivo_ultimo());
  const maniglia m = da_maniglia(h);
  try {
    scrivi(m, byte, nome);
    if (!SetEndOfFile(h)) throw errore_file(nome, motivo_ultimo());
  } catch (...) {
    chiudi_senza_controllo(m);
    throw;
  }
  chiudi(m, nome);
}

void verifica_sostituibile(const fs::path& destinazione) {
  const DWORD attributi = GetFileAttributesW(esteso(destinazione).c_str());
  if (attributi == INVALID_FILE_ATTRIBUTES) return;  // not there: nothing stands in the way
  if (attributi & FILE_ATTRIBUTE_DIRECTORY) throw errore_file(destinazione, motivo(causa_file::cartella));
  if (attributi & FILE_ATTRIBUTE_READONLY) throw errore_file(destinazione, motivo(causa_file::file_sola_lettura));
  // A program that holds the file open (the simulator with the scenario loaded, an
  // editor) would stop the rename halfway through the set, whatever it lets others do: a
  // holder that shares deleting still keeps a file from being renamed over, and the
  // earlier file's second name could then not go until it lets go. So the file is asked
  // for deleting with nothing shared, which any open handle refuses, before the first
  // rename: the earlier set stays whole and nothing is made beside it. A virus scanner
  // that has just opened the file lets it go in a moment.
  for (int tentativo = 1;; ++tentativo) {
    const HANDLE h = CreateFileW(esteso(destinazione).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return;
    }
    const DWORD numero = GetLastError();
    if (numero == ERROR_FILE_NOT_FOUND || numero == ERROR_PATH_NOT_FOUND) return;
    if (numero != ERROR_SHARING_VIOLATION || tentativo == 20) throw errore_file(destinazione, motivo_di(numero, destinazione));
    Sleep(50);
  }
}

void sostituisci_nome(const fs::path& da, const fs::path& a) {
  // A rename within one folder: the name holds the earlier file or the new one, whole.
  // A virus scanner that has just opened the new file holds the rename back for a moment.
  for (int tentativo = 1;; ++tentativo) {
    if (MoveFileExW(esteso(da).c_str(), esteso(a).c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    const DWORD numero = GetLastError();
    if ((numero != ERROR_SHARING_VIOLATION && numero != ERROR_ACCESS_DENIED) || tentativo == 20) {
      throw errore_file(a, motivo_di(numero, a));
    }
    Sleep(50);
  }
}

// No exchange of two names on Windows: the earlier file is kept by a second name instead.
bool scambia_nomi(const fs::path&, const fs::path&) { return false; }

esito_collegamento collega(const fs::path& file, const fs::path& altro) {
  if (CreateHardLinkW(esteso(altro).c_str(), esteso(file).c_str(), nullptr)) return esito_collegamento::fatto;
  switch (GetLastError()) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return esito_collegamento::nome_occupato;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return esito_collegamento::nessun_file;
    default: return esito_collegamento::impossibile;  // FAT and exFAT have no second names
  }
}

std::optional<std::string> elimina(const fs::path& file) {
  if (DeleteFileW(esteso(file).c_str())) return std::nullopt;
  const DWORD numero = GetLastError();
  if (numero == ERROR_FILE_NOT_FOUND || numero == ERROR_PATH_NOT_FOUND) return std::nullopt;
  return motivo_di(numero, file);
}

// ---- Watching the texts ------------------------------------------------------------------

// Each folder is read for changes with an overlapped ReadDirectoryChangesW; the end of
// the watch is an event the console's handler sets. One wait covers them all.
struct osservatore::stato {
  struct cartella_osservata {
    fs::path cartella;
    std::vector<std::wstring> nomi;  // the texts in it
    HANDLE maniglia = INVALID_HANDLE_VALUE;
    HANDLE evento = nullptr;
    OVERLAPPED sovrapposto{};
    alignas(DWORD) unsigned char zona[16 * 1024];
  };
  HANDLE fine = nullptr;
  std::vector<std::unique_ptr<cartella_osservata>> cartelle;

  ~stato() {
    fine_osservazione = nullptr;
    for (auto& c : cartelle) {
      if (c->maniglia != INVALID_HANDLE_VALUE) {
        CancelIoEx(c->maniglia, &c->sovrapposto);
        DWORD ignorato = 0;
        GetOverlappedResult(c->maniglia, &c->sovrapposto, &ignorato, TRUE);
        CloseHandle(c->maniglia);
      }
      if (c->evento != nullptr) CloseHandle(c->evento);
    }
    if (fine != nullptr) CloseHandle(fine);
  }

  void leggi_ancora(cartella_osservata& c) {
    ResetEvent(c.evento);
    c.sovrapposto = OVERLAPPED{};
    c.sovrapposto.hEvent = c.evento;
    if (!ReadDirectoryChangesW(c.maniglia, c.zona, sizeof c.zona, FALSE,
                               FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE,
                               nullptr, &c.sovrapposto, nullptr)) {
      throw errore_file(c.cartella, motivo_ultimo());
    }
  }

  void guarda(const std::string& testo_file) {
    const fs::path file = percorso(testo_file);
    const fs::path cartella = file.has_parent_path() ? file.parent_path() : fs::path(L".");
    const std::wstring nome = file.filename().wstring();
    std::error_code ec;
    for (auto& c : cartelle) {
      if (fs::equivalent(c->cartella, cartella, ec)) {
        c->nomi.push_back(nome);
        return;
      }
    }
    auto c = std::make_unique<cartella_osservata>();
    c->cartella = cartella;
    c->nomi.push_back(nome);
    c->maniglia = CreateFileW(esteso(cartella).c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (c->maniglia == INVALID_HANDLE_VALUE) throw errore_file(cartella, motivo_ultimo());
    c->evento = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (c->evento == nullptr) throw errore_file(cartella, motivo_ultimo());
    leggi_ancora(*c);
    cartelle.push_back(std::move(c));
  }

  // The changes one folder reported: true when one names a text (or they overflowed the
  // buffer, which may have hidden one).
  bool leggi(cartella_osservata& c) {
    DWORD byte = 0;
    if (!GetOverlappedResult(c.maniglia, &c.sovrapposto, &byte, FALSE)) {
      throw errore_file(c.cartella, traduci("file.non_osservabile") + ": " + motivo_ultimo());
    }
    bool cambiato = byte == 0;
    for (size_t i = 0; i + sizeof(FILE_NOTIFY_INFORMATION) <= byte;) {
      FILE_NOTIFY_INFORMATION voce;
      std::memcpy(&voce, c.zona + i, sizeof voce);
      const size_t da = i + offsetof(FILE_NOTIFY_INFORMATION, FileName);
      const size_t lunghezza = std::min<size_t>(voce.FileNameLength, byte - std::min<size_t>(da, byte));
      std::wstring nome(lunghezza / sizeof(wchar_t), L'\0');
      std::memcpy(nome.data(), c.zona + da, nome.size() * sizeof(wchar_t));
      if (voce.Action != FILE_ACTION_REMOVED && voce.Action != FILE_ACTION_RENAMED_OLD_NAME) {
        for (const std::wstring& atteso : c.nomi) {
          // Names on Windows are the same whatever their case.
          if (CompareStringOrdinal(nome.c_str(), static_cast<int>(nome.size()), atteso.c_str(),
                                   static_cast<int>(atteso.size()), TRUE) == CSTR_EQUAL) {
            cambiato = true;
          }
        }
      }
      if (voce.NextEntryOffset == 0) break;
      i += voce.NextEntryOffset;
    }
    leggi_ancora(c);
    return cambiato;
  }
};

osservatore::osservatore(const std::vector<std::string>& file) : stato_(std::make_unique<stato>()) {
  stato_->fine = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stato_->fine == nullptr) throw std::runtime_error(motivo_ultimo());
  for (const std::string& f : file) stato_->guarda(f);
  fine_osservazione = stato_->fine;
}

osservatore::~osservatore() = default;

osservatore::evento osservatore::attendi(std::optional<std::chrono::milliseconds> limite) {
  std::vector<HANDLE> attesi = {stato_->fine};
  for (auto& c : stato_->cartelle) attesi.push_back(c->evento);
  const DWORD attesa = limite ? static_cast<DWORD>(std::max<int64_t>(0, limite->count())) : INFINITE;
  const DWORD esito = WaitForMultipleObjects(static_cast<DWORD>(attesi.size()), attesi.data(), FALSE, attesa);
  if (esito == WAIT_TIMEOUT) return evento::scaduto;
  if (esito == WAIT_FAILED) throw std::runtime_error(motivo_ultimo());
  if (WaitForSingleObject(stato_->fine, 0) == WAIT_OBJECT_0) return evento::fine;
  bool cambiato = false;
  for (auto& c : stato_->cartelle) {
    if (WaitForSingleObject(c->evento, 0) == WAIT_OBJECT_0 && stato_->leggi(*c)) cambiato = true;
  }
  return cambiato ? evento::salvataggio : evento::scaduto;
}

}  // namespace sistema

// ---- The test hook (tappe_prova.h) -------------------------------------------------------

namespace {

// Two inherited pipe ends, named in COMPILA_SCENARIO_TAPPE as "WRITE,READ": the points
// go out on the first, the test's leave to go on comes back on the second. Null when no
// test listens, or once it has closed its ends.
struct canale_tappe {
  HANDLE scrive = nullptr;
  HANDLE legge = nullptr;
};

canale_tappe& canale() {
  static canale_tappe c = [] {
    canale_tappe t;
    const char* valore = std::getenv("COMPILA_SCENARIO_TAPPE");
    unsigned long long scrive = 0, legge = 0;
    if (valore != nullptr && std::sscanf(valore, "%llu,%llu", &scrive, &legge) == 2) {
      t.scrive = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(scrive));
      t.legge = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(legge));
    }
    return t;
  }();
  return c;
}

}  // namespace

bool tappe_di_prova() { return canale().scrive != nullptr; }

void tappa_di_prova(const char* nome) {
  canale_tappe& c = canale();
  if (c.scrive == nullptr) return;
  const std::string riga = std::string(nome) + "\n";
  DWORD fatti = 0;
  char risposta = 0;
  if (!WriteFile(c.scrive, riga.data(), static_cast<DWORD>(riga.size()), &fatti, nullptr) || fatti != riga.size() ||
      !ReadFile(c.legge, &risposta, 1, &fatti, nullptr) || fatti != 1) {
    c = canale_tappe{};
  }
}

}  // namespace scenario
