#include "lsp/testi.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "text/codifica.h"

namespace scenario::lsp {

namespace {

constexpr std::string_view FINE_INTESTAZIONI = "\r\n\r\n";
constexpr std::string_view LUNGHEZZA = "content-length";
// Headers are a line or two; more than this is not a client speaking the protocol.
constexpr size_t LIMITE_INTESTAZIONI = 8192;

bool uguale_senza_maiuscole(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if ((x >= 'A' && x <= 'Z' ? x + 32 : x) != (y >= 'A' && y <= 'Z' ? y + 32 : y)) return false;
  }
  return true;
}

std::string_view senza_spazi(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Where `cercata` (in lower case) first stands in `s`, letters in either case.
size_t trova_senza_maiuscole(std::string_view s, std::string_view cercata) {
  for (size_t i = 0; i + cercata.size() <= s.size(); ++i) {
    if (uguale_senza_maiuscole(s.substr(i, cercata.size()), cercata)) return i;
  }
  return std::string_view::npos;
}

// The value of Content-Length in a header block, or nothing when it is missing or not a
// decimal number.
std::optional<size_t> lunghezza_contenuto(std::string_view intestazioni) {
  std::optional<size_t> trovata;
  while (!intestazioni.empty()) {
    const size_t fine = intestazioni.find("\r\n");
    const std::string_view riga = intestazioni.substr(0, fine);
    intestazioni.remove_prefix(fine == std::string_view::npos ? intestazioni.size() : fine + 2);
    const size_t due_punti = riga.find(':');
    if (due_punti == std::string_view::npos) continue;
    if (!uguale_senza_maiuscole(senza_spazi(riga.substr(0, due_punti)), LUNGHEZZA)) continue;
    const std::string_view valore = senza_spazi(riga.substr(due_punti + 1));
    size_t n = 0;
    const auto [fine_numero, errore] = std::from_chars(valore.data(), valore.data() + valore.size(), n);
    if (errore != std::errc() || fine_numero != valore.data() + valore.size() || valore.empty()) {
      return std::nullopt;
    }
    trovata = n;
  }
  return trovata;
}

// Bytes of the UTF-8 character that starts with `primo` (1 for a stray byte).
size_t lunghezza_carattere(unsigned char primo) {
  if (primo >= 0xF0 && primo < 0xF8) return 4;
  if (primo >= 0xE0) return primo < 0xF0 ? 3 : 1;
  if (primo >= 0xC0) return 2;
  return 1;
}

// The units one UTF-8 character of `n` bytes takes.
int64_t unita_di(size_t n, unita u) {
  if (u == unita::utf8) return static_cast<int64_t>(n);
  return n == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
}

}  // namespace

void cornici::aggiungi(std::string_view byte) {
  if (scarta_) {
    const size_t presi = std::min(byte.size(), lunghezza_ - scartati_);
    scartati_ += presi;
    byte.remove_prefix(presi);
    // The refused body is behind us: what follows is the next message's header.
    if (scartati_ == lunghezza_) scarta_ = in_corpo_ = false;
  }
  if (inizio_ > 0 && inizio_ >= attesa_.size() / 2) {
    attesa_.erase(0, inizio_);
    inizio_ = 0;
  }
  attesa_.append(byte);
}

std::optional<cornici::evento> cornici::prossimo() {
  using T = evento::tipo;
  if (scarta_) return std::nullopt;
  if (cerca_intestazione_) {
    const std::string_view resto = std::string_view(attesa_).substr(inizio_);
    const size_t trovata = trova_senza_maiuscole(resto, LUNGHEZZA);
    if (trovata == std::string_view::npos) {
      // Only the start of the word may be here yet: the rest is passed over.
      inizio_ += resto.size() - std::min(resto.size(), LUNGHEZZA.size() - 1);
      return std::nullopt;
    }
    inizio_ += trovata;
    cerca_intestazione_ = false;
  }
  const std::string_view resto = std::string_view(attesa_).substr(inizio_);
  if (in_corpo_) {
    if (resto.size() < lunghezza_) return std::nullopt;
    evento e{T::messaggio, std::string(resto.substr(0, lunghezza_))};
    inizio_ += lunghezza_;
    in_corpo_ = false;
    return e;
  }
  const size_t fine = resto.find(FINE_INTESTAZIONI);
  if (fine == std::string_view::npos || fine > LIMITE_INTESTAZIONI) {
    if (fine == std::string_view::npos && resto.size() <= LIMITE_INTESTAZIONI) return std::nullopt;
    // Not a header: the next one is looked for after its first byte.
    ++inizio_;
    cerca_intestazione_ = true;
    return evento{T::intestazione_errata, {}, frase("lsp.intestazione_lunga", {{"byte", LIMITE_INTESTAZIONI}})};
  }
  const auto lunghezza = lunghezza_contenuto(resto.substr(0, fine));
  inizio_ += fine + FINE_INTESTAZIONI.size();
  if (!lunghezza) {
    cerca_intestazione_ = true;
    return evento{T::intestazione_errata, {}, frase("lsp.senza_lunghezza")};
  }
  lunghezza_ = *lunghezza;
  in_corpo_ = true;
  if (lunghezza_ <= LIMITE_MESSAGGIO) return prossimo();
  // Refused at its header: what of the body is already here is counted off now, the rest
  // as it arrives, and none of it is kept.
  const size_t presenti = attesa_.size() - inizio_;
  scartati_ = std::min(presenti, lunghezza_);
  attesa_.erase(0, inizio_ + scartati_);
  inizio_ = 0;
  scarta_ = scartati_ < lunghezza_;
  in_corpo_ = scarta_;
  return evento{T::rifiutato, {}, frase("lsp.messaggio_grande", {{"byte", lunghezza_}, {"limite", LIMITE_MESSAGGIO >> 20}})};
}

size_t byte_da_unita(std::string_view riga_utf8, int64_t quante, unita u) {
  size_t i = 0;
  int64_t contate = 0;
  while (i < riga_utf8.size() && contate < quante) {
    const size_t n = std::min(lunghezza_carattere(static_cast<unsigned char>(riga_utf8[i])), riga_utf8.size() - i);
    contate += unita_di(n, u);
    i += n;
  }
  return i;
}

int64_t unita_fino_a(std::string_view riga_utf8, size_t byte, unita u) {
  size_t i = 0;
  int64_t contate = 0;
  byte = std::min(byte, riga_utf8.size());
  while (i < byte) {
    const size_t n = std::min(lunghezza_carattere(static_cast<unsigned char>(riga_utf8[i])), riga_utf8.size() - i);
    contate += unita_di(n, u);
    i += n;
  }
  return contate;
}

size_t offset_di(std::string_view testo, const std::vector<size_t>& inizi, posizione p, unita u) {
  if (p.riga < 0) return 0;
  if (static_cast<size_t>(p.riga) >= inizi.size()) return testo.size();
  const std::string_view riga = riga_di(testo, inizi, p.riga);
  return inizi[static_cast<size_t>(p.riga)] + byte_da_unita(riga, p.carattere, u);
}

bool applica_modifica(std::string& testo, const intervallo& r, std::string_view nuovo, unita u) {
  // Only the lines of the change are looked for: a keystroke does not walk the whole text.
  righe_testo righe(testo);
  const auto offset = [&](const posizione& p) -> size_t {
    if (p.riga < 0) return 0;
    const auto inizio = righe.inizio(p.riga);
    if (!inizio) return testo.size();
    return *inizio + byte_da_unita(righe.riga(p.riga), p.carattere, u);
  };
  size_t da = offset(r.inizio);
  size_t a = offset(r.fine);
  if (a < da) std::swap(da, a);
  if (testo.size() - (a - da) + nuovo.size() > LIMITE_MESSAGGIO) return false;
  testo.replace(da, a - da, nuovo);
  return true;
}

std::string colonne_testo::riga_utf8(int64_t riga) {
  if (!utf8_) {
    const esame_codifica esame = esamina_codifica(byte_);
    utf8_ = esame.tipo == codifica::utf8;
    con_bom_ = esame.con_bom;
  }
  std::string_view r = righe_.riga(riga);
  // The reading does not read a byte-order mark: its first column follows it.
  if (riga == 0 && con_bom_) r.remove_prefix(std::min<size_t>(3, r.size()));
  return *utf8_ ? std::string(r) : latin1_in_utf8(r);
}

intervallo colonne_testo::intervallo_di(const luogo_testo& l, unita u) {
  const int64_t riga = l.riga > 0 ? l.riga - 1 : 0;
  const std::string linea = riga_utf8(riga);
  // The byte of the UTF-8 line where 1-based column `c` of the reading begins.
  const auto byte_di_colonna = [&](int32_t c) -> size_t {
    size_t i = 0;
    for (int32_t k = 1; k < c && i < linea.size(); ++k) {
      i += std::min(lunghezza_carattere(static_cast<unsigned char>(linea[i])), linea.size() - i);
    }
    return i;
  };
  if (l.riga <= 0 || l.colonna <= 0) {
    return {{riga, 0}, {riga, unita_fino_a(linea, linea.size(), u)}};
  }
  const size_t da = byte_di_colonna(l.colonna);
  size_t a = 0;
  if (l.fine > l.colonna) {
    a = byte_di_colonna(l.fine);
  } else {
    // The rest of the item: up to the next comma, without trailing blanks.
    a = linea.find(',', da);
    if (a == std::string::npos) a = linea.size();
    while (a > da && (linea[a - 1] == ' ' || linea[a - 1] == '\t')) --a;
    if (a == da) a = std::min(linea.size(), da + 1);
  }
  return {{riga, unita_fino_a(linea, da, u)}, {riga, unita_fino_a(linea, a, u)}};
}

namespace {

// The bytes of a URI's part, its escapes decoded.
std::string decodificato(std::string_view parte) {
  std::string r;
  for (size_t i = 0; i < parte.size(); ++i) {
    unsigned int v = 0;
    if (parte[i] == '%' && i + 2 < parte.size()) {
      const auto [fine, errore] = std::from_chars(parte.data() + i + 1, parte.data() + i + 3, v, 16);
      if (errore == std::errc() && fine == parte.data() + i + 3) {
        r.push_back(static_cast<char>(v));
        i += 2;
        continue;
      }
    }
    r.push_back(parte[i]);
  }
  return r;
}

bool lettera(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

std::string percorso_da_uri(std::string_view uri, forma_percorsi forma) {
  constexpr std::string_view schema = "file:";
  if (uri.size() < schema.size() || !uguale_senza_maiuscole(uri.substr(0, schema.size()), schema)) return "";
  uri.remove_prefix(schema.size());
  // file://host/path, or file:/path without a host.
  std::string ospite;
  if (uri.starts_with("//")) {
    uri.remove_prefix(2);
    const size_t barra = std::min(uri.find('/'), uri.size());
    ospite = decodificato(uri.substr(0, barra));
    uri.remove_prefix(barra);
    if (uguale_senza_maiuscole(ospite, "localhost")) ospite.clear();
  }
  if (!uri.starts_with("/")) return "";
  std::string p = decodificato(uri);
  if (forma == forma_percorsi::posix) return ospite.empty() ? p : "";
  std::replace(p.begin(), p.end(), '\\', '/');
  if (!ospite.empty()) return "//" + ospite + p;
  // "/c:/..." (or "/c|/..." of old): the drive, its letter in upper case.
  if (p.size() >= 3 && lettera(p[1]) && (p[2] == ':' || p[2] == '|') && (p.size() == 3 || p[3] == '/')) {
    p.erase(0, 1);
    p[0] = static_cast<char>(p[0] >= 'a' ? p[0] - 32 : p[0]);
    p[1] = ':';
  }
  return p;
}

std::string uri_da_percorso(std::string_view percorso, forma_percorsi forma) {
  static constexpr char cifre[] = "0123456789ABCDEF";
  std::string p(percorso);
  std::string u = "file://";
  if (forma == forma_percorsi::windows) {
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.starts_with("//")) {
      p.erase(0, 2);  // the share's host takes the URI's host place
    } else if (p.size() >= 2 && lettera(p[0]) && p[1] == ':') {
      u += "/" + p.substr(0, 2);
      p.erase(0, 2);
    }
  }
  for (const char c : p) {
    const auto b = static_cast<unsigned char>(c);
    const bool libero = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                        c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (libero) {
      u.push_back(c);
    } else {
      u.push_back('%');
      u.push_back(cifre[b >> 4]);
      u.push_back(cifre[b & 0xF]);
    }
  }
  return u;
}

}  // namespace scenario::lsp
