// A test hook. The fault and watch tests need the program at a given point (its interrupt
// handlers installed, the output folder's lock held, the compiled files written but not
// yet renamed, the watch idle) and must not hope that a random delay lands there. When
// COMPILA_SCENARIO_TAPPE names an inherited channel (on POSIX a socket's number, on
// Windows two pipe handles, "WRITE,READ"), the program sends the point's name and a
// newline on it as it gets there, then waits for one byte back: the test does what it
// needs at that point (a signal, a second build, a save, a file taken away) and lets it
// go on. Once the test closes its end the program no longer stops. Without the variable
// nothing at all happens; users never set it.
#pragma once

namespace scenario {

// True when a test listens (the variable is set).
bool tappe_di_prova();
// Tells the listening test that the program is at `nome`, and waits until it may go on.
void tappa_di_prova(const char* nome);

}  // namespace scenario
