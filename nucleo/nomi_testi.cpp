#include "nucleo/nomi_testi.h"

#include <algorithm>

namespace scenario {

namespace {

// Whether `nome` ends with `coda`, as the system compares names (on Windows
// "Val_Linea.TXT" is the same file as "Val_linea.txt").
bool finisce_con(std::string_view nome, std::string_view coda, stesso_nome_file stesso) {
  return nome.size() >= coda.size() && stesso(nome.substr(nome.size() - coda.size()), coda);
}

// A name that Windows opens as a device, whatever follows its first dot.
bool nome_di_dispositivo(std::string_view id) {
  std::string radice(id.substr(0, id.find('.')));
  while (!radice.empty() && radice.back() == ' ') radice.pop_back();
  for (char& c : radice) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  for (const char* nome : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (radice == nome) return true;
  }
  // COM and LPT with a digit, superscript ones too (UTF-8 of ¹ ² ³).
  if (radice.size() < 4 || (radice.compare(0, 3, "COM") != 0 && radice.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view numero = std::string_view(radice).substr(3);
  return (numero.size() == 1 && numero[0] >= '0' && numero[0] <= '9') || numero == "\xc2\xb9" ||
         numero == "\xc2\xb2" || numero == "\xc2\xb3";
}

}  // namespace

std::string nome_geometria(const std::string& linea) { return linea + "_linea.dat"; }
std::string nome_tabella(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + ".sim";
}
std::string nome_percorso(const std::string& linea, const std::string& treno) {
  return linea + "_" + treno + ".dat";
}

bool stessi_byte(std::string_view a, std::string_view b) { return a == b; }

std::string linea_del_nome(std::string_view nome, stesso_nome_file stesso) {
  constexpr std::string_view coda = "_linea.txt";
  if (nome.size() <= coda.size() || !finisce_con(nome, coda, stesso)) return "";
  return std::string(nome.substr(0, nome.size() - coda.size()));
}

std::string treno_del_nome(std::string_view nome, std::string_view linea, stesso_nome_file stesso) {
  const std::string testa = std::string(linea) + "_";
  constexpr std::string_view coda = "-.txt";
  if (linea.empty() || nome.size() <= testa.size() + coda.size()) return "";
  if (!stesso(nome.substr(0, testa.size()), testa) || !finisce_con(nome, coda, stesso)) return "";
  return std::string(nome.substr(testa.size(), nome.size() - testa.size() - coda.size()));
}

partner_testo partner_del_nome(const std::string& nome, const std::vector<std::string>& nomi, stesso_nome_file stesso) {
  partner_testo p;
  if (const std::string linea = linea_del_nome(nome, stesso); !linea.empty()) {
    std::vector<std::string> treni;
    for (const std::string& n : nomi) {
      if (!treno_del_nome(n, linea, stesso).empty()) treni.push_back(n);
    }
    std::sort(treni.begin(), treni.end());
    if (treni.size() == 1) {
      p.nome = treni[0];
    } else if (treni.empty()) {
      p.errore = frase("uso.manca_treno", {{"testo", nome}, {"forma", linea + "_TRENO-.txt"}});
    } else {
      std::string elenco;
      for (const std::string& t : treni) elenco += (elenco.empty() ? "" : ", ") + t;
      p.errore = frase("uso.piu_treni", {{"testo", nome}, {"treni", elenco}});
    }
    return p;
  }
  std::string trovata;
  for (const std::string& n : nomi) {
    const std::string linea = linea_del_nome(n, stesso);
    if (!linea.empty() && !treno_del_nome(nome, linea, stesso).empty() &&
        linea.size() > linea_del_nome(trovata, stesso).size()) {
      trovata = n;
    }
  }
  if (trovata.empty()) {
    const size_t trattino = nome.rfind('_');
    const std::string forma = (trattino == std::string::npos ? std::string("LINEA") : nome.substr(0, trattino)) + "_linea.txt";
    p.errore = frase("uso.manca_linea", {{"testo", nome}, {"forma", forma}});
    return p;
  }
  p.nome = trovata;
  p.linea = true;
  return p;
}

std::optional<messaggio> identificativo_errato(std::string_view id, identificativo cosa) {
  const messaggio di = frase(cosa == identificativo::linea ? dal_catalogo("identificativo.linea")
                                                           : dal_catalogo("identificativo.treno"));
  if (id.empty()) return frase("identificativo.vuoto", {{"cosa", di}});
  // Not echoed: a control character would act on the terminal.
  for (const char c : id) {
    if (static_cast<unsigned char>(c) < 0x20) return frase("identificativo.controllo", {{"cosa", di}});
  }
  const auto errato = [&](const char* perche, std::vector<argomento> altri = {}) {
    altri.insert(altri.begin(), {{"cosa", di}, {"id", std::string(id)}});
    return frase(perche, std::move(altri));
  };
  for (const char c : id) {
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      return errato(dal_catalogo("identificativo.carattere"), {{"carattere", std::string(1, c)}});
    }
  }
  if (id.back() == '.' || id.back() == ' ') return errato(dal_catalogo("identificativo.punto_finale"));
  if (nome_di_dispositivo(id)) return errato(dal_catalogo("identificativo.dispositivo"));
  return std::nullopt;
}

}  // namespace scenario
