#include "lingue/parole_formato.h"

namespace scenario {

namespace {

// A keyword or a section as a part of an id: blanks and brackets left out.
std::string chiave(std::string_view parola) {
  std::string k;
  for (const char c : parola) {
    if (c == '[' || c == ']') continue;
    k.push_back(c == ' ' ? '_' : c);
  }
  return k;
}

// The ids of the description are made from its names, not written one by one in the
// sources: the catalogue's test checks each record's and each value's words instead.
messaggio dal_nome(std::string id) { return frase(std::move(id)); }

}  // namespace

messaggio significato_record(const formato::record& r) { return dal_nome("formato." + chiave(r.parola)); }

messaggio significato_campo(const formato::record& r, const formato::campo& c) {
  return dal_nome("formato." + chiave(r.parola) + "." + chiave(c.nome));
}

messaggio memoria_campo(const formato::record& r, const formato::campo& c) {
  return dal_nome("formato." + chiave(r.parola) + "." + chiave(c.nome) + ".memoria");
}

messaggio senso_campo(const formato::record& r, const formato::campo& c) {
  return dal_nome("formato." + chiave(r.parola) + "." + chiave(c.nome) + ".senso");
}

messaggio oggetto_record(const formato::record& r, std::string_view forma) {
  return dal_nome("oggetto." + chiave(r.parola) + std::string(forma));
}

messaggio significato_sezione(const formato::sezione& s) {
  return dal_nome(std::string("formato.") + (s.in == formato::testo::linea ? "linea." : "treno.") + chiave(s.nome));
}

}  // namespace scenario
