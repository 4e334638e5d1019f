// The item reader of the description texts. A text held in memory is walked as a stream
// of comma-separated items; what kind of item comes next (a text
// or a number of a given width) is decided by the caller.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/modello.h"

namespace scenario {

// A reading failure: a text that cannot be opened, an item read past the end, a number
// that is malformed or too large for its field. The reading stage turns it into error 25.
class guasto_lettura : public std::runtime_error {
 public:
  guasto_lettura(const std::string& motivo, luogo_testo luogo)
      : std::runtime_error(motivo), luogo_(std::move(luogo)) {}
  const luogo_testo& luogo() const { return luogo_; }

 private:
  luogo_testo luogo_;
};

// Longest text stored in the table: a text field of a compiled file carries a 16-bit
// length. Items that are only passed over (an author's notes) have no limit.
inline constexpr size_t LUNGHEZZA_MASSIMA_TESTO = 65535;

// How the last item read came to its end.
enum class chiusura_elemento { virgola, fine_riga, fine_testo, altro };

class lettore_testo {
 public:
  // Reads from `contenuto`, which must outlive the reading; `etichetta` is the name of
  // the text in reports.
  void apri(std::string_view contenuto, const std::string& etichetta);
  void chiudi();
  bool aperto() const { return aperto_; }

  // True when no character of the open text remains.
  bool fine_file() const { return posizione_ >= contenuto_.size(); }
  // How many bytes of the open text have been read.
  size_t letti() const { return posizione_; }

  // A text item: blanks skipped, then every character up to the next comma or line end.
  std::string leggi_testo();
  // A text item that goes into the table (a station name, a board text): longer than a
  // table text can be, it is a reading failure naming `cosa`.
  std::string leggi_testo_memorizzato(const char* cosa);
  // A number item into a field of 32-bit signed, 16-bit signed or 8-bit unsigned width.
  int32_t leggi_numero32();
  int16_t leggi_numero16();
  uint8_t leggi_numero8();

  // After a record that failed: the reading goes on from the start of the line after
  // line `riga`, the one that holds byte `byte` (the record's keyword), wherever the
  // record's values had taken it.
  void riprendi_dalla_riga_dopo(size_t byte, int32_t riga);
  // Where the last item began: its first byte.
  size_t inizio_elemento() const { return inizio_elemento_; }

  // Where the last item read began (file, 1-based line and column) and, once it has been
  // read, where it ends.
  const luogo_testo& luogo_elemento() const { return luogo_elemento_; }
  // Where the next item will begin to be read, and where it begins once its blanks are
  // passed over.
  luogo_testo luogo_corrente() const;
  luogo_testo luogo_dopo_spazi() const;
  // True when only blanks stand before the last item read on its line.
  bool elemento_a_inizio_riga() const { return a_inizio_riga_; }
  // How the last item read ended: at a comma, a line end or the end of the text.
  chiusura_elemento chiusura() const { return chiusura_; }
  // True when the next item, on the same line, begins like a number (a digit, or a minus
  // sign and a digit).
  bool segue_numero() const;
  // How many items the rest of the current line holds (0 when only blanks remain).
  size_t elementi_restanti_nella_riga() const;

 private:
  int64_t leggi_numero(int64_t minimo, int64_t massimo, const char* campo);
  void richiedi_carattere();
  void salta_spazi();
  void avanza_nella_riga(bool anche_spazi);
  bool a_fine_riga() const;
  void consuma_fine_riga();
  void chiudi_elemento();
  void avanza();

  std::string_view contenuto_;
  std::string etichetta_;
  size_t posizione_ = 0;
  int32_t riga_ = 1;
  int32_t colonna_ = 1;
  bool aperto_ = false;
  bool solo_spazi_ = true;  // nothing but blanks so far on the current line
  bool a_inizio_riga_ = false;
  chiusura_elemento chiusura_ = chiusura_elemento::altro;
  luogo_testo luogo_elemento_;
  void inizia_elemento();
  void segna_fine_elemento();
  size_t inizio_elemento_ = 0;
};

// True when `riga` contains `parola`, letters compared without regard to case.
bool contiene(std::string_view riga, std::string_view parola);
// True when `riga` contains `parola`, character codes compared exactly.
bool contiene_esatto(std::string_view riga, std::string_view parola);

}  // namespace scenario
