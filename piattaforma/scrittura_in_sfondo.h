// A file made and written on threads of their own while the build goes on: one runs the
// writer given, which makes the file's bytes a piece at a time; a second writes each
// piece handed over (destinazione_byte::scrivi_a_poi) while the first makes the next.
// The threads never take an interrupt: it goes to the build's own thread, whose handler
// removes the file as any other temporary (segnali.h).
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "output/file_compilati.h"

namespace scenario {

class scrittura_in_sfondo {
 public:
  // Starts `scrivi(d)` for `file`, which must outlive this value. Throws std::system_error
  // when no thread can be started, and nothing has begun.
  scrittura_in_sfondo(destinazione_byte& file, std::function<void(destinazione_byte&)> scrivi);
  // Abandons a writing not waited for: no further piece is written, and the threads end
  // before the value goes.
  ~scrittura_in_sfondo();
  scrittura_in_sfondo(const scrittura_in_sfondo&) = delete;
  scrittura_in_sfondo& operator=(const scrittura_in_sfondo&) = delete;

  // Waits until the whole file is written; throws what failed (once: the next call returns).
  void attendi();

 private:
  // The pieces handed over, in order, and their writing.
  class coda : public destinazione_byte {
   public:
    explicit coda(destinazione_byte& file) : file_(file) {}
    void scrivi(std::string_view byte) override;
    void scrivi_a(uint64_t posizione, std::string_view byte) override;
    void scrivi_a_poi(uint64_t posizione, std::string_view byte) override;
    void riserva(uint64_t byte) override;
    void attendi_scritture(size_t al_piu) override;
    bool scrive_dopo() const override { return true; }
    // The second thread's work, until `chiudi`.
    void scrivi_in_ordine();
    // No piece more: with `abbandona`, not even those waiting.
    void chiudi(bool abbandona);

   private:
    struct pezzo {
      uint64_t posizione;
      std::string_view byte;
    };
    destinazione_byte& file_;
    std::mutex mutex_;
    std::condition_variable cambiato_;
    std::deque<pezzo> attesa_;
    bool in_scrittura_ = false;
    bool chiusa_ = false;
    bool abbandonata_ = false;
    std::exception_ptr guasto_;
  };

  coda coda_;
  std::exception_ptr guasto_;
  std::thread scrittore_;
  std::thread autore_;
};

}  // namespace scenario
