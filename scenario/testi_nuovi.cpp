// The starting pair of a new author: a line of 10000 m with two curves, a gradient, a
// mountain-side stretch, a maximum-speed indicator and a bridge board, and a run with a
// departure and an arrival, one slow-down, two signals and one abbattimento point.
//
// The note lines above the records are keyword items too. A keyword test is a substring
// test, so a note never holds a word that a record is recognised by (in the line text
// "lunghezza" with "percorso", "progressiva", "sfondo", "ripetizione", "pendenza",
// "curva", "montagna", "indicat"; in the run text "vetture", "massa" with "frenata",
// "velocit", "aderenza", "orologio", "sabbia", "segnale", "rallentamento",
// "abbattimento", "stazione"). Nor does it hold a minus sign (the item after it would be
// taken as the keyword instead, and the record below would be lost), a comma (the rest
// would be read as further items), or both square brackets (in [generale] that ends the
// section).
#include "scenario/testi_nuovi.h"

#include "scenario/scrittura_testi.h"

namespace scenario {

std::vector<std::string> elenco_linea_nuova() {
  return {
      "Descrizione della linea: un punto di partenza da cambiare a piacere",
      "Le righe di sole parole come questa sono note per chi scrive e la lettura le salta",
      "[generale]",
      "Lunghezza della linea in metri",
      "lunghezza percorso,    10000",
      "Numerazione dei chilometri: metro della linea da cui vale poi chilometri in metri in quel punto poi 1 per aggiungervi 100 metri oppure 0",
      "progressiva chilometrica uno,    0,    12000,    0",
      "Seconda numerazione dei chilometri: non usata e quindi tutta a zero",
      "progressiva chilometrica due,    0,    0,    0",
      "Terza numerazione dei chilometri: non usata e quindi tutta a zero",
      "progressiva chilometrica tre,    0,    0,    0",
      "Paesaggio di fondo: primo valore passato al simulatore come sta",
      "sfondo uno,    0",
      "Paesaggio di fondo: secondo valore passato al simulatore come sta",
      "sfondo due,    0",
      "Paesaggio di fondo: terzo valore passato al simulatore come sta",
      "sfondo tre,    1",
      "Codici ripetuti in cabina (4 oppure 9 nella parola): metro di inizio e metro di fine del tratto in multipli di 50",
      "ripetizione segnali 4 codici,    0,    10000",
      "[curve]",
      "Svolta a destra (d) con raggio di 1000 metri (classe 4): metro di inizio e lunghezza in metri",
      "curvad4,    2000,    300",
      "Svolta a sinistra (s) con raggio di 1000 metri (classe 4): metro di inizio e lunghezza in metri",
      "curvas4,    5000,    300",
      "[pendenze]",
      "Inclinazione della linea dal metro dato fino alla riga seguente: metro e valore (qui in piano)",
      "pendenza,    0,    0",
      "Inclinazione della linea dal metro dato fino alla fine: metro e valore",
      "pendenza,    3000,    5",
      "[montagne]",
      "Parete di roccia a lato dei binari: metro di inizio e metro di fine e tipo mostrato dal simulatore",
      "montagna,    5000,    6000,    1",
      "[cartelli]",
      "Tabella delle massime: metro e tre limiti in km/h e strisce poi la seconda serie (vuota se non serve) e le sue strisce",
      "indicatori_vmax,    500,    80,    85,    85,    0,    ,    ,    ,    0",
      "[indicazioni]",
      "Tabella a lato dei binari: metro e testo fino a fine riga senza virgole con una riga della tabella per ogni coppia di parentesi",
      "cartello_indicatore,    2500,    (PONTE SUL  )(TORRENTE   )",
      "[fine]",
      std::string(SENTINELLA),
  };
}

std::vector<std::string> elenco_treno_nuovo() {
  return {
      "Descrizione della corsa: un punto di partenza da cambiare a piacere",
      "Le righe di sole parole come questa sono note per chi scrive e la lettura le salta",
      "[generale]",
      "Quante carrozze ha il treno",
      "numero vetture,    3",
      "Percentuale di peso frenato del treno",
      "percentuale massa frenata,    110",
      "Scorta di rena contro lo slittamento delle ruote",
      "sabbia,    300",
      "Ora di inizio della corsa: ore e minuti e secondi",
      "orologio,    19,    4,    0",
      "[aderenze]",
      "Presa delle ruote sul binario dal metro dato in poi: metro e valore",
      "aderenza,    0,    100",
      "[vel_limite]",
      "Limite di marcia dal metro dato fino alla riga seguente: metro e km/h",
      "velocita,    0,    60",
      "Limite di marcia dalla tabella delle massime in poi: metro e km/h",
      "velocita,    500,    80",
      "[stazioni]",
      "Partenza (tipo 8): metro e tipo e lunghezza in metri poi tre opzioni e due valori e una opzione e tre valori poi sosta in secondi poi ora di partenza in ore e minuti e secondi e nome",
      "stazione,    0,    8,    300,    0, 0, 0,    1, 1, 0,    5, 6, 1,    1,    19, 5, 0,    PARTENZA",
      "Arrivo (tipo 12) con gli stessi valori: qui l'ora data e' quella di arrivo",
      "stazione,    9000,    12,    400,    0, 0, 0,    1, 1, 0,    2, 1, 1,    0,    19, 15, 0,    ARRIVO",
      "[rallentamenti]",
      "Tratto da fare piano: metro di inizio e limite in km/h e lunghezza in metri poi tre valori per il simulatore (il secondo a 1 chiede le celle di preavviso)",
      "rallentamento,    4000,    30,    300,    0,    1,    0",
      "[segnali]",
      "Semaforo: metro poi lato sinistro e tre aspetti poi rapporto poi lato destro e tre aspetti poi tempo",
      "segnale,    1450,    2, 2, 5, 6,    1,    2, 2, 1, 0,    0",
      "Semaforo prima dell'arrivo con gli stessi valori",
      "segnale,    6800,    2, 3, 1, 0,    0,    0, 0, 0, 0,    0",
      "Punto di controllo della marcia: metro e valore (0 per un punto senza valore)",
      "abbattimento,    8000,    0",
      "[codici]",
      "Questa sezione resta vuota",
      "[fine]",
      std::string(SENTINELLA),
  };
}

testi_nuovi testi_di_partenza() {
  return {componi_testo(elenco_linea_nuova()), componi_testo(elenco_treno_nuovo())};
}

}  // namespace scenario
