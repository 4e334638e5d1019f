// The Windows half of running the built program in the tests: CreateProcessW with standard
// output and error into files, the temporary folder in the environment (TMP and TEMP,
// which the system's temporary folder comes from), the test hook's pipes inherited and
// named there too, and Ctrl-Break for a signal.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>

#include <cwctype>
#include <string>

#include "tests/supporto/esecuzione_sfondo.h"

namespace scenario::prova {

namespace {

std::wstring largo(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// One argument as the C runtime's parser reads it back: quoted, with the backslashes
// before a quote doubled.
std::wstring tra_virgolette(const std::wstring& a) {
  std::wstring r = L"\"";
  size_t barre = 0;
  for (const wchar_t c : a) {
    if (c == L'\\') {
      ++barre;
      continue;
    }
    r.append(c == L'"' ? 2 * barre + 1 : barre, L'\\');
    barre = 0;
    r += c;
  }
  r.append(2 * barre, L'\\');
  return r + L"\"";
}

std::wstring nome_variabile(const std::wstring& voce) {
  std::wstring nome = voce.substr(0, voce.find(L'='));
  for (wchar_t& c : nome) c = static_cast<wchar_t>(std::towupper(c));
  return nome;
}

bool variabile_lingua(const std::wstring& voce) {
  const std::wstring nome = nome_variabile(voce);
  return nome == L"LANGUAGE" || nome == L"LC_ALL" || nome == L"LC_MESSAGES" || nome == L"LANG";
}

// The temporary folders and the language are the test's to give, not the tester's.
bool variabile_propria(const std::wstring& voce) {
  const std::wstring nome = nome_variabile(voce);
  return nome == L"TMP" || nome == L"TEMP" || nome == L"TMPDIR" || variabile_lingua(voce);
}

HANDLE ereditabile(const std::filesystem::path& file, DWORD accesso, DWORD creazione) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileW(file.c_str(), accesso, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, creazione,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

processo_sfondo::processo_sfondo(const std::string& eseguibile, const std::vector<std::string>& argomenti,
                                 const std::filesystem::path& corrente, const std::filesystem::path& tmpdir,
                                 tappe* punti, const std::vector<std::string>& variabili) {
  std::wstring riga = tra_virgolette(std::filesystem::path(eseguibile).wstring());
  for (const std::string& a : argomenti) riga += L" " + tra_virgolette(largo(a));
  std::wstring ambiente;
  for (const wchar_t* t : {L"TMP=", L"TEMP=", L"TMPDIR="}) ambiente += t + tmpdir.wstring() + L'\0';
  if (punti != nullptr) ambiente += largo(punti->variabile()) + L'\0';
  for (const std::string& v : variabili) ambiente += largo(v) + L'\0';
  // As the POSIX half leaves the language unset, so that the program speaks its own: here
  // "C", since with none set Windows' interface language (Wine's) would decide.
  bool lingua = false;
  for (const std::string& v : variabili) lingua = lingua || variabile_lingua(largo(v));
  if (!lingua) ambiente += std::wstring(L"LC_ALL=C") + L'\0';
  wchar_t* proprio = GetEnvironmentStringsW();
  for (const wchar_t* v = proprio; *v != L'\0'; v += wcslen(v) + 1) {
    if (!variabile_propria(v)) ambiente += std::wstring(v) + L'\0';
  }
  FreeEnvironmentStringsW(proprio);
  ambiente += L'\0';

  const HANDLE nulla = ereditabile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = ereditabile(appunti_ / "stdout", GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err = ereditabile(appunti_ / "stderr", GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW avvio{};
  avvio.cb = sizeof avvio;
  avvio.dwFlags = STARTF_USESTDHANDLES;
  avvio.hStdInput = nulla;
  avvio.hStdOutput = out;
  avvio.hStdError = err;
  PROCESS_INFORMATION processo{};
  // A group of its own, so that a Ctrl-Break reaches the program and not the tests. Under
  // Wine a start now and then fails for a moment on a busy machine: tried again a little
  // later, and when it never starts, why is where the test reads the program's errors.
  DWORD perche = 0;
  for (int prova = 0; prova < 3 && maniglia_ == nullptr; ++prova) {
    if (prova > 0) Sleep(200);
    if (CreateProcessW(nullptr, riga.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT | CREATE_NEW_PROCESS_GROUP, ambiente.data(),
                       corrente.wstring().c_str(), &avvio, &processo)) {
      CloseHandle(processo.hThread);
      maniglia_ = processo.hProcess;
      pid_ = static_cast<int>(processo.dwProcessId);
    } else {
      perche = GetLastError();
    }
  }
  if (maniglia_ == nullptr && err != INVALID_HANDLE_VALUE) {
    const std::string testo = "CreateProcessW: " + std::to_string(perche) + "\n";
    DWORD scritti = 0;
    WriteFile(err, testo.data(), static_cast<DWORD>(testo.size()), &scritti, nullptr);
  }
  if (punti != nullptr) punti->avviato();
  for (const HANDLE h : {nulla, out, err}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
}

processo_sfondo::~processo_sfondo() {
  if (maniglia_ == nullptr) return;
  TerminateProcess(maniglia_, 137);
  WaitForSingleObject(maniglia_, INFINITE);
  CloseHandle(maniglia_);
}

std::string processo_sfondo::uscita_grezza() const { return appunti_.esiste("stdout") ? appunti_.leggi("stdout") : ""; }

std::string processo_sfondo::errori_grezzi() const { return appunti_.esiste("stderr") ? appunti_.leggi("stderr") : ""; }

namespace {

// A person's text as the program writes it to a file (UTF-16 with its mark, CR LF) read
// back as UTF-8 with LF, as the POSIX programs write it; other bytes as they are.
std::string come_testo(const std::string& byte) {
  if (!byte.starts_with("\xFF\xFE") || byte.size() % 2 != 0) return byte;
  std::wstring largo((byte.size() - 2) / 2, L'\0');
  std::memcpy(largo.data(), byte.data() + 2, largo.size() * sizeof(wchar_t));
  const int n = WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, largo.data(), static_cast<int>(largo.size()), utf8.data(), n, nullptr, nullptr);
  std::string testo;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') continue;
    testo += utf8[i];
  }
  return testo;
}

}  // namespace

std::string processo_sfondo::uscita() const { return come_testo(uscita_grezza()); }

std::string processo_sfondo::errori() const { return come_testo(errori_grezzi()); }

// Every signal is the console's Ctrl-Break, the one event a process group can be sent.
void processo_sfondo::segnala(int) const {
  if (maniglia_ != nullptr) GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid_));
}

int processo_sfondo::attendi(std::chrono::milliseconds limite) {
  if (maniglia_ == nullptr) return -1;
  if (WaitForSingleObject(maniglia_, static_cast<DWORD>(limite.count())) != WAIT_OBJECT_0) return -1;
  DWORD stato = 0;
  GetExitCodeProcess(maniglia_, &stato);
  CloseHandle(maniglia_);
  maniglia_ = nullptr;
  return static_cast<int>(stato);
}

size_t occorrenze(const std::string& testo, const std::string& parte) {
  size_t n = 0;
  for (size_t i = testo.find(parte); i != std::string::npos; i = testo.find(parte, i + 1)) ++n;
  return n;
}

}  // namespace scenario::prova
