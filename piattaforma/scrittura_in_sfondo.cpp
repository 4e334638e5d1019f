#include "piattaforma/scrittura_in_sfondo.h"

#include "piattaforma/segnali.h"

namespace scenario {

namespace {

// What stops the writer once the writing is abandoned.
struct abbandono {};

}  // namespace

void scrittura_in_sfondo::coda::scrivi(std::string_view byte) {
  attendi_scritture(0);
  file_.scrivi(byte);
}

void scrittura_in_sfondo::coda::scrivi_a(uint64_t posizione, std::string_view byte) {
  attendi_scritture(0);
  file_.scrivi_a(posizione, byte);
}

void scrittura_in_sfondo::coda::riserva(uint64_t byte) {
  attendi_scritture(0);
  file_.riserva(byte);
}

void scrittura_in_sfondo::coda::scrivi_a_poi(uint64_t posizione, std::string_view byte) {
  const std::lock_guard<std::mutex> chiave(mutex_);
  if (abbandonata_) throw abbandono{};
  if (guasto_) std::rethrow_exception(guasto_);
  attesa_.push_back({posizione, byte});
  cambiato_.notify_all();
}

void scrittura_in_sfondo::coda::attendi_scritture(size_t al_piu) {
  std::unique_lock<std::mutex> chiave(mutex_);
  cambiato_.wait(chiave, [&] { return attesa_.size() + (in_scrittura_ ? 1 : 0) <= al_piu; });
  if (abbandonata_) throw abbandono{};
  if (guasto_) std::rethrow_exception(guasto_);
}

void scrittura_in_sfondo::coda::scrivi_in_ordine() {
  std::unique_lock<std::mutex> chiave(mutex_);
  for (;;) {
    cambiato_.wait(chiave, [&] { return !attesa_.empty() || chiusa_; });
    if (attesa_.empty()) return;
    const pezzo p = attesa_.front();
    attesa_.pop_front();
    in_scrittura_ = true;
    chiave.unlock();
    std::exception_ptr guasto;
    try {
      file_.scrivi_a(p.posizione, p.byte);
    } catch (...) {
      guasto = std::current_exception();
    }
    chiave.lock();
    in_scrittura_ = false;
    // After a failure nothing more is written: the file is lost anyway.
    if (guasto) {
      guasto_ = guasto;
      attesa_.clear();
    }
    cambiato_.notify_all();
  }
}

void scrittura_in_sfondo::coda::chiudi(bool abbandona) {
  const std::lock_guard<std::mutex> chiave(mutex_);
  chiusa_ = true;
  if (abbandona) {
    abbandonata_ = true;
    attesa_.clear();
  }
  cambiato_.notify_all();
}

scrittura_in_sfondo::scrittura_in_sfondo(destinazione_byte& file, std::function<void(destinazione_byte&)> scrivi)
    : coda_(file) {
  // Both threads begin, and stay, with the interrupts held back.
  const segnali_sospesi sospesi;
  scrittore_ = std::thread([this] { coda_.scrivi_in_ordine(); });
  try {
    autore_ = std::thread([this, scrivi = std::move(scrivi)] {
      try {
        scrivi(coda_);
        coda_.attendi_scritture(0);
      } catch (...) {
        guasto_ = std::current_exception();
      }
    });
  } catch (...) {
    coda_.chiudi(true);
    scrittore_.join();
    throw;
  }
}

scrittura_in_sfondo::~scrittura_in_sfondo() {
  coda_.chiudi(true);
  if (autore_.joinable()) autore_.join();
  if (scrittore_.joinable()) scrittore_.join();
}

void scrittura_in_sfondo::attendi() {
  if (autore_.joinable()) autore_.join();
  coda_.chiudi(false);
  if (scrittore_.joinable()) scrittore_.join();
  if (!guasto_) return;
  const std::exception_ptr guasto = guasto_;
  guasto_ = nullptr;
  std::rethrow_exception(guasto);
}

}  // namespace scenario
