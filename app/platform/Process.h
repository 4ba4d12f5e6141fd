#pragma once

#include <QStringList>

namespace app {

// What the program needs from its process before Qt starts, done the way the
// platform it was built for does it.

// The arguments as typed, program name first. Windows hands them over in
// UTF-16, and the 8-bit argv would lose what the code page cannot hold.
QStringList programArguments(int argc, char *argv[]);

// Standard output as the reports need it: their bytes pass unchanged
// (Windows' C runtime would otherwise turn each "\r\n" into "\r\r\n").
void prepareStandardStreams();

// Before the window opens: a console that only this program uses (a console
// program started from the desktop gets one) is let go, so the window stands
// alone; a console shared with a shell stays.
void releaseOwnConsole();

} // namespace app
