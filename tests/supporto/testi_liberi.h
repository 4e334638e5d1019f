// Test support: description texts drawn as loosely as the reading accepts them. Keywords
// in any case and spacing, values separated by commas with blanks or tabs, a clock's
// numbers by blanks alone, notes and minus-sign lines between the records, blank lines,
// sections in any order, records over two lines, LF or CR LF, ISO 8859-1 or UTF-8 with
// accented names, objects in the run-on past the line's end, every record kind. Every
// record is one the compiled set holds as written, unless an overwrite is asked for: then
// exactly one is put in, and the record it must be reported at is given.
#pragma once

#include <cstdint>
#include <string>

namespace scenario::prova {

// The overwrite put into drawn texts.
enum class sovrascrittura {
  nessuna,
  sotto_fermata,  // an object on a cell that a station's stop point, read after it, takes
  preavviso,      // a signal whose approach codes a station read after it replaces
  montagna,       // a mountain-side stretch over part of an earlier one
  curva,          // a curve starting inside the curve before it
  generale,       // a general record written twice with another value
  progressiva,    // two kilometre numberings sharing the furthest start: all three cleared
};

struct testi_generati {
  std::string linea;  // LINEA_linea.txt
  std::string treno;  // LINEA_TRENO-.txt
  // Where the overwrite must be reported: the text and the line of the record that loses.
  bool in_linea = false;
  int riga = 0;
  // Whether any record was written over two lines (a warning of its own).
  bool su_due_righe = false;
  // Loose texts only: whether they keep to what author mode takes as written.
  bool per_autore = true;
};

// The texts for `seme`, the same on every machine. With `s` other than `nessuna`, the
// overwrite is put in when the drawn scenario has room for it (`riga` 0 when it has not).
testi_generati testi_liberi(uint64_t seme, sovrascrittura s = sovrascrittura::nessuna);

// Texts as loose as the reading goes, some of which only the reading of old takes (the
// same seed draws the same texts everywhere): besides all of the above, every spelling of
// every keyword that the reading recognises, the values of every field over their whole
// range, profiles written at one place many times, out of order and up to the last cells
// a record reaches, mountain-side stretches of every type overlapping, touching, out of
// order and backwards, curves overlapping and out of order, objects packed cell by cell,
// over a stop point and from the line's origin to the end of the run-on, the three
// kilometre numberings in every arrangement the ordering knows, general records written
// twice, Windows-1252 and UTF-8 texts with a byte-order mark. Such texts may fail to
// compile (two objects drawn onto one cell); those that compile are the sets the
// compiler writes.
testi_generati testi_sciolti(uint64_t seme);

}  // namespace scenario::prova
