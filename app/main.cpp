// Entry point: builds the embedded scenario into the executable's folder.
#include <exception>
#include <iostream>

#include "app/cartella_eseguibile.h"
#include "app/costruzione.h"
#include "app/piattaforma.h"
#include "output/sostituzione.h"

int main(int /*argc*/, char** argv) {
  using namespace scenario;
  piattaforma_console console(std::cerr);
  modello m;
  try {
    m.cartella = cartella_eseguibile(argv[0]);
    Form_Load(m, console);
    return STATO_SUCCESSO;
  } catch (const fine_programma& fine) {
    return fine.stato;
  } catch (const errore_file& e) {
    std::cerr << "compila_scenario: " << e.what() << "\n";
    return STATO_ERRORE_SISTEMA;
  } catch (const std::exception& e) {
    std::cerr << "compila_scenario: " << e.what() << "\n";
    return STATO_ERRORE_SISTEMA;
  }
}
