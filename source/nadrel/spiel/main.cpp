// The program "nadrel": no arguments are read; the exit code is 0 after a normal end and -1 when
// an exception ended the game.

#include "nadrel/spiel/anwendung.h"

int main() {
    return Spiel::Eintritt([] {
        Spiel::Anwendung anwendung;
        anwendung.Ausfuehren();
    });
}
