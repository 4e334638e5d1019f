#include "tests/supporto/tappe.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace scenario::prova {

tappe::tappe() {
  int coppia[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, coppia) != 0) {
    throw std::runtime_error("socketpair");
  }
  test_ = coppia[0];
  programma_ = coppia[1];
}

tappe::~tappe() {
  lascia();
  avviato();
}

std::string tappe::variabile() const {
  return "COMPILA_SCENARIO_TAPPE=" + std::to_string(programma_);
}

void tappe::avviato() {
  if (programma_ >= 0) close(programma_);
  programma_ = -1;
}

std::string tappe::prossima() {
  std::string riga;
  while (test_ >= 0) {
    pollfd attesa{test_, POLLIN, 0};
    if (poll(&attesa, 1, 30000) <= 0) return "";
    char c;
    if (read(test_, &c, 1) != 1) return "";
    if (c == '\n') return riga;
    riga += c;
  }
  return "";
}

void tappe::prosegui() {
  if (test_ >= 0 && send(test_, "v", 1, MSG_NOSIGNAL) != 1) lascia();
}

void tappe::lascia() {
  if (test_ >= 0) close(test_);
  test_ = -1;
}

}  // namespace scenario::prova
