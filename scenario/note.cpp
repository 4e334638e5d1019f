// The scenario notes: a header with author, address, sequence number and date, eight
// paragraphs of remarks (lines broken at word boundaries, at most 97 characters, one
// paragraph ending at each full stop that closes a line) and the earlier scenarios.
// ISO 8859-1 text: the accented letters are the bytes 0xE0, 0xE8 and 0xF9.
#include "scenario/scrittura_testi.h"
#include "scenario/testi_incorporati.h"

namespace scenario {

std::vector<std::string> elenco_note() {
  return {
      // Header.
      "AUTORE: Gruppo scenari Castrea-Tovena",
      "INDIRIZZO EMAIL: scenari@example.org",
      "NUMERO PROGRESSIVO SCENARIO: 5",
      "DATA REALIZZAZIONE SCENARIO: 08.04.2001",
      "",
      "",
      // How close the line is to reality.
      "Il tracciato della linea, con le sue curve, i tratti in pendenza e la posizione dei segnali, \xE8",
      "stato ricostruito in modo molto vicino alla realt\xE0, ma non risulta del tutto esatto: alcune",
      "curve sono state semplificate e i valori delle pendenze sono stati arrotondati a quelli che il",
      "simulatore consente di rappresentare. Sono invece esatte, nei limiti di quello che il simulatore",
      "\xE8 in grado di mostrare, le posizioni delle stazioni e degli otto passaggi a livello della linea.",
      // Single track, shared with the main line up to the junction.
      "La linea \xE8 ricca di curve ed \xE8 a semplice binario. Il suo primo tratto, in uscita da Castrea, \xE8",
      "tuttavia in comune con la linea principale a doppio binario, dalla quale la nostra linea si",
      "dirama presso il bivio per Tovena: proprio in corrispondenza di questo bivio cambia la",
      "progressiva chilometrica, che riparte da capo dopo aver seguito fino a quel punto la",
      "numerazione della linea principale.",
      // Stations given a signal they lack in reality, and one kept after closing.
      "Due stazioni che nella realt\xE0 sono semplici fermate prive di segnale di partenza, cio\xE8 Castrea",
      "Sud e Cinquepiani, ne sono state dotate nello scenario, in modo che quel segnale possa svolgere",
      "la funzione di segnale di protezione per chi arriva. La stazione di Montaccone, che nella realt\xE0",
      "\xE8 stata chiusa da tempo al servizio, \xE8 stata invece mantenuta ed \xE8 quindi presente nella",
      "simulazione.",
      // Signal repetition, planned but not yet installed.
      "Oggi la linea non \xE8 ancora attrezzata con la ripetizione dei segnali in macchina. Nello scenario",
      "la ripetizione \xE8 stata comunque prevista, dato che l'installazione dell'impianto \xE8 in programma;",
      "chi desidera percorrere la linea nelle condizioni attuali deve semplicemente disattivare la",
      "ripetizione dei segnali prima di mettersi in viaggio.",
      // The train.
      "Il treno \xE8 un regionale che percorre l'intera linea da Castrea fino a Tovena.",
      // Stops, the crossing at Corbiano, and why the train arrives early.
      "Il treno ferma in tutte le stazioni intermedie, tranne che in tre: Castrea Sud, Cinquepiani e",
      "Montaccone. La sosta a Corbiano \xE8 pi\xF9 lunga delle altre, dato che in quella stazione il nostro",
      "treno incrocia un treno proveniente da Tovena, che occorre attendere prima di ripartire. Non ci",
      "sono prescrizioni di rallentamento e l'aderenza \xE8 molto buona: per questo motivo un treno",
      "condotto correttamente, cio\xE8 rispettando le velocit\xE0 e gli orari di partenza, giunge a Tovena con",
      "qualche minuto di anticipo sull'orario previsto.",
      // Protection signals close before the departure signals.
      "In due stazioni, Ponte d'Orvia e Sela Bassa, il segnale di protezione si trova a meno di 600",
      "metri dal successivo segnale di partenza. Per questa ragione, quando la ripetizione dei segnali \xE8",
      "inserita, la lampada gialla di avviso si accende gi\xE0 prima del segnale di protezione, che",
      "presenta l'aspetto di giallo fisso, e non prima del segnale di partenza, che presenta invece",
      "l'aspetto di via impedita.",
      // Place names.
      "Come negli scenari precedenti, tutti i nomi di localit\xE0 sono bilingui.",
      "",
      "",
      "",
      // Earlier scenarios, each named by line and train.
      "SCENARI PRECEDENTEMENTE REALIZZATI:",
      "",
      "Castrea_Tovena_R7296",
      "Castrea_Tovena_R7298",
      "Castrea_Tovena_R7300",
      "Orsena_Valmesso_R6120",
      std::string(SENTINELLA),
  };
}

}  // namespace scenario
