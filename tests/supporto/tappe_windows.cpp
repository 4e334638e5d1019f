// The Windows half of the test's end of the program's test hook: two anonymous pipes,
// whose program ends the child inherits and finds named in its environment.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "tests/supporto/tappe.h"

namespace scenario::prova {

namespace {

void chiudi(void*& h) {
  if (h != nullptr) CloseHandle(h);
  h = nullptr;
}

// A pipe whose one end (`ereditata`) the child inherits and the other stays here.
void tubo(void*& lettura, void*& scrittura, bool eredita_la_lettura) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE l = nullptr, s = nullptr;
  if (!CreatePipe(&l, &s, &sa, 0)) throw std::runtime_error("CreatePipe");
  SetHandleInformation(eredita_la_lettura ? s : l, HANDLE_FLAG_INHERIT, 0);
  lettura = l;
  scrittura = s;
}

}  // namespace

tappe::tappe() {
  tubo(dal_programma_, programma_scrive_, false);
  tubo(programma_legge_, al_programma_, true);
}

tappe::~tappe() {
  lascia();
  avviato();
}

std::string tappe::variabile() const {
  return "COMPILA_SCENARIO_TAPPE=" + std::to_string(reinterpret_cast<uintptr_t>(programma_scrive_)) + "," +
         std::to_string(reinterpret_cast<uintptr_t>(programma_legge_));
}

void tappe::avviato() {
  chiudi(programma_scrive_);
  chiudi(programma_legge_);
}

std::string tappe::prossima() {
  std::string riga;
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (dal_programma_ != nullptr) {
    DWORD pronti = 0;
    // A closed pipe (the program has ended) fails here.
    if (!PeekNamedPipe(dal_programma_, nullptr, 0, nullptr, &pronti, nullptr)) return "";
    if (pronti == 0) {
      if (std::chrono::steady_clock::now() > limite) return "";
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    char c = 0;
    DWORD letti = 0;
    if (!ReadFile(dal_programma_, &c, 1, &letti, nullptr) || letti != 1) return "";
    if (c == '\n') return riga;
    riga += c;
  }
  return "";
}

void tappe::prosegui() {
  DWORD scritti = 0;
  if (al_programma_ != nullptr && (!WriteFile(al_programma_, "v", 1, &scritti, nullptr) || scritti != 1)) lascia();
}

void tappe::lascia() {
  chiudi(dal_programma_);
  chiudi(al_programma_);
}

}  // namespace scenario::prova
