#pragma once

#include <QString>

namespace desktop {

class Clock;
class Desktop;
class Random;

// What the windows need from outside the program: the desktop, the clock and chance, and the folder
// whose files lie beside the program. Tests hand in fakes and a folder of their own.
struct Environment {
    Desktop& desktop;
    Clock& clock;
    Random& random;
    QString programFolder;
};

} // namespace desktop
