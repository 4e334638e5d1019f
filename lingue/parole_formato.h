// The format's description in the author's language: what each record, value and
// section means and where the compiled files keep a value, as the catalogue words them.
// The description (model/formato.h) says which records and values there are; hover,
// completion, signature help and the reference show these words for them.
#pragma once

#include <string>

#include "model/formato.h"
#include "model/messaggio.h"

namespace scenario {

// "formato.<parola>": what a record is ("un segnale").
messaggio significato_record(const formato::record& r);
// "formato.<parola>.<campo>": what the value means.
messaggio significato_campo(const formato::record& r, const formato::campo& c);
// "formato.<parola>.<campo>.memoria": where and how the compiled files keep it.
messaggio memoria_campo(const formato::record& r, const formato::campo& c);
// "formato.<parola>.<campo>.senso": what the values the field means are, and what the
// compiled files make of one outside them (for a field that says so: formato::con_senso).
messaggio senso_campo(const formato::record& r, const formato::campo& c);
// "formato.<linea|treno>.<sezione>": what a customary section holds.
messaggio significato_sezione(const formato::sezione& s);
// "oggetto.<parola>": what the record puts, as a message names it ("il segnale"); with
// `forma` ".di" or ".da", as a sentence joins it ("del segnale", "dal segnale").
messaggio oggetto_record(const formato::record& r, std::string_view forma = {});

}  // namespace scenario
