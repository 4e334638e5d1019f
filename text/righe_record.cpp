#include "text/righe_record.h"

#include <cstring>

namespace scenario {

namespace {

std::string_view taglia(std::string_view s, elemento e) { return s.substr(e.da, e.a - e.da); }

std::string minuscolo(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return r;
}

}  // namespace

std::optional<size_t> dopo_fine_riga(std::string_view testo, size_t da) {
  if (da >= testo.size()) return std::nullopt;
  const char* const p = testo.data() + da;
  const size_t resto = testo.size() - da;
  const auto* lf = static_cast<const char*>(std::memchr(p, '\n', resto));
  const size_t fino_a_lf = lf != nullptr ? static_cast<size_t>(lf - p) : resto;
  const auto* cr = static_cast<const char*>(std::memchr(p, '\r', fino_a_lf));
  if (cr != nullptr) {
    const size_t i = da + static_cast<size_t>(cr - p);
    return i + 1 < testo.size() && testo[i + 1] == '\n' ? i + 2 : i + 1;
  }
  if (lf == nullptr) return std::nullopt;
  return da + fino_a_lf + 1;
}

std::vector<size_t> inizi_righe(std::string_view testo) {
  std::vector<size_t> inizi = {0};
  for (auto i = dopo_fine_riga(testo, 0); i; i = dopo_fine_riga(testo, *i)) inizi.push_back(*i);
  return inizi;
}

std::string_view riga_di(std::string_view testo, const std::vector<size_t>& inizi, int64_t riga) {
  if (riga < 0 || static_cast<size_t>(riga) >= inizi.size()) return {};
  const size_t da = inizi[static_cast<size_t>(riga)];
  size_t a = static_cast<size_t>(riga) + 1 < inizi.size() ? inizi[static_cast<size_t>(riga) + 1] : testo.size();
  while (a > da && (testo[a - 1] == '\n' || testo[a - 1] == '\r')) --a;
  return testo.substr(da, a - da);
}

elemento senza_spazi_attorno(std::string_view riga, size_t da, size_t a) {
  while (da < a && (riga[da] == ' ' || riga[da] == '\t')) ++da;
  while (a > da && (riga[a - 1] == ' ' || riga[a - 1] == '\t')) --a;
  return {da, a};
}

std::optional<std::string> intestazione_di(std::string_view riga) {
  const elemento e = senza_spazi_attorno(riga, 0, riga.size());
  const std::string_view t = taglia(riga, e);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const size_t chiusa = t.find(']');
  if (chiusa == std::string_view::npos) return std::nullopt;
  return minuscolo(t.substr(0, chiusa + 1));
}

formato::ambito ambito_della_sezione(formato::testo t, std::string_view sezione) {
  return t == formato::testo::linea && sezione == "[generale]" ? formato::ambito::generale : formato::ambito::corpo;
}

const formato::record* record_della_sezione(std::string_view riga, formato::testo t, std::string_view sezione) {
  const auto elementi = elementi_riga(riga, nullptr);
  const std::string_view parola = taglia(riga, elementi.front());
  if (parola.empty() || intestazione_di(riga)) return nullptr;
  for (const formato::record& r : formato::records(t, ambito_della_sezione(t, sezione))) {
    if (formato::riconosce(r, parola)) return &r;
  }
  return nullptr;
}

std::vector<elemento> elementi_riga(std::string_view riga, const formato::record* r) {
  // The item from which the rest of the line is one text value, if the record has one.
  size_t testo_da = SIZE_MAX;
  if (r != nullptr) {
    for (size_t i = 0; i < r->campi.size(); ++i) {
      if (r->campi[i].letto == formato::lettura::testo) testo_da = i + 1;
    }
  }
  std::vector<elemento> elementi;
  size_t da = 0;
  while (true) {
    const size_t virgola = elementi.size() >= testo_da ? std::string_view::npos : riga.find(',', da);
    const size_t a = virgola == std::string_view::npos ? riga.size() : virgola;
    const elemento e = senza_spazi_attorno(riga, da, a);
    if (r != nullptr && elementi.size() == r->campi.size() && r->campi.back().letto != formato::lettura::testo) {
      // The number ends at a blank; the rest of the line, commas and all, is not read.
      const size_t spazio = riga.substr(0, e.a).find_first_of(" \t", e.da);
      if (spazio != std::string_view::npos) {
        elementi.push_back({e.da, spazio});
        break;
      }
    }
    elementi.push_back(e);
    if (virgola == std::string_view::npos) break;
    da = virgola + 1;
  }
  return elementi;
}

elemento nota_dopo_valori(std::string_view riga, const std::vector<elemento>& elementi) {
  return senza_spazi_attorno(riga, elementi.back().a, riga.size());
}

std::vector<riga_letta> righe_lette(std::string_view testo, const std::vector<size_t>& inizi, formato::testo t) {
  std::vector<riga_letta> esito(inizi.size());
  std::string sezione;
  int64_t riga_sezione = -1;
  for (size_t n = 0; n < inizi.size(); ++n) {
    const std::string_view linea = riga_di(testo, inizi, static_cast<int64_t>(n));
    if (auto s = intestazione_di(linea)) {
      sezione = *s;
      riga_sezione = static_cast<int64_t>(n);
    }
    esito[n] = {riga_sezione, record_della_sezione(linea, t, sezione)};
  }
  return esito;
}

}  // namespace scenario
